#pragma once

#include "app/notify/Notifier.h"

#include <QDBusConnection>

#include <chrono>
#include <functional>
#include <map>

// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Nothing at all where
// there is no session bus; where no service answers, the call goes unheard.
// Never waits for the bus. Main thread.
class DesktopNotifier : public Notifier {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds kPerKey{60};

    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             Clock now = std::chrono::steady_clock::now);

    void notify(const std::string& key, const std::string& summary, const std::string& body) override;

    // Notifications sent so far (not kept back by the per-key bound).
    int sent() const { return m_sent; }

private:
    QDBusConnection m_bus;
    Clock m_now;
    std::map<std::string, std::chrono::steady_clock::time_point> m_last;
    int m_sent = 0;
};
