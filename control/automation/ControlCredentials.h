#pragma once

#include "control/session/Credentials.h"
#include "platform/component/Hosting.h"

#include <memory>
#include <mutex>

namespace strovix {

// The control's answer to a camera's credentials prompt: the host site
// first (a headless host answers without a dialog), then the operator
// through the "Camera login" dialog. Called on worker threads.
class ControlCredentials : public CredentialsProvider {
public:
    explicit ControlCredentials(std::shared_ptr<CredentialsProvider> fallback) : m_fallback(std::move(fallback)) { }

    // Window thread. The host site, or null. Waits for a running question.
    void setSite(platform::component::HostSite* site)
    {
        std::lock_guard lock(m_lock);
        m_site = site;
    }

    std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                   const std::atomic<int>& cancel) override
    {
        {
            std::lock_guard lock(m_lock);
            Credentials c;
            if (m_site && m_site->credentials(hostPort, c.user, c.password))
                return c;
        }
        return m_fallback ? m_fallback->ask(hostPort, realm, cancel) : std::nullopt;
    }

private:
    std::shared_ptr<CredentialsProvider> m_fallback;
    std::mutex m_lock;
    // Guarded by m_lock:
    platform::component::HostSite* m_site = nullptr;
};

} // namespace strovix
