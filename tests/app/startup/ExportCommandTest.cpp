// oculon --export run as a script runs it: exit status, standard error, the
// file written, and nothing else touched.
#include "support/ExportTestSupport.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ExportCommandTest : public ::testing::Test {
protected:
    // Runs oculon with `args` in a home of its own and without a display,
    // so a window or a settings file would show.
    Outcome oculon(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(home.path()));
        env.insert("OCULON_HOME", QString::fromStdString(home.file("oculon")));
        env.insert("XDG_STATE_HOME", QString::fromStdString(home.file("state")));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(home.file("config")));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(env);
        process.start(QString::fromLocal8Bit(std::getenv("OCULON_BUILD_BIN")) + "/oculon", args);
        Outcome run;
        if (!process.waitForFinished(120000))
            return run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        return run;
    }
    QString file(const std::string& name) const { return QString::fromStdString(dir.file(name)); }

    TempDir home;
    TempDir dir;
};

TEST_F(ExportCommandTest, ExitsWithZeroForAWrittenFileAndSaysWhyOtherwise)
{
    export_test::writeRecording(dir.file("in.avi"), 30, 10.0f, true);

    Outcome run = oculon({"--export", file("in.avi"), file("out.mp4")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(export_test::readMedia(dir.file("out.mp4")).videoPackets, 30);

    run = oculon({"--export", file("in.avi"), file("span.mp4"), "--from", "1", "--to=2"});
    EXPECT_EQ(run.status, 0) << run.err;
    const export_test::MediaFacts span = export_test::readMedia(dir.file("span.mp4"));
    EXPECT_EQ(span.videoPackets, 10);
    EXPECT_NEAR(span.soundSeconds, 1.0, 0.1);

    // Failures: one line on standard error, status 1, no file.
    dir.write("bad.avi", "RIFF....AVI nothing else");
    run = oculon({"--export", file("bad.avi"), file("bad.mp4")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "oculon: bad.avi is not a readable recording: The file's header is damaged.\n");
    run = oculon({"--export", file("in.avi"), file("late.mp4"), "--from", "5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "oculon: The span from 5.00 s to 3.00 s lies outside the recording, which is 3.00 s long.\n");
    run = oculon({"--export", file("in.avi"), file("no/where.mp4")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "oculon: The folder " + dir.file("no") + " cannot be written: No such file or directory.\n");
    EXPECT_EQ(recording_test::filesIn(dir.path()), (std::vector<std::string>{"bad.avi", "in.avi", "out.mp4", "span.mp4"}));

    // Wrong options: status 64, the reason and the usage.
    run = oculon({"--export", file("in.avi")});
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err.rfind("oculon: --export needs a recording and an MP4 file", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Usage: oculon"), std::string::npos);
    run = oculon({"--to", "2"});
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err.rfind("oculon: --from and --to go with --export\n", 0), 0u) << run.err;

    // No settings, log or folder of the program was made on the way.
    EXPECT_EQ(recording_test::filesIn(home.path()), std::vector<std::string>{});
}

} // namespace
