// camsim's ordinary requests over loopback: state changes seen in the status
// block, authentication and roles, users, stored settings, the request log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ServerFixture.h"
#include "support/TempDir.h"

using namespace camsim;
using namespace camsim::test;

namespace {

std::string status(int port) { return get(port, "/GetStatus.cgi").body; }

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(CamsimRequests, EveryChangeCommandShowsInTheStatusBlock)
{
    auto server = startServer({"--cameras", "2"});
    ASSERT_TRUE(server);
    const int port = server->ports()[1];
    const std::string before = status(port);
    ASSERT_EQ(before.size(), 86u);
    EXPECT_EQ(before.substr(0, 2), "01");
    EXPECT_EQ(before[21], '3'); // 640 x 480
    EXPECT_EQ(before[22], '2');

    struct Step {
        std::string target;
        size_t column;
        std::string expected;
    };
    const Step steps[] = {
        {"/ChangeBrightness.cgi?Brightness=200", 15, "200"},
        {"/ChangeContrast.cgi?Contrast=7", 18, "007"},
        {"/ChangeSaturation.cgi?Saturation=31", 57, "031"},
        {"/ChangeHue.cgi?Hue=255", 66, "255"},
        {"/ChangeSharpness.cgi?Sharpness=0", 69, "000"},
        {"/ChangeResolution.cgi?ResType=0", 21, "0"},
        {"/ChangeCompressRatio.cgi?Ratio=4", 22, "4"},
        {"/CloseCamera.cgi", 0, "00"},
        {"/OpenCamera.cgi", 0, "01"},
        {"/SetUserCheck.cgi?Check=true", 31, "1"},
        {"/SetMotionDetect.cgi?Enable=true", 72, "1"},
        {"/ChangeAECFrequency.cgi?Frequency=Outdoor", 73, "0"},
        {"/ChangeAECFrequency.cgi?Frequency=60", 73, "2"},
        {"/SetAudio.cgi?Enable=false", 81, "0"},
        {"/SetTime.cgi?Sec1970=1000000000&TimeZone=-480", 82, "01"},
        {"/SetIP.cgi?CameraName=Gate", 84, "01"},
        {"/SetIP.cgi?CameraName=Yard", 84, "02"},
    };
    for (const Step& step : steps) {
        const auto reply = get(port, step.target);
        EXPECT_EQ(reply.status, 200) << step.target;
        EXPECT_EQ(status(port).substr(step.column, step.expected.size()), step.expected) << step.target;
    }
    // Refused values change nothing.
    const std::string settled = status(port);
    for (const char* target : {"/ChangeBrightness.cgi?Brightness=256", "/ChangeResolution.cgi?ResType=8",
                               "/ChangeCompressRatio.cgi?Ratio=x", "/ChangeAECFrequency.cgi?Frequency=55",
                               "/SetAudio.cgi?Enable=maybe", "/ChangeHue.cgi", "/SetTime.cgi?Sec1970=5"})
        EXPECT_EQ(get(port, target).status, 400) << target;
    EXPECT_EQ(status(port).substr(0, 60), settled.substr(0, 60));
    EXPECT_EQ(status(port).substr(66), settled.substr(66));

    EXPECT_EQ(get(port, "/GetName.cgi").body, "CameraName = Yard\n");
    const std::string time = get(port, "/GetTime.cgi").body;
    EXPECT_EQ(time.substr(0, 18), "Sec1970 = 10000000"); // plus the seconds since
    EXPECT_NE(time.find("\nTimeZone = -480\n"), std::string::npos);
    // The other camera kept its own state.
    EXPECT_EQ(status(server->ports()[0]).substr(15, 3), "128");
    EXPECT_EQ(get(server->ports()[0], "/GetName.cgi").body, "CameraName = Camera 1\n");
}

TEST(CamsimRequests, MotionCounterRunsWhileDetectionIsOn)
{
    auto server = startServer({"--motion-interval", "50"});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];
    const std::string off = status(port).substr(60, 6);
    usleep(150000);
    EXPECT_EQ(status(port).substr(60, 6), off);
    get(port, "/SetMotionDetect.cgi?Enable=true");
    usleep(200000);
    const std::string on = status(port).substr(60, 6);
    EXPECT_GE(std::stoi(on), 3);
    get(port, "/SetMotionDetect.cgi?Enable=false");
    const std::string stopped = status(port).substr(60, 6);
    usleep(150000);
    EXPECT_EQ(status(port).substr(60, 6), stopped);
}

