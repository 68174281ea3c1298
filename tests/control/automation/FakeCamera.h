#pragma once

#include "control/automation/CommandRunner.h"
#include "control/automation/VidorraControl.h"
#include "control/session/Panes.h"
#include "control/session/VidMessages.h"
#include "platform/component/Events.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The camera side of the command requests, in memory: records every URL a
// command fetched and answers by path prefix.
struct FakeCamera {
    struct Answer {
        int result = 0;
        std::string body;
        int delayMs = 0;
    };

    std::mutex lock;
    std::vector<std::string> requests;
    std::map<std::string, Answer> answers; // by path prefix (after the base address)
    // Nothing listens there: the connection probe fails at once.
    std::string base = "http://127.0.0.1:1";

    std::vector<std::string> paths()
    {
        std::lock_guard l(lock);
        std::vector<std::string> out;
        for (auto& r : requests)
            out.push_back(r.substr(r.find('/', r.find("//") + 2)));
        return out;
    }

    strovix::RequestFactory factory()
    {
        return [this] { return std::make_unique<Request>(*this); };
    }

    class Request : public strovix::CommandRequest {
    public:
        explicit Request(FakeCamera& cam) : m_cam(cam) { }
        int fetch(const std::string& url, std::string& body) override
        {
            Answer a;
            m_aborted = false; // an abort ends the running request only
            {
                std::lock_guard l(m_cam.lock);
                m_cam.requests.push_back(url);
                const std::string path = url.substr(std::min(url.size(), m_cam.base.size()));
                size_t best = 0;
                for (auto& [prefix, answer] : m_cam.answers)
                    if (path.rfind(prefix, 0) == 0 && prefix.size() >= best) {
                        best = prefix.size();
                        a = answer;
                    }
            }
            for (int waited = 0; waited < a.delayMs && !m_aborted; waited += 5)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (m_aborted.exchange(false))
                return 16;
            body = a.body;
            return a.result;
        }
        void abort() override { m_aborted = true; }

    private:
        FakeCamera& m_cam;
        std::atomic<bool> m_aborted{false};
    };
};

// Events as a host receives them.
class EventLog final : public platform::component::EventSink {
public:
    using Variant = platform::component::Variant;
    platform::component::HResult queryInterface(const platform::component::Guid&, void** out) override
    {
        *out = nullptr;
        return platform::component::E_NOINTERFACE;
    }
    uint32_t addRef() override { return ++refs; }
    uint32_t release() override { return --refs; }
    platform::component::HResult invoke(int32_t dispid, const std::vector<Variant>& args) override
    {
        events.emplace_back(dispid, args);
        return platform::component::S_OK;
    }
    std::vector<std::vector<Variant>> of(int32_t dispid) const
    {
        std::vector<std::vector<Variant>> out;
        for (auto& [d, a] : events)
            if (d == dispid)
                out.push_back(a);
        return out;
    }
    uint32_t refs = 1;
    std::vector<std::pair<int32_t, std::vector<Variant>>> events;
};

inline QApplication& testApp()
{
    // Controls write their connection limits, sound settings and remembered
    // credentials into stores of the test run, never the user's.
    static TempDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    if (!std::getenv("STROVIX_REGISTRY"))
        ::setenv("STROVIX_REGISTRY", config.file("registry").c_str(), 1);
    static int argc = 1;
    static char name[] = "automation_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs the event loop until `done` holds or `ms` passed. The default bound
// is generous: it only ends a wait for something that never comes.
inline bool pumpUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void pumpFor(int ms) { pumpUntil([] { return false; }, ms); }

// Logs a control in as the connection does: the login message reaches the
// window thread and the connection records the level.
// Points the control at `base`, where nobody listens: the address is kept and
// the commands go to the fake camera. The put answers S_FALSE, or S_OK on a
// machine too loaded to see the refusal within the put's short wait. The
// connection gets no retries and ends at once, so the only logins are the
// ones a test fakes (a retrying connection would run its after-login
// requests beside the test's). True once the connection has ended.
template <class Host>
bool connectToNobody(Host& host, strovix::VidorraControl& control, const std::string& base)
{
    using platform::component::S_FALSE;
    using platform::component::S_OK;
    if (host.put("ReconnectTryNum", 0) != S_OK || host.put("ReconnectTryTime", 0) != S_OK)
        return false;
    const auto put = host.put("URL", base);
    if (put != S_FALSE && put != S_OK)
        return false;
    return pumpUntil([&] { return control.paneText(strovix::pane::kRate) == "Disconnect"; });
}

inline bool logIn(strovix::VidorraControl& control, int level, const std::string& user)
{
    control.setUserName(user);
    control.session().messageTarget()->post(strovix::WM_VID_LOGIN, level == 2 ? 0 : 1);
    return pumpUntil([&] { return control.loginLevel() == level; });
}
