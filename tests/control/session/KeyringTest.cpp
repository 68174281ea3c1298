// Remembered camera logins: into the session's keyring when one answers,
// moved there from the file once, and the 0600 file where none answers.
#include "control/session/Credentials.h"
#include "control/session/FieldCodec.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/stat.h>

using namespace strovix;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A session bus of the test's own that starts no service by itself (the
// machine's keyring daemon would be started on demand on the usual one).
// Its address; empty when no bus could be started.
std::string startBus(QProcess& bus, const TempDir& dir)
{
    const std::string config = dir.file("bus.conf");
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                             "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    bus.start("dbus-daemon", {"--config-file=" + QString::fromStdString(config), "--nofork", "--print-address=1"});
    if (!bus.waitForStarted(5000) || !bus.waitForReadyRead(5000))
        return {};
    return QString::fromUtf8(bus.readLine()).trimmed().toStdString();
}

// That bus with a keyring daemon on it, its login keyring unlocked.
class PrivateKeyring {
public:
    explicit PrivateKeyring(const TempDir& dir)
    {
        address = startBus(m_bus, dir);
        if (address.empty())
            return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(address));
        env.insert("HOME", QString::fromStdString(dir.path()));
        env.insert("XDG_DATA_HOME", QString::fromStdString(dir.file("data")));
        ::mkdir(dir.file("run").c_str(), 0700);
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.file("run")));
        m_keyring.setProcessEnvironment(env);
        m_keyring.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
        if (!m_keyring.waitForStarted(5000))
            return;
        // The password on its standard input, then its end: written here,
        // as no event loop runs to write it later.
        m_keyring.write("keyring-test-password");
        m_keyring.waitForBytesWritten(5000);
        m_keyring.closeWriteChannel();
        started = true;
    }
    ~PrivateKeyring()
    {
        m_keyring.terminate();
        m_keyring.waitForFinished(5000);
        m_bus.terminate();
        m_bus.waitForFinished(5000);
    }
    bool started = false;
    std::string address;

private:
    QProcess m_bus;
    QProcess m_keyring;
};

} // namespace

// Each test is a process of its own: the session bus the keyring library
// connects to is chosen once per process.
TEST(Keyring, LoginsGoIntoTheKeyringAndTheFileLosesThem)
{
    TempDir dir;
    PrivateKeyring keyring(dir);
    if (!keyring.started)
        GTEST_SKIP() << "dbus-daemon or gnome-keyring-daemon is not installed";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", keyring.address.c_str(), 1);

    // Logins remembered by a run without a keyring.
    const std::string file = dir.file("cfg/credentials");
    ::mkdir(dir.file("cfg").c_str(), 0700);
    std::ofstream(file) << recordLine("10.0.0.5:80", "boss", "Pw-s3cret") << recordLine("10.0.0.6:81", "guest", "g=1;2");
    ::chmod(file.c_str(), 0600);

    // The keyring daemon takes a moment to come onto the bus.
    bool usesKeyring = false;
    for (int i = 0; i < 100 && !usesKeyring; ++i) {
        usesKeyring = CredentialStore(dir.file("cfg/none")).usesKeyring();
        if (!usesKeyring)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(usesKeyring);
    {
        CredentialStore store(file);
        ASSERT_TRUE(store.usesKeyring());
        EXPECT_EQ(store.lookup("10.0.0.5:80"), (Credentials{"boss", "Pw-s3cret", true}));
        EXPECT_EQ(store.lookup("10.0.0.6:81"), (Credentials{"guest", "g=1;2", true}));
    }
    // Moved: the file holds no login any more; a new run finds them in the keyring.
    EXPECT_EQ(contents(file), "");
    {
        CredentialStore store(file);
        EXPECT_EQ(store.lookup("10.0.0.5:80"), (Credentials{"boss", "Pw-s3cret", true}));
        // A new remembered login, another user for a camera, a refused one.
        store.accepted("10.0.0.7:80", Credentials{"op", "new-pw", true});
        store.accepted("10.0.0.5:80", Credentials{"admin", "other-pw", true});
        store.refused("10.0.0.6:81", Credentials{"guest", "g=1;2", true});
        store.accepted("10.0.0.8:80", Credentials{"once", "not-kept", false});
    }
    CredentialStore later(file);
    EXPECT_EQ(later.lookup("10.0.0.7:80"), (Credentials{"op", "new-pw", true}));
    EXPECT_EQ(later.lookup("10.0.0.5:80"), (Credentials{"admin", "other-pw", true}));
    EXPECT_FALSE(later.lookup("10.0.0.6:81"));
    EXPECT_FALSE(later.lookup("10.0.0.8:80"));
    EXPECT_EQ(contents(file), "");
    // ...and the passwords are in the keyring's own file, not in plain text.
    std::string keyrings;
    for (const char* name : {"login.keyring", "user.keystore"})
        keyrings += contents(dir.file(std::string("data/keyrings/") + name));
    EXPECT_FALSE(keyrings.empty());
    EXPECT_EQ(keyrings.find("new-pw"), std::string::npos);
}

std::vector<std::string> g_logged;

TEST(Keyring, WithoutASecretServiceTheFileServes)
{
    TempDir dir;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        g_logged.push_back(text.toStdString());
    });
    // A bus nobody runs (the test environment's), and one without a keyring.
    for (int pass = 0; pass < 2; ++pass) {
        QProcess bus;
        if (pass == 1) {
            const std::string address = startBus(bus, dir);
            if (address.empty())
                GTEST_SKIP() << "dbus-daemon is not installed";
            ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        }
        const std::string file = dir.file("credentials" + std::to_string(pass));
        const auto start = std::chrono::steady_clock::now();
        {
            CredentialStore store(file);
            EXPECT_FALSE(store.usesKeyring());
            store.accepted("10.0.0.5:80", Credentials{"boss", "Pw-s3cret", true});
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(CredentialStore(file).lookup("10.0.0.5:80"), (Credentials{"boss", "Pw-s3cret", true}));
        // The log says where they are, and never what.
        ASSERT_FALSE(g_logged.empty());
        EXPECT_NE(g_logged.front().find("no Secret Service answers"), std::string::npos) << g_logged.front();
        EXPECT_NE(g_logged.front().find(file), std::string::npos);
        for (const std::string& line : g_logged)
            EXPECT_EQ(line.find("Pw-s3cret"), std::string::npos) << line;
        g_logged.clear();
        bus.terminate();
        bus.waitForFinished(5000);
    }
    qInstallMessageHandler(nullptr);
}
