// Linked into every test program: the folders the tests find programs and
// data in, and the offscreen platform for widget tests, unless the caller's
// environment already says otherwise. Runs before main().
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment()
    {
        ::setenv("OCULON_BUILD_BIN", OCULON_TEST_BUILD_BIN, 0);
        ::setenv("OCULON_SOURCE_DIR", OCULON_TEST_SOURCE_DIR, 0);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // No one listens to a test: a machine without a sound device plays into nothing.
        ::setenv("STROVIX_NULL_AUDIO", "1", 0);
    }
} g_testEnvironment;
} // namespace
