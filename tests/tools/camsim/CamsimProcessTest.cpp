// The camsim program as other tests start it: command line, the listening
// line, the request log on standard output, and a clean exit on signals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

#include "ServerFixture.h"

extern char** environ;

using namespace camsim::test;

namespace {

// A running camsim with its standard output and error read through pipes.
class Program {
public:
    explicit Program(std::vector<std::string> args)
    {
        // The folder of the built programs, or else the program this test was built with.
        const char* bin = std::getenv("OCULON_BUILD_BIN");
        const std::string path = bin && *bin ? std::string(bin) + "/camsim" : std::string(CAMSIM_PROGRAM);
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv {const_cast<char*>(path.c_str())};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~Program()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_out);
        ::close(m_err);
    }

    bool running() const { return m_pid > 0; }

    // Reads `fd` until `needle` appeared or `timeoutMs` passed; returns what was read.
    static std::string readUntil(int fd, std::string& buffer, const std::string& needle, int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (buffer.find(needle) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p {fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                break;
            buffer.append(chunk, size_t(n));
        }
        return buffer;
    }
    std::string err(const std::string& needle, int timeoutMs = 20000) { return readUntil(m_err, m_errText, needle, timeoutMs); }
    std::string out(const std::string& needle, int timeoutMs = 20000) { return readUntil(m_out, m_outText, needle, timeoutMs); }

    // Exit status after waiting up to `timeoutMs`; -1 if still running.
    int wait(int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    void signal(int sig) { ::kill(m_pid, sig); }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_exited = false;
    std::string m_outText;
    std::string m_errText;
};

} // namespace

TEST(CamsimProgram, ListensLogsAndEndsCleanlyOnSignals)
{
    for (int sig : {SIGTERM, SIGINT}) {
        Program camsim({"--cameras", "3", "--port", "0"});
        ASSERT_TRUE(camsim.running());
        const std::string line = camsim.err("\n");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, std::regex("^camsim: listening on 127\\.0\\.0\\.1:(\\d+)\\.\\.(\\d+)\n")))
            << line;
        const int first = std::stoi(m[1]);
        ASSERT_EQ(std::stoi(m[2]), first + 2);
        EXPECT_EQ(get(first + 2, "/GetName.cgi").body, "CameraName = Camera 3\n");
        EXPECT_NE(camsim.out("\n").find("cam=2 user=administrator GET /GetName.cgi\n"), std::string::npos);
        StreamReader stream(first, "/GetData.cgi?Status=1"); // a stream open at the end must not hold it up
        StreamReader::Part part;
        ASSERT_TRUE(stream.next(part));
        camsim.signal(sig);
        EXPECT_EQ(camsim.wait(20000), 0);
    }
}

TEST(CamsimProgram, CommandLineAnswers)
{
    Program help({"--help"});
    EXPECT_EQ(help.wait(20000), 0);
    const std::string text = help.out("--help    ");
    for (const char* option : {"--cameras", "--port", "--fps", "--bind", "--no-auth", "--crlf", "--log", "--fault",
                               "--serve-seconds", "close-after", "split-eoi", "silent"})
        EXPECT_NE(text.find(option), std::string::npos) << option;

    Program bad({"--cameras", "many"});
    EXPECT_EQ(bad.wait(20000), 2);
    EXPECT_NE(bad.err("\n").find("--cameras"), std::string::npos);

    Program timed({"--port", "0", "--serve-seconds", "0.3", "--quiet"});
    EXPECT_EQ(timed.wait(20000), 0);
}
