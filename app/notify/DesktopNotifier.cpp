#include "app/notify/DesktopNotifier.h"

#include "app/log/Logging.h"

#include <QDBusMessage>
#include <QVariantMap>

DesktopNotifier::DesktopNotifier(QDBusConnection bus, Clock now) : m_bus(std::move(bus)), m_now(std::move(now)) {}

void DesktopNotifier::notify(const std::string& key, const std::string& summary, const std::string& body)
{
    if (!m_bus.isConnected())
        return;
    const auto now = m_now();
    const auto [it, first] = m_last.emplace(key, now);
    if (!first) {
        if (now - it->second < kPerKey) {
            qCDebug(cameraLog, "notification \"%s\" kept back: one a minute", summary.c_str());
            return;
        }
        it->second = now;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("oculon")},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}};
    call << QStringLiteral("oculon") << uint(0) << QStringLiteral("oculon") << QString::fromStdString(summary)
         << QString::fromStdString(body) << QStringList() << hints << int(-1);
    // No answer is awaited: a missing service only costs an error reply.
    m_bus.call(call, QDBus::NoBlock);
    ++m_sent;
}
