// Linked into every test program: the folders the tests find programs and
// data in, the offscreen platform for widget tests, silent sound, and a
// private home for the per-user stores (registry, sound settings, camera
// logins) so that no test reads what another run left behind and nothing is
// written into the real user's folders. Runs before main(); the private home
// goes when the program ends.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
struct TestEnvironment {
    std::string home;

    TestEnvironment()
    {
        ::setenv("OCULON_BUILD_BIN", OCULON_TEST_BUILD_BIN, 0);
        ::setenv("OCULON_SOURCE_DIR", OCULON_TEST_SOURCE_DIR, 0);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // No desktop session: no test reaches the developer's keyring or
        // notifications; the tests of those start a bus of their own.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/oculon-test-bus", 1);
        // No one listens to a test: a machine without a sound device plays into nothing.
        ::setenv("STROVIX_NULL_AUDIO", "1", 0);

        std::string pattern = (std::filesystem::temp_directory_path() / "oculon-test-home-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            home = pattern;
            ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
            ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
            ::setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1); // mkdtemp made it 0700
        }
    }
    ~TestEnvironment()
    {
        std::error_code ec;
        if (!home.empty())
            std::filesystem::remove_all(home, ec);
    }
} g_testEnvironment;
} // namespace
