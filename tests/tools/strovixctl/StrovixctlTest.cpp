#include "support/CamsimProcess.h"
#include "support/TempDir.h"
#include "tools/strovixctl/Operations.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

using namespace strovixctl;
using platform::component::ArgType;
using platform::component::MemberInfo;

TEST(Operations, ReadsTheFourShapes)
{
    std::string error;
    auto put = parseOperation("URL=http://127.0.0.1:18081/a=b", error);
    ASSERT_TRUE(put);
    EXPECT_EQ(put->kind, Operation::Kind::Put);
    EXPECT_EQ(put->name, "URL");
    EXPECT_EQ(put->text, "http://127.0.0.1:18081/a=b"); // everything after the first "="

    auto get = parseOperation("Layout?", error);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->kind, Operation::Kind::Get);

    auto call = parseOperation("SetUser(\"a, \\\"b\\\"\", -7, 0x10)", error);
    ASSERT_TRUE(call) << error;
    EXPECT_EQ(call->kind, Operation::Kind::Call);
    EXPECT_EQ(call->args, (std::vector<Variant>{Variant("a, \"b\""), Variant(-7), Variant(16)}));
    auto none = parseOperation("GetLog()", error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->args.empty());

    auto sleep = parseOperation("sleep=1.5", error);
    ASSERT_TRUE(sleep);
    EXPECT_EQ(sleep->kind, Operation::Kind::Sleep);
    EXPECT_DOUBLE_EQ(sleep->seconds, 1.5);

    auto event = parseOperation("until=CamVer", error);
    ASSERT_TRUE(event) << error;
    EXPECT_EQ(event->kind, Operation::Kind::Until);
    EXPECT_EQ(event->name, "CamVer");
    auto pictures = parseOperation("until=shown:12", error);
    ASSERT_TRUE(pictures) << error;
    EXPECT_EQ(pictures->kind, Operation::Kind::Until);
    EXPECT_TRUE(pictures->name.empty());
    EXPECT_EQ(pictures->pictures, 12);

    for (const char* bad : {"sleep=abc", "sleep=-1", "Layout", "=3", "Set User(1)", "F(\"open", "F(abc)", "F(1 2)",
                            "until=", "until=shown:0", "until=shown:x", "until=Cam Ver", "until=shown:"})
        EXPECT_FALSE(parseOperation(bad, error)) << bad;
}

TEST(Operations, ValuesFollowTheMemberTypeAndPrintOnOneLine)
{
    const MemberInfo i4 = platform::component::property(4, "Layout", ArgType::I4, true, true);
    const MemberInfo text = platform::component::property(3, "URL", ArgType::Bstr, true, true);
    EXPECT_EQ(putValue(i4, "2"), Variant(2));
    EXPECT_EQ(putValue(i4, "two"), Variant("two")); // the control's type check answers
    EXPECT_EQ(putValue(text, "42"), Variant("42"));
    EXPECT_EQ(formatValue(Variant("a \"q\"\r\nb\\")), "\"a \\\"q\\\"\\r\\nb\\\\\"");
    EXPECT_EQ(formatResult(0, ""), "0");
    EXPECT_EQ(formatResult(int32_t(0x80020009), "0-255"), "0x80020009 \"0-255\"");
    EXPECT_EQ(parseSize("640x480"), (std::pair<int, int>(640, 480)));
    EXPECT_FALSE(parseSize("0x480"));
    EXPECT_FALSE(parseSize("640*480"));
}

