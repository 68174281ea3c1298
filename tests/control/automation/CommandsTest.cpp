#include "DispatchHost.h"
#include "FakeCamera.h"
#include "control/automation/Commands.h"
#include "control/automation/MemberTable.h"
#include "control/automation/VidorraControl.h"
#include "control/automation/VidorraIdentity.h"
#include "control/session/ThreadStart.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace platform::component;
using namespace strovix;

TEST(CommandPaths, ArgumentsGoInAsGivenWithTheirOptionalPieces)
{
    EXPECT_EQ(paths::setIp(1, "", "", "", "", "", ""), "/SetIP.cgi?IPWay=dhcp&IP=&Netmask=&Gateway=&DNS0=&DNS1=&DNS2=");
    EXPECT_EQ(paths::setIp(0, "10.0.0.2", "255.0.0.0", "g", "a", "b", "c"),
              "/SetIP.cgi?IPWay=manually&IP=10.0.0.2&Netmask=255.0.0.0&Gateway=g&DNS0=a&DNS1=b&DNS2=c");
    EXPECT_EQ(paths::sendMail("s", "f", "t", "subj", "body", "att", "pw", 0),
              "/SendMail.cgi?MailServer=s&Sender=f&Receiver=t&Subject=subj&AttachFile=att&Content=body");
    EXPECT_EQ(paths::sendMail("s", "f", "t", "j", "c", "a", "pw", 2),
              "/SendMail.cgi?MailServer=s&Sender=f&Receiver=t&Subject=j&AttachFile=a&Content=c&PassWord=pw&CheckFlag=CHECK");
    EXPECT_EQ(paths::setMail("s", "f", "t", "pw", 0, 1), "/SetMail.cgi?MailServer=s&Sender=f&Receiver=t&Enable=true");
    EXPECT_EQ(paths::setMail("s", "f", "t", "pw", 1, 0),
              "/SetMail.cgi?MailServer=s&Sender=f&Receiver=t&PassWord=pw&CheckFlag=CHECK&Enable=false");
    EXPECT_EQ(paths::pppoe(false, "u", "p", 1, "s", "f", "t", "mp", 0),
              "/PPPoE.cgi?Action=Set&User=u&Pass=p&Mail=true&MailServer=s&Sender=f&Receiver=t&PassWord=mp");
    EXPECT_EQ(paths::pppoe(true, "u", "p", 0, "s", "f", "t", "mp", 1),
              "/PPPoE.cgi?Action=Connect&User=u&Pass=p&Mail=false&MailServer=s&Sender=f&Receiver=t&PassWord=mp&CheckFlag=CHECK");
    EXPECT_EQ(paths::openModem("u", "p", "123"), "/PPPoE.cgi?Action=Connect&User=u&Pass=p&Phone=123");
    EXPECT_EQ(paths::setFtp("h", "u", "p", "a", "/up", -3), "/SetFtp.cgi?FtpServer=h&User=u&Pass=p&Account=a&UploadPath=/up&Enable=true");
    EXPECT_EQ(paths::frequency(0), "/ChangeAECFrequency.cgi?Frequency=Outdoor");
    EXPECT_EQ(paths::frequency(2), "/ChangeAECFrequency.cgi?Frequency=60");
    EXPECT_EQ(paths::setTime(-5, -480), "/SetTime.cgi?Sec1970=-5&TimeZone=-480");
    EXPECT_EQ(paths::setUser("a&b c", "p w"), "/SetUser.cgi?User=a&b c&Pass=p w");
    EXPECT_EQ(paths::motionDetect(0), "/SetMotionDetect.cgi?Enable=false");
    // Open decides by the state before the call; unknown state by the value.
    EXPECT_EQ(paths::openClose(0, 1), "/OpenCamera.cgi");
    EXPECT_EQ(paths::openClose(1, 0), "/CloseCamera.cgi");
    EXPECT_EQ(paths::openClose(-1, 0), "/CloseCamera.cgi");
    EXPECT_EQ(paths::openClose(-1, 1), "/OpenCamera.cgi");
}

namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        control = ComPtr<VidorraControl>::adopt(new VidorraControl(camera.factory()));
        host.d = control.get();
        control->advise(kIidIVidorraEvents, &events, &cookie);
        ASSERT_TRUE(connectToNobody(host, *control, camera.base));
        ASSERT_TRUE(logIn(*control, 2, "admin"));
    }
    void TearDown() override { control.reset(); }
    bool waitFor(EventId e, size_t n = 1)
    {
        return pumpUntil([&] { return events.of(id(e)).size() >= n; });
    }

    FakeCamera camera;
    EventLog events;
    uint32_t cookie = 0;
    ComPtr<VidorraControl> control;
    DispatchHost host;
};

} // namespace

