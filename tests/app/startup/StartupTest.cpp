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

TEST(CommandLineTest, ExportTakesARecordingAFileAndASpanAndNothingOfTheWindow)
{
    const CommandLine whole = CommandLine::parse({"--export", "in.avi", "out.mp4"});
    ASSERT_TRUE(whole.error.empty()) << whole.error;
    ASSERT_TRUE(whole.exportFile);
    EXPECT_EQ(whole.exportFile->source, "in.avi");
    EXPECT_EQ(whole.exportFile->target, "out.mp4");
    EXPECT_FALSE(whole.exportFile->from);
    EXPECT_FALSE(whole.exportFile->to);
    EXPECT_FALSE(CommandLine::parse({}).exportFile);

    // The span before or after the files, with either form of value.
    const CommandLine span = CommandLine::parse({"--to=4.5", "--export", "in.avi", "out.mp4", "--from", "1"});
    ASSERT_TRUE(span.exportFile) << span.error;
    EXPECT_EQ(span.exportFile->from.value_or(-1), 1.0);
    EXPECT_EQ(span.exportFile->to.value_or(-1), 4.5);

    const std::pair<std::vector<std::string>, const char*> wrong[] = {
        {{"--export"}, "--export needs a recording and an MP4 file: --export IN.avi OUT.mp4"},
        {{"--export", "in.avi"}, "--export needs a recording and an MP4 file: --export IN.avi OUT.mp4"},
        {{"--export", "in.avi", "--from", "1"}, "--export needs a recording and an MP4 file: --export IN.avi OUT.mp4"},
        {{"--export=in.avi", "out.mp4"}, "--export takes two file names: --export IN.avi OUT.mp4"},
        {{"--export", "a.avi", "a.mp4", "--export", "b.avi", "b.mp4"}, "--export is given twice"},
        {{"--from", "1"}, "--from and --to go with --export"},
        {{"--export", "in.avi", "out.mp4", "--from", "soon"}, "--from needs a number of seconds, not \"soon\""},
        {{"--export", "in.avi", "out.mp4", "--to", "-2"}, "--to needs a number of seconds, not \"-2\""},
        {{"--export", "in.avi", "out.mp4", "--from", "3", "--to", "2"}, "--to must be later than --from"},
        {{"--export", "in.avi", "out.mp4", "--quit-after", "2"}, "--export takes no other option than --from and --to"},
        {{"--verbose", "--export", "in.avi", "out.mp4"}, "--export takes no other option than --from and --to"},
    };
    for (const auto& [args, says] : wrong) {
        const CommandLine line = CommandLine::parse(args);
        EXPECT_EQ(line.error, says) << args.front();
        EXPECT_FALSE(line.exportFile);
    }
    const std::string usage = CommandLine::usage("oculon");
    for (const char* option : {"--export IN.avi OUT.mp4", "--from SECONDS", "--to SECONDS"})
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
