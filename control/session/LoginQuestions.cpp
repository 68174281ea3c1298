#include "control/session/LoginQuestions.h"

#include <chrono>

namespace strovix {

std::optional<Credentials> LoginQuestions::afterRefusal(const std::string& hostPort, const std::string& realm,
                                                       const std::optional<Credentials>& tried,
                                                       CredentialsProvider* provider, const std::atomic<int>& cancel)
{
    std::unique_lock g(m_lock);
    for (;;) {
        // Someone else's answer, or credentials that worked for another
        // request meanwhile: tried before anybody is asked.
        if (auto known = m_store.lookup(hostPort); known && !(tried && *known == *tried))
            return known;
        if (!provider || cancel.load() != 0)
            return std::nullopt;
        Camera& camera = m_cameras[hostPort];
        if (camera.declined)
            return std::nullopt;
        if (camera.asking) {
            m_answered.wait_for(g, std::chrono::milliseconds(50));
            continue;
        }

        camera.asking = true;
        g.unlock();
        std::optional<Credentials> answer;
        try {
            answer = provider->ask(hostPort, realm, cancel);
        } catch (...) {
            // No answer; the waiting requests must not wait for ever.
        }
        const bool gaveUp = cancel.load() != 0;
        if (answer)
            m_store.offered(hostPort, *answer);
        g.lock();
        // The map may have grown meanwhile: the entry is looked up again.
        Camera& after = m_cameras[hostPort];
        after.asking = false;
        // A question closed because its request was aborted is no refusal:
        // a request still waiting asks anew.
        if (!answer && !gaveUp)
            after.declined = true;
        g.unlock();
        m_answered.notify_all();
        return answer;
    }
}

bool LoginQuestions::declined(const std::string& hostPort) const
{
    std::lock_guard g(m_lock);
    auto it = m_cameras.find(hostPort);
    return it != m_cameras.end() && it->second.declined;
}

void LoginQuestions::allowAgain(const std::string& hostPort)
{
    {
        std::lock_guard g(m_lock);
        if (auto it = m_cameras.find(hostPort); it != m_cameras.end())
            it->second.declined = false;
    }
    m_answered.notify_all();
}

bool LoginQuestions::asking(const std::string& hostPort) const
{
    std::lock_guard g(m_lock);
    auto it = m_cameras.find(hostPort);
    return it != m_cameras.end() && it->second.asking;
}

} // namespace strovix