TEST_F(Commands, UserRepliesArriveThroughGetAllUser)
{
    camera.answers["/SetUser.cgi"] = {0, "users after set\n"};
    camera.answers["/DelUser.cgi"] = {0, "users after delete\n"};
    EXPECT_EQ(host.call("SetUser", {"a&b", "pw"}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetAllUser));
    EXPECT_EQ(host.call("DelUser", {"a&b"}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetAllUser, 2));
    const auto got = events.of(id(EventId::GetAllUser));
    EXPECT_EQ(got[0], std::vector<Variant>{Variant("users after set\n")});
    EXPECT_EQ(got[1], std::vector<Variant>{Variant("users after delete\n")});
    EXPECT_EQ(camera.paths(), (std::vector<std::string>{"/SetUser.cgi?User=a&b&Pass=pw", "/DelUser.cgi?User=a&b"}));
}

TEST_F(Commands, EachReplyFiresItsEventAndFailuresFireNothing)
{
    camera.answers["/GetMail.cgi"] = {0, "mail"};
    camera.answers["/GetFtp.cgi"] = {7, "server error page"};
    camera.answers["/GetIP.cgi"] = {0, "ip"};
    // The connection thread keeps trying the unreachable camera meanwhile.
    const size_t connectionWorkers = control->session().workers().size();
    EXPECT_EQ(host.call("GetFtp", {}), S_OK);
    EXPECT_EQ(host.call("GetMail", {}), S_OK);
    EXPECT_EQ(host.call("GetIP", {}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetMail));
    ASSERT_TRUE(waitFor(EventId::GetIP));
    pumpUntil([&] { return control->session().workers().size() == connectionWorkers; });
    EXPECT_EQ(control->running(), 0u);
    EXPECT_EQ(control->session().workers().size(), connectionWorkers) << "every worker is joined after its end message";
    EXPECT_TRUE(events.of(id(EventId::GetFtp)).empty());
    EXPECT_EQ(events.of(id(EventId::GetMail))[0], std::vector<Variant>{Variant("mail")});
}

// A command whose thread cannot be started fails as a refused request does:
// nothing is sent, nothing fires, nothing stays running; the next one works.
TEST_F(Commands, ACommandWithoutAThreadFailsQuietly)
{
    camera.answers["/GetMail.cgi"] = {0, "mail"};
    failNextThreadStarts(1);
    EXPECT_EQ(host.call("GetMail", {}), S_OK);
    EXPECT_EQ(control->running(), 0u);
    EXPECT_TRUE(camera.paths().empty());
    EXPECT_EQ(host.call("GetMail", {}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetMail));
    EXPECT_EQ(events.of(id(EventId::GetMail)).size(), 1u);
    EXPECT_EQ(camera.paths(), std::vector<std::string>{"/GetMail.cgi"});
}

TEST_F(Commands, CameraNameIsReadBackAfterARename)
{
    camera.answers["/GetName.cgi"] = {0, "Model = X\nCameraName = Front door\n"};
    // A slow rename that fails: the name is asked for only once it ended.
    camera.answers["/SetIP.cgi"] = {7, "", 3000};
    EXPECT_EQ(host.put("CamName", "Front door"), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return !camera.paths().empty(); }));
    pumpFor(150);
    EXPECT_EQ(camera.paths(), std::vector<std::string>{"/SetIP.cgi?CameraName=Front door"});
    ASSERT_TRUE(waitFor(EventId::GetCamName));
    EXPECT_EQ(camera.paths(), (std::vector<std::string>{"/SetIP.cgi?CameraName=Front door", "/GetName.cgi"}));
    EXPECT_EQ(host.get("CamName"), Variant("Front door"));
    // A reply without the name fires the previous one.
    camera.answers["/GetName.cgi"] = {0, "Model = X\n"};
    control->reports().requestCamName();
    ASSERT_TRUE(waitFor(EventId::GetCamName, 2));
    EXPECT_EQ(events.of(id(EventId::GetCamName))[1], std::vector<Variant>{Variant("Front door")});
}

TEST_F(Commands, VersionReplySetsTheFlagAndFiresCamVer)
{
    camera.answers["/GetVer.cgi"] = {0, "CamVer = 5.06\nCamVer = 5.06\n"};
    EXPECT_EQ(host.call("GetCamVersion", {}), S_OK);
    ASSERT_TRUE(waitFor(EventId::CamVer));
    EXPECT_EQ(events.of(id(EventId::CamVer))[0], std::vector<Variant>{Variant("5.06")});
    EXPECT_EQ(control->camera().camVersionFlag, 0);
}

