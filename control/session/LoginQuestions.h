#pragma once

#include "control/session/Credentials.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace strovix {

// The operator is asked for a camera's login once at a time, however many
// requests meet the camera's 401 together (the connection, the clock, the
// command threads, other views of the same camera): the first one asks, the
// others wait for that answer and take it. An answer is offered to the store
// at once, so a request that meets the 401 just after the question closed
// takes it as well.
//
// A question the operator cancelled is not asked again for that host:port:
// requests that meet the 401 then end refused at once, until allowAgain()
// (the operator chose to log in again, or the camera was given an address
// anew). Any thread; held by the credential store it works with.
class LoginQuestions {
public:
    explicit LoginQuestions(CredentialStore& store) : m_store(store) { }
    LoginQuestions(const LoginQuestions&) = delete;
    LoginQuestions& operator=(const LoginQuestions&) = delete;

    // The request's thread, after the camera refused `tried` (nothing: the
    // request went without credentials); the caller has already told the
    // store. Returns the credentials to send next: newer ones another request
    // was given, the answer to the open question, or the answer to a question
    // of its own through `provider`. Nothing when there is no provider, the
    // operator cancelled (now or earlier), or `cancel` was set (the request
    // gave up waiting; it checks every 50 ms).
    std::optional<Credentials> afterRefusal(const std::string& hostPort, const std::string& realm,
                                            const std::optional<Credentials>& tried, CredentialsProvider* provider,
                                            const std::atomic<int>& cancel);

    // The operator cancelled the question for `hostPort` and has not asked
    // to log in since.
    bool declined(const std::string& hostPort) const;
    // Questions for `hostPort` may be asked again.
    void allowAgain(const std::string& hostPort);
    // Whether a question for `hostPort` is open now.
    bool asking(const std::string& hostPort) const;

private:
    struct Camera {
        bool asking = false;
        bool declined = false;
    };

    CredentialStore& m_store;
    mutable std::mutex m_lock;
    std::condition_variable m_answered;
    // Guarded by m_lock (taken before the store's own lock, never after):
    std::map<std::string, Camera> m_cameras;
};

} // namespace strovix
