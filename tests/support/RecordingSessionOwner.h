#pragma once

// A session owner that records what it is told.

#include "control/session/Session.h"
#include "control/session/SessionOwner.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strovix::test {

// Records every report of a session. Made with the session, it is its owner
// until it goes; made without one, the test sets it as owner and keeps it
// until the session has gone. The connection threads' reports are kept
// under a lock.
class RecordingSessionOwner : public SessionOwner {
public:
    RecordingSessionOwner() = default;
    explicit RecordingSessionOwner(Session& session) : m_session(&session) { session.setOwner(this); }
    ~RecordingSessionOwner() override
    {
        if (m_session)
            m_session->setOwner(nullptr);
    }
    RecordingSessionOwner(const RecordingSessionOwner&) = delete;
    RecordingSessionOwner& operator=(const RecordingSessionOwner&) = delete;

    void paneTextChanged(int pane, const std::string& text) override { entries.emplace_back(pane, text); }
    void linkStateChanged(LinkState state, int attempt) override { links.emplace_back(state, attempt); }
    void connectReset() override { ++connectResets; }
    void startAudio() override { ++audioStarts; }
    void stopAudio() override { ++audioStops; }
    void loggedIn() override { ++logins; }
    void statusBlock(std::string_view block) override
    {
        std::lock_guard g(m_lock);
        m_blocks.emplace_back(block);
    }

    // The texts pane `pane` showed, in order.
    std::vector<std::string> of(int pane) const
    {
        std::vector<std::string> out;
        for (const auto& [p, t] : entries)
            if (p == pane)
                out.push_back(t);
        return out;
    }
    std::vector<LinkState> linkStates() const
    {
        std::vector<LinkState> out;
        for (const auto& l : links)
            out.push_back(l.first);
        return out;
    }
    std::vector<std::string> statusBlocks() const
    {
        std::lock_guard g(m_lock);
        return m_blocks;
    }

    // Window thread:
    std::vector<std::pair<int, std::string>> entries; // every pane text, in order
    std::vector<std::pair<LinkState, int>> links;
    int connectResets = 0;
    int audioStarts = 0;
    int audioStops = 0;
    // Connection threads:
    std::atomic<int> logins{0};

private:
    Session* m_session = nullptr;
    mutable std::mutex m_lock;
    // Guarded by m_lock:
    std::vector<std::string> m_blocks;
};

} // namespace strovix::test
