#include "app/notify/CameraWatch.h"
#include "app/notify/DesktopNotifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QVariantMap>

#include <chrono>
#include <vector>

namespace {

struct Told {
    std::string key, summary, body;
};

class RecordingNotifier : public Notifier {
public:
    void notify(const std::string& key, const std::string& summary, const std::string& body) override
    {
        told.push_back({key, summary, body});
    }
    std::vector<Told> told;
};

CameraWatch::Report camera(int number, std::string notice, uint64_t failures = 0)
{
    CameraWatch::Report r;
    r.number = number;
    r.location = "Gate";
    r.watched = true;
    r.notice = std::move(notice);
    r.failures = failures;
    r.failureWords = "Recording error: The disk is full.";
    return r;
}

TEST(CameraWatch, LostAfterThirtySecondsBackOnceAndEveryNewRecordingFailure)
{
    RecordingNotifier n;
    CameraWatch watch(n);
    // Pictures come; one failure from before the watch began is not told.
    watch.check({camera(3, "", 1)}, 0);
    watch.check({camera(3, "No picture since 12:00:00", 1)}, 1000);
    watch.check({camera(3, "No picture since 12:00:00", 1)}, 1000 + CameraWatch::kLostAfterMs - 1);
    EXPECT_TRUE(n.told.empty());
    watch.check({camera(3, "Camera refused the login", 1)}, 1000 + CameraWatch::kLostAfterMs);
    watch.check({camera(3, "Camera refused the login", 1)}, 90'000);
    ASSERT_EQ(n.told.size(), 1u);
    EXPECT_EQ(n.told[0].key, "lost:3");
    EXPECT_EQ(n.told[0].summary, "Camera 3 (Gate) lost");
    EXPECT_EQ(n.told[0].body, "Camera refused the login");

    watch.check({camera(3, "", 1)}, 91'000);
    watch.check({camera(3, "", 2)}, 92'000);
    ASSERT_EQ(n.told.size(), 3u);
    EXPECT_EQ(n.told[1].key, "back:3");
    EXPECT_EQ(n.told[1].summary, "Camera 3 (Gate) is back");
    EXPECT_EQ(n.told[2].key, "recording:3");
    EXPECT_EQ(n.told[2].body, "Recording error: The disk is full.");

    // A short gap is no loss; a camera no longer watched starts afresh.
    watch.check({camera(3, "Connecting")}, 100'000);
    watch.check({camera(3, "")}, 110'000);
    CameraWatch::Report gone = camera(3, "x");
    gone.watched = false;
    watch.check({gone}, 111'000);
    watch.check({camera(3, "Connecting", 7)}, 112'000);
    watch.check({camera(3, "Connecting", 7)}, 112'000 + CameraWatch::kLostAfterMs);
    ASSERT_EQ(n.told.size(), 4u);
    EXPECT_EQ(n.told[3].key, "lost:3");
}

// The desktop's notification service, as a program on the bus sees it.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, summary, body;
        QVariantMap hints;
    };
    std::vector<Call> calls;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int)
    {
        calls.push_back({app, summary, body, hints});
        return uint(calls.size());
    }
};

bool pumpUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(DesktopNotifier, ToTheServiceOnTheBusAtMostOnceAMinutePerKey)
{
    int argc = 1;
    char name[] = "app_notify_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!bus.waitForStarted(5000))
        GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(bus.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, "service");
        ASSERT_TRUE(service.isConnected());
        FakeNotifications fake;
        ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));

        auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
        DesktopNotifier notifier(QDBusConnection::connectToBus(address, "client"), [&] { return now; });
        notifier.notify("lost:3", "Camera 3 (Gate) lost", "No picture since 12:00:00");
        notifier.notify("lost:3", "Camera 3 (Gate) lost", "again");  // within the minute: kept back
        notifier.notify("disk", "Recording disk", "D: is almost full"); // another key
        now += DesktopNotifier::kPerKey;
        notifier.notify("lost:3", "Camera 3 (Gate) lost", "a minute later");
        EXPECT_EQ(notifier.sent(), 3);
        ASSERT_TRUE(pumpUntil([&] { return fake.calls.size() >= 3; }, 5000));
        pumpUntil([] { return false; }, 200);
        ASSERT_EQ(fake.calls.size(), 3u);
        EXPECT_EQ(fake.calls[0].app, "oculon");
        EXPECT_EQ(fake.calls[0].summary, "Camera 3 (Gate) lost");
        EXPECT_EQ(fake.calls[0].body, "No picture since 12:00:00");
        EXPECT_EQ(fake.calls[0].hints.value("desktop-entry").toString(), "oculon");
        EXPECT_EQ(fake.calls[1].summary, "Recording disk");
        EXPECT_EQ(fake.calls[2].body, "a minute later");

        // A bus without the service: the call goes unheard, nothing waits.
        service.unregisterService("org.freedesktop.Notifications");
        DesktopNotifier unheard(QDBusConnection::connectToBus(address, "unheard"));
        QElapsedTimer t;
        t.start();
        unheard.notify("disk", "Recording disk", "x");
        EXPECT_LT(t.elapsed(), 500);
        pumpUntil([] { return false; }, 200);
        EXPECT_EQ(fake.calls.size(), 3u);
    }
    QDBusConnection::disconnectFromBus("service");
    QDBusConnection::disconnectFromBus("client");
    QDBusConnection::disconnectFromBus("unheard");
    bus.terminate();
    bus.waitForFinished(5000);

    // No bus at all: nothing is sent.
    DesktopNotifier none(QDBusConnection::connectToBus(QString("unix:path=/nonexistent/bus"), "none"));
    none.notify("disk", "Recording disk", "x");
    EXPECT_EQ(none.sent(), 0);
}

} // namespace

#include "NotifyTest.moc"
