#pragma once

#include "control/session/Credentials.h"
#include "control/session/ThreadCheck.h"
#include "platform/component/Hosting.h"

#include <map>
#include <memory>
#include <mutex>

class QAbstractEventDispatcher;

namespace strovix {

// The control's answer to a camera's credentials prompt: the host site
// first (a headless host answers without a dialog), then the operator
// through the "Camera login" dialog. Asked on worker threads; the host's
// callback runs with no lock held, so it may wait for the host's window
// thread.
class ControlCredentials : public CredentialsProvider {
public:
    // Window thread (the one whose events setSite handles while it waits).
    explicit ControlCredentials(std::shared_ptr<CredentialsProvider> fallback);

    // Window thread. The host site, or null. Returns once no call into an
    // earlier site runs any more, so the host may destroy it; meanwhile the
    // window thread goes on handling its events, since the host may be
    // answering a running call through them.
    void setSite(platform::component::HostSite* site);

    std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                   const std::atomic<int>& cancel) override;

private:
    bool callsIntoOtherSites(platform::component::HostSite* site) const;

    std::shared_ptr<CredentialsProvider> m_fallback;
    OwnerThread m_windowThread;
    QAbstractEventDispatcher* m_windowEvents;
    mutable std::mutex m_lock;
    // Guarded by m_lock:
    platform::component::HostSite* m_site = nullptr;
    std::map<platform::component::HostSite*, int> m_running; // calls under way, per site
};

} // namespace strovix
