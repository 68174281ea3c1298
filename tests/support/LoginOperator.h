#pragma once

// The operator at a camera's login dialog, for tests: counts the questions
// and answers each with the next reply the test gave (nothing: Cancel),
// waiting for one as long as the asking request does.
//
//   auto op = std::make_shared<LoginOperator>();
//   session.setCredentialsProvider(op);
//   ... op->asked() ... op->answer(strovix::Credentials{"administrator", "admin", false});

#include "control/session/Credentials.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

class LoginOperator : public strovix::CredentialsProvider {
public:
    std::optional<strovix::Credentials> ask(const std::string&, const std::string&,
                                            const std::atomic<int>& cancel) override
    {
        std::unique_lock g(m_lock);
        ++m_asked;
        // A test that went wrong is not left hanging: no reply within 10 s is Cancel.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_replies.empty() && cancel.load() == 0 && std::chrono::steady_clock::now() < giveUp)
            m_cv.wait_for(g, std::chrono::milliseconds(10));
        if (m_replies.empty())
            return std::nullopt;
        auto reply = m_replies.front();
        m_replies.pop_front();
        return reply;
    }
    // The reply to the open question, or to the next one.
    void answer(std::optional<strovix::Credentials> c)
    {
        std::lock_guard g(m_lock);
        m_replies.push_back(std::move(c));
        m_cv.notify_all();
    }
    int asked() const
    {
        std::lock_guard g(m_lock);
        return m_asked;
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_cv;
    int m_asked = 0;
    std::deque<std::optional<strovix::Credentials>> m_replies;
};