TEST(CamsimRequests, MotionOnRequestStepsTheCounterAtOnce)
{
    auto server = startServer({"--motion-interval", "0"});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];
    get(port, "/SetMotionDetect.cgi?Enable=true");
    const int before = std::stoi(status(port).substr(60, 6));
    usleep(100000);
    EXPECT_EQ(std::stoi(status(port).substr(60, 6)), before) << "interval 0: no motion by itself";
    EXPECT_EQ(get(port, "/SimulateMotion.cgi", "guest", "guest").status, 200) << "any user";
    EXPECT_EQ(std::stoi(status(port).substr(60, 6)), before + 1);
    EXPECT_EQ(get(port, "/SimulateMotion.cgi", "", "").status, 401);
    EXPECT_EQ(status(port)[72], '1') << "the switch stays as it was";

    // Everyone taken as the guest: a user's login, no administration.
    auto guests = startServer({"--no-auth-as", "guest"});
    ASSERT_TRUE(guests);
    const int guestPort = guests->ports()[0];
    EXPECT_EQ(get(guestPort, "/GetMyself.cgi", "", "").body, "guest");
    EXPECT_EQ(status(guestPort)[23], '1');
    EXPECT_NE(get(guestPort, "/SetMotionDetect.cgi?Enable=true", "", "").status, 200);
    EXPECT_EQ(get(guestPort, "/SimulateMotion.cgi", "", "").status, 200);
}

TEST(CamsimRequests, AuthenticationAndRoles)
{
    auto server = startServer({});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];

    const auto anonymous = get(port, "/GetStatus.cgi", "", "");
    EXPECT_EQ(anonymous.status, 401);
    EXPECT_EQ(anonymous.header("www-authenticate"), "Basic realm=\"camsim\"");
    EXPECT_EQ(get(port, "/GetStatus.cgi", "administrator", "wrong").status, 401);
    EXPECT_EQ(get(port, "/GetStatus.cgi", "Administrator", "admin").status, 401); // names are exact
    EXPECT_EQ(get(port, "/NoSuch.cgi", "", "").status, 401);
    EXPECT_EQ(get(port, "/NoSuch.cgi").status, 404);

    const auto mine = get(port, "/GetMyself.cgi", "guest", "guest");
    EXPECT_EQ(mine.status, 200);
    EXPECT_EQ(mine.body, "guest");
    EXPECT_EQ(mine.head.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(mine.header("content-length"), "5");
    EXPECT_EQ(get(port, "/GetStatus.cgi", "guest", "guest").body[23], '1');
    EXPECT_EQ(get(port, "/GetStatus.cgi").body[23], '0');
    EXPECT_EQ(get(port, "/GetVer.cgi?VName=Camera", "guest", "guest").body, "CamVer = 510\n");

    // Administration refused to a user, and nothing changed.
    for (const char* target : {"/ChangeBrightness.cgi?Brightness=1", "/CloseCamera.cgi", "/GetUser.cgi",
                               "/SetIP.cgi?CameraName=X", "/GetLog.cgi", "/PPPoE.cgi?Action=GetSetting"})
        EXPECT_EQ(get(port, target, "guest", "guest").status, 401) << target;
    const std::string block = status(port);
    EXPECT_EQ(block.substr(0, 2), "01");
    EXPECT_EQ(block.substr(15, 3), "128");
    EXPECT_EQ(get(port, "/GetName.cgi", "guest", "guest").body, "CameraName = Camera 1\n");

    // The pan/tilt request comes without credentials and is taken.
    Socket move(port);
    ASSERT_TRUE(move.send("GET /Camera_Move.cgi?CameraMoveType=3 HTTP/1.0\r\n\r\n"));
    const auto moved = splitResponse(move.readAll(20000, 4096));
    EXPECT_EQ(moved.status, 200);
    EXPECT_EQ(server->camera(0).with([](CameraState& s) { return std::make_pair(s.lastMove, s.moves); }),
              std::make_pair(3, uint64_t(1)));

    // An HTTP/1.1 request gets the same HTTP/1.0 answer; other methods are refused.
    Socket v11(port);
    ASSERT_TRUE(v11.send("GET /GetMyself.cgi HTTP/1.1\r\nHost: x\r\n" + authHeader("guest", "guest") + "\r\n"));
    EXPECT_EQ(splitResponse(v11.readAll(20000, 4096)).head.substr(0, 15), "HTTP/1.0 200 OK");
    Socket post(port);
    ASSERT_TRUE(post.send("POST /GetMyself.cgi HTTP/1.0\r\n" + authHeader("guest", "guest") + "\r\n"));
    EXPECT_EQ(splitResponse(post.readAll(20000, 4096)).status, 405);

    auto open = startServer({"--no-auth"});
    ASSERT_TRUE(open);
    EXPECT_EQ(get(open->ports()[0], "/GetMyself.cgi", "", "").body, "administrator");
    EXPECT_EQ(get(open->ports()[0], "/CloseCamera.cgi", "", "").status, 200);
}

