#include "control/automation/ControlCredentials.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace strovix {

ControlCredentials::ControlCredentials(std::shared_ptr<CredentialsProvider> fallback)
    : m_fallback(std::move(fallback)), m_windowEvents(QAbstractEventDispatcher::instance())
{
}

bool ControlCredentials::callsIntoOtherSites(platform::component::HostSite* site) const
{
    for (const auto& [s, n] : m_running)
        if (s != site && n > 0)
            return true;
    return false;
}

void ControlCredentials::setSite(platform::component::HostSite* site)
{
    STROVIX_CHECK_OWNER_THREAD(m_windowThread);
    std::unique_lock lock(m_lock);
    m_site = site;
    // Normally nothing runs and this returns at once. A call under way may
    // wait for this very thread, so the wait handles events; the caller's
    // wake-up (below) ends each round.
    while (callsIntoOtherSites(site)) {
        lock.unlock();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        lock.lock();
    }
}

std::optional<Credentials> ControlCredentials::ask(const std::string& hostPort, const std::string& realm,
                                                   const std::atomic<int>& cancel)
{
    platform::component::HostSite* site = nullptr;
    {
        std::lock_guard lock(m_lock);
        site = m_site;
        if (site)
            ++m_running[site];
    }
    if (site) {
        Credentials c;
        bool answered = false;
        try {
            answered = site->credentials(hostPort, c.user, c.password);
        } catch (...) {
            // A host that throws gave no answer; the operator is asked.
        }
        {
            std::lock_guard lock(m_lock);
            if (--m_running[site] == 0)
                m_running.erase(site);
        }
        // A setSite waiting on the window thread looks again.
        if (m_windowEvents)
            m_windowEvents->wakeUp();
        if (answered)
            return c;
    }
    return m_fallback ? m_fallback->ask(hostPort, realm, cancel) : std::nullopt;
}

} // namespace strovix