TEST_F(Commands, ExCmdHandsOutTheReplyBytes)
{
    camera.answers["/raw.cgi"] = {0, std::string("ab\0cd", 5)};
    std::vector<Variant> args{"raw.cgi?x=1", Variant(), Variant()};
    EXPECT_EQ(host.call("ExCmd", args), S_OK);
    EXPECT_EQ(args[2], Variant(5));
    ASSERT_EQ(args[1].type(), Variant::Type::BytesRef);
    EXPECT_EQ(*args[1].buffer(), (std::vector<uint8_t>{'a', 'b', 0, 'c', 'd'}));
    ASSERT_TRUE(waitFor(EventId::ExCmd));
    EXPECT_EQ(events.of(id(EventId::ExCmd))[0], std::vector<Variant>{Variant(5)});

    // No reference given: the request still runs, the result says so.
    args = {"raw.cgi", Variant::null(), Variant()};
    EXPECT_EQ(host.call("ExCmd", args), S_FALSE);
    EXPECT_EQ(args[2], Variant(-1));

    camera.answers["/bad.cgi"] = {128, ""};
    args = {"bad.cgi", Variant(), Variant()};
    EXPECT_EQ(host.call("ExCmd", args), S_OK);
    EXPECT_EQ(args[2], Variant(-1));
    ASSERT_TRUE(waitFor(EventId::ExCmd, 3));
    EXPECT_EQ(events.of(id(EventId::ExCmd))[2], std::vector<Variant>{Variant(-1)});
    EXPECT_EQ(camera.paths()[0], "/raw.cgi?x=1");
}

TEST_F(Commands, JspExCmdReturnsTheHeldTextAndSaysWhetherThisRequestSucceeded)
{
    camera.answers["/a.jsp"] = {0, "first"};
    camera.answers["/b.jsp"] = {3, ""};
    std::vector<Variant> args{"a.jsp", Variant()};
    EXPECT_EQ(host.call("JspExCmd", args), S_OK);
    EXPECT_EQ(args[1], Variant("first"));
    args = {"b.jsp", Variant()};
    EXPECT_EQ(host.call("JspExCmd", args), S_FALSE);
    EXPECT_EQ(args[1], Variant("first"));
}

TEST_F(Commands, AWaitThatRunsOutAbortsTheRequest)
{
    // The reply would come long after the wait; the call returns after its
    // wait (never before), with no reply, however loaded the machine.
    camera.answers["/slow"] = {0, "late", 60000};
    std::vector<Variant> args{"slow", Variant(), Variant()};
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(host.call("ExCmd", args), S_OK);
    EXPECT_GE(t.elapsed(), MemberTable::kExCmdWaitMs - 50);
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_EQ(args[2], Variant(-1));
}

TEST_F(Commands, ReleasingTheControlStopsRunningCommandsWithinTheBound)
{
    // The reply would take a minute: the release ends the command instead
    // of waiting for it.
    camera.answers["/GetLog.cgi"] = {0, "log", 60000};
    EXPECT_EQ(host.call("GetLog", {}), S_OK);
    QElapsedTimer t;
    t.start();
    control.reset();
    EXPECT_LT(t.elapsed(), 30000);
    pumpFor(20); // nothing of the released control runs any more
    EXPECT_TRUE(events.of(id(EventId::GetLog)).empty());
}

// The handler table and the interface's member table name the same members
// with the same kinds: a member added to one and forgotten in the other
// would answer DISP_E_MEMBERNOTFOUND to a valid call, or be unreachable.
TEST(MemberHandlers, CoverEveryMemberOfTheInterfaceExactlyOnce)
{
    const auto& members = vidorraInterface().members;
    const auto entries = MemberTable::entries();
    EXPECT_EQ(entries.size(), members.size());
    for (const MemberInfo& m : members) {
        SCOPED_TRACE(std::string(m.name));
        const auto matching = std::count_if(entries.begin(), entries.end(),
                                            [&](const MemberTable::Entry& e) { return id(e.dispid) == m.dispid; });
        ASSERT_EQ(matching, 1);
        const auto e = std::find_if(entries.begin(), entries.end(),
                                    [&](const MemberTable::Entry& x) { return id(x.dispid) == m.dispid; });
        EXPECT_EQ(e->get != nullptr, m.allows(InvokeKind::PropertyGet));
        EXPECT_EQ(e->put != nullptr, m.allows(InvokeKind::PropertyPut));
        EXPECT_EQ(e->call != nullptr, m.allows(InvokeKind::Method));
    }
}
