// The command line and the single-instance guard.
#include "app/startup/CommandLine.h"
#include "app/startup/SingleInstance.h"
#include "support/EventWait.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QSysInfo>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(CommandLineTest, ReadsTheOptionsAndRejectsWhatItCannotUse)
{
    const CommandLine none = CommandLine::parse({});
    EXPECT_TRUE(none.error.empty());
    EXPECT_FALSE(none.quitAfterSeconds);
    EXPECT_TRUE(none.screenshotFile.empty());

    const CommandLine both = CommandLine::parse({"--quit-after", "2.5", "--screenshot=shot.png"});
    ASSERT_TRUE(both.error.empty()) << both.error;
    EXPECT_EQ(both.quitAfterSeconds.value_or(-1), 2.5);
    EXPECT_EQ(both.screenshotFile, "shot.png");
    EXPECT_EQ(CommandLine::parse({"--quit-after=0"}).quitAfterSeconds.value_or(-1), 0.0);
    EXPECT_FALSE(none.statisticsSeconds);
    EXPECT_EQ(CommandLine::parse({"--statistics", "0.5"}).statisticsSeconds.value_or(-1), 0.5);
    EXPECT_TRUE(CommandLine::parse({"--help"}).help);
    EXPECT_TRUE(CommandLine::parse({"-v"}).version);

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--quit-after"},           // value missing
             {"--quit-after", "soon"},   // not a number
             {"--quit-after", "-1"},     // negative
             {"--quit-after", "3s"},     // trailing text
             {"--quit-after", "inf"},    // not finite
             {"--screenshot="},          // empty file name
             {"--statistics", "0"},      // a report without an interval
             {"--statistics"},           // value missing
             {"--help=yes"},             // a flag with a value
             {"--frobnicate"},
             {"extra"}}) {
        const CommandLine line = CommandLine::parse(wrong);
        EXPECT_FALSE(line.error.empty()) << wrong.front();
        EXPECT_FALSE(line.quitAfterSeconds) << "a failed parse leaves nothing set";
    }
    // The usage names every option.
    const std::string usage = CommandLine::usage("oculon");
    for (const char* option : {"--quit-after", "--screenshot", "--statistics", "--help", "--version"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "app_startup_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

TEST(SingleInstanceTest, KeyIsPerUserAndPerFolder)
{
    const std::string key = SingleInstance::keyFor("/data/a");
    EXPECT_EQ(key.rfind("oculon-" + std::to_string(::getuid()) + "-", 0), 0u) << key;
    EXPECT_EQ(key, SingleInstance::keyFor("/data/a/")) << "the same folder written differently";
    EXPECT_EQ(key, SingleInstance::keyFor("/data/./a"));
    EXPECT_NE(key, SingleInstance::keyFor("/data/b"));
}

TEST(SingleInstanceTest, SecondStartIsRefusedAndAsksTheFirstToRaise)
{
    app();
    TempDir runtime;
    SingleInstance first("/apps/one", runtime.path());
    ASSERT_TRUE(first.acquire());
    int raises = 0;
    QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raises; });

    {
        SingleInstance second("/apps/one", runtime.path());
        EXPECT_FALSE(second.acquire());
        EXPECT_FALSE(second.isPrimary());
        EXPECT_TRUE(second.askPrimaryToRaise());
    }
    EXPECT_TRUE(pumpUntil([&] { return raises == 1; })) << "the first instance was not asked to raise";

    // Another application folder is another program.
    SingleInstance elsewhere("/apps/two", runtime.path());
    EXPECT_TRUE(elsewhere.acquire());
    EXPECT_FALSE(elsewhere.askPrimaryToRaise()) << "the holder of the lock asks nobody";
    EXPECT_FALSE(pumpUntil([&] { return raises > 1; }, 300)) << "only one request was sent";
}

TEST(SingleInstanceTest, LeftoversOfACrashedInstanceNeverBlockAStart)
{
    app();
    TempDir runtime;
    SingleInstance probe("/apps/crashed", runtime.path());

    // A process that has ended: its number is what a crashed instance leaves in its lock.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    QFile lock(QString::fromStdString(probe.lockPath()));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(gone) + "\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
               QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    // And its socket file, which nobody listens on any more.
    QFile socket(QString::fromStdString(probe.socketPath()));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    SingleInstance restarted("/apps/crashed", runtime.path());
    ASSERT_TRUE(restarted.acquire());
    int raises = 0;
    QObject::connect(&restarted, &SingleInstance::raiseRequested, [&] { ++raises; });
    // Its socket works: a later start reaches it.
    SingleInstance later("/apps/crashed", runtime.path());
    EXPECT_FALSE(later.acquire());
    EXPECT_TRUE(later.askPrimaryToRaise());
    EXPECT_TRUE(pumpUntil([&] { return raises == 1; }));
}

// The lock and the socket never lie in a folder others can write to, and
// the socket serves one short request a connection.
TEST(SingleInstanceTest, ThePrivateFolderAndTheSocketKeepOthersOut)
{
    app();
    TempDir cache;
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray cacheBefore = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.path()));
    // A shared runtime folder (as /tmp is) is passed over for a private one of ours.
    TempDir shared;
    ::chmod(shared.path().c_str(), 01777);
    for (const std::string& runtime : {shared.path(), std::string()}) {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
        SingleInstance guard("/apps/private");
        const std::string folder = guard.lockPath().substr(0, guard.lockPath().rfind('/'));
        EXPECT_EQ(folder, cache.path() + "/oculon/run");
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    qputenv("XDG_RUNTIME_DIR", runtimeBefore);
    qputenv("XDG_CACHE_HOME", cacheBefore);

    TempDir runtime;
    SingleInstance first("/apps/socket", runtime.path());
    ASSERT_TRUE(first.acquire());
    int raises = 0;
    QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raises; });
    auto connected = [&] {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(QString::fromStdString(first.socketPath()));
        EXPECT_TRUE(socket->waitForConnected(2000));
        return socket;
    };
    auto closedByTheServer = [&](QLocalSocket& socket, int ms) {
        return pumpUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }, ms);
    };
    // A line far over the cap is not read to its end: the connection goes.
    auto flood = connected();
    flood->write(QByteArray(1 << 20, 'r'));
    EXPECT_TRUE(closedByTheServer(*flood, 3000));
    // A connection that says nothing is closed after its 2 s.
    auto silent = connected();
    EXPECT_FALSE(closedByTheServer(*silent, 1000));
    EXPECT_TRUE(closedByTheServer(*silent, 3000));
    // A request is answered once, and the connection ends with it.
    auto twice = connected();
    twice->write("raise\nraise\n");
    twice->flush();
    EXPECT_TRUE(closedByTheServer(*twice, 3000));
    EXPECT_EQ(raises, 1);
}

} // namespace