TEST(CamsimRequests, UserTable)
{
    auto server = startServer({"--crlf"});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];
    EXPECT_EQ(get(port, "/GetUser.cgi").body,
              "User1 = administrator\r\nPrivilege1 = Administrator\r\nUser2 = guest\r\nPrivilege2 = User\r\n");
    const auto added = get(port, "/SetUser.cgi?User=night%20guard&Pass=s3cret");
    EXPECT_NE(added.body.find("User3 = night guard\r\nPrivilege3 = User\r\n"), std::string::npos);
    EXPECT_EQ(get(port, "/GetMyself.cgi", "night guard", "s3cret").body, "night guard");
    EXPECT_EQ(get(port, "/GetUser.cgi", "night guard", "s3cret").status, 401); // an ordinary user

    get(port, "/SetUser.cgi?User=guest&Pass=new");
    EXPECT_EQ(get(port, "/GetMyself.cgi", "guest", "guest").status, 401);
    EXPECT_EQ(get(port, "/GetMyself.cgi", "guest", "new").status, 200);

    const auto deleted = get(port, "/DelUser.cgi?User=guest");
    EXPECT_EQ(deleted.body.find("guest"), std::string::npos);
    EXPECT_EQ(get(port, "/GetMyself.cgi", "guest", "new").status, 401);
    // The last administrator cannot be deleted.
    EXPECT_NE(get(port, "/DelUser.cgi?User=administrator").body.find("User1 = administrator"), std::string::npos);
    EXPECT_EQ(get(port, "/GetMyself.cgi").body, "administrator");
    EXPECT_EQ(get(port, "/SetUser.cgi?Pass=x").status, 400);
}

TEST(CamsimRequests, StoredSettingsComeBack)
{
    auto server = startServer({});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];
    get(port, "/SetMail.cgi?MailServer=mail.example&Sender=cam@example&Receiver=me@example&Enable=true");
    EXPECT_EQ(get(port, "/GetMail.cgi").body,
              "MailServer = mail.example\nSender = cam@example\nReceiver = me@example\nEnable = true\n");
    EXPECT_EQ(get(port, "/SendMail.cgi?MailServer=m&Subject=hi").status, 200);

    EXPECT_EQ(get(port, "/PPPoE.cgi?Action=GetSetting").body, "Status = Disconnected\n");
    get(port, "/PPPoE.cgi?Action=Set&User=u&Pass=p&Mail=false");
    EXPECT_EQ(get(port, "/PPPoE.cgi?Action=GetSetting").body, "User = u\nPass = p\nMail = false\nStatus = Disconnected\n");
    get(port, "/PPPoE.cgi?Action=Connect&User=u2&Pass=p2");
    EXPECT_EQ(get(port, "/PPPoE.cgi?Action=GetSetting").body, "User = u2\nPass = p2\nStatus = Connected\n");
    get(port, "/PPPoE.cgi?Action=Disconnect");
    EXPECT_NE(get(port, "/PPPoE.cgi?Action=GetSetting").body.find("Status = Disconnected"), std::string::npos);
    EXPECT_EQ(get(port, "/PPPoE.cgi?Action=Dance").status, 400);

    get(port, "/Modem.cgi?Action=Set&User=m&Pass=n&Phone=123");
    EXPECT_EQ(get(port, "/Modem.cgi?Action=GetInfo").body, "User = m\nPass = n\nPhone = 123\nStatus = Disconnected\n");

    get(port, "/SetFtp.cgi?FtpServer=f&User=a&Pass=b&Account=c&UploadPath=/up&Enable=false");
    EXPECT_EQ(get(port, "/GetFtp.cgi").body, "FtpServer = f\nUser = a\nPass = b\nAccount = c\nUploadPath = /up\nEnable = false\n");

    get(port, "/SetIP.cgi?IPWay=dhcp&IP=&Netmask=&Gateway=&DNS0=&DNS1=&DNS2=");
    const std::string ip = get(port, "/GetIP.cgi").body;
    EXPECT_EQ(ip.substr(0, 22), "IPWay = dhcp\nIP = \nNet");
    EXPECT_NE(ip.find("Port = " + std::to_string(port) + "\n"), std::string::npos);
    EXPECT_EQ(status(port).substr(84, 2), "00"); // no rename without CameraName
}

TEST(CamsimRequests, RequestLogHoldsTheExactTargets)
{
    TempDir dir;
    const std::string logFile = dir.file("requests.log");
    auto server = startServer({"--cameras", "2", "--log", logFile});
    ASSERT_TRUE(server);
    get(server->ports()[1], "/SetUser.cgi?User=a b&Pass=x%20y");
    get(server->ports()[0], "/GetMyself.cgi", "guest", "guest");
    get(server->ports()[0], "/GetStatus.cgi", "", "");
    Socket move(server->ports()[1]);
    move.send("GET /Camera_Move.cgi?CameraMoveType=5 HTTP/1.0\r\n\r\n");
    move.readAll(20000, 4096);
    EXPECT_EQ(readFile(logFile),
              "cam=1 user=administrator GET /SetUser.cgi?User=a b&Pass=x%20y\n"
              "cam=0 user=guest GET /GetMyself.cgi\n"
              "cam=0 user=- GET /GetStatus.cgi\n"
              "cam=1 user=- GET /Camera_Move.cgi?CameraMoveType=5\n");
    const std::string cameraLog = get(server->ports()[1], "/GetLog.cgi").body;
    EXPECT_NE(cameraLog.find("cam=1 user=administrator GET /SetUser.cgi?User=a b&Pass=x%20y\n"), std::string::npos);
    EXPECT_EQ(cameraLog.find("GetMyself"), std::string::npos); // each camera logs its own requests
}