namespace {

struct CtlRun {
    int status = -1;
    std::string out;
};

CtlRun runCtl(const std::string& registry, const std::string& args)
{
    const char* bin = std::getenv("OCULON_BUILD_BIN");
    const std::string cmd = "STROVIX_REGISTRY='" + registry + "' XDG_CONFIG_HOME='" + registry +
        "-config' QT_QPA_PLATFORM=offscreen '" +
        std::string(bin ? bin : ".") + "/strovixctl' " + args + " 2>/dev/null";
    CtlRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace

TEST(Strovixctl, RegistersListsAndDrivesAControlThroughTheRegistry)
{
    TempDir dir;
    const std::string reg = dir.file("registry");
    EXPECT_EQ(runCtl(reg, "run Layout=2").status, 1) << "not registered yet";
    EXPECT_EQ(runCtl(reg, "bogus").status, 2);

    CtlRun r = runCtl(reg, "register");
    ASSERT_EQ(r.status, 0) << r.out;
    r = runCtl(reg, "members");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("-501 get/put BackColor COLOR\n"), std::string::npos);
    EXPECT_NE(r.out.find("2 put CamHeight I4\n"), std::string::npos);
    EXPECT_NE(r.out.find("50 method ExCmd(BSTR Request, VARIANT* ReqBuf, out I4 BufSize)\n"), std::string::npos);
    EXPECT_NE(r.out.find("12 event ImageTuning(I4 choice, I4 value)\n"), std::string::npos);
    EXPECT_NE(r.out.find("79 get/put Zoom I4\n80 get/put ZoomMode I4\n81 method ZoomIn()\n82 method ZoomOut()\n"
                         "83 method ZoomOff()\n"),
              std::string::npos);

    EXPECT_EQ(runCtl(reg, "run NoSuchMember=1").status, 2);
    EXPECT_EQ(runCtl(reg, "run --size 0x0 Layout=2").status, 2);

    const std::string shot = dir.file("shot.png");
    r = runCtl(reg, "run --seconds 0.1 --size 320x240 --screenshot '" + shot +
                            "' Layout=2 'Layout?' ShowIntervalTime=-1 JpgNumInAvi=10000 'SetExStatus(5, 9)' "
                            "'GetExStatus(1)' sleep=0.1 'GetMyself()'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "pane 3 \"1 X 1\"\n"
                     "event Layout(1)\n"
                     "pane 3 \"2 X 2\"\n"
                     "event Layout(4)\n"
                     "put Layout -> 0\n"
                     "get Layout -> 0 4\n"
                     "put ShowIntervalTime -> 0x80020009 \"IntervalTime is greater than 0\"\n"
                     "put JpgNumInAvi -> 1\n"
                     "call SetExStatus -> 0\n"
                     "call GetExStatus -> 0 9\n"
                     "call GetMyself -> 1 empty\n"
                     "shown 0\n");
    EXPECT_EQ(dir.read("shot.png").substr(1, 3), "PNG");

    r = runCtl(reg, "unregister");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(runCtl(reg, "members").status, 1);
}

TEST(Strovixctl, ShowsALiveCameraEndToEnd)
{
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim is not built";
    CamsimProcess cam({"--audio-off"});
    ASSERT_TRUE(cam.started());
    TempDir dir;
    const std::string reg = dir.file("registry");
    ASSERT_EQ(runCtl(reg, "register").status, 0);
    const std::string shot = dir.file("shot.png");
    // Each "until" waits for what the checks below look for (at most 60 s each),
    // so a slow machine takes longer instead of failing.
    CtlRun r = runCtl(reg, "run --seconds 0 --screenshot '" + shot + "' --credentials administrator:admin URL=" +
                               cam.url() + " until=Status until=UserCheck until=Frequency until=ServerAudio until=CamVer"
                               " until=GetCamName until=Resolution until=Quality until=ImageTuning until=shown:11"
                               " Layout=2 'Open?' 'GetMyself()' 'Brightness=256'");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* line : {"put URL -> 0\n", "event Status(1)\n", "event UserCheck(", "event Frequency(",
                             "event ServerAudio(", "event CamVer(\"", "event GetCamName(\"Camera 1\")\n",
                             "event Resolution(3)\n", "event Quality(2)\n", "event ImageTuning(4, ",
                             "event Layout(4)\n", "pane 0 \"Open\"\n", "pane 1 \"640 X 480\"\n",
                             "get Open -> 0 1\n", "call GetMyself -> 0 \"administrator\"\n",
                             "put Brightness -> 0x80020009 \"0-255\"\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    const size_t at = r.out.rfind("shown ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(std::atoi(r.out.c_str() + at + 6), 10);
    EXPECT_EQ(r.out.find("timed out"), std::string::npos) << r.out;
    EXPECT_EQ(dir.read("shot.png").substr(1, 3), "PNG");
}
