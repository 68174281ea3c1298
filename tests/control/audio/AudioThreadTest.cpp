#include "control/audio/AudioThread.h"
#include "control/session/ThreadStart.h"
#include "control/session/VidMessages.h"
#include "support/CamsimProcess.h"
#include "support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <thread>

using namespace strovix;
using namespace media;

namespace {

struct FixedCredentialsProvider : CredentialsProvider {
    FixedCredentialsProvider(std::string u, std::string p) : creds{std::move(u), std::move(p)} {}
    std::optional<Credentials> ask(const std::string&, const std::string&, const std::atomic<int>&) override
    {
        return creds;
    }
    Credentials creds;
};

struct Flags {
    std::shared_ptr<std::atomic<int>> streamStop = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> retryChanged = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> tryNum = std::make_shared<std::atomic<int>>(100);
    std::shared_ptr<std::atomic<int>> tryTime = std::make_shared<std::atomic<int>>(1);
    std::shared_ptr<std::atomic<int>> audio = std::make_shared<std::atomic<int>>(1);
    std::shared_ptr<std::atomic<int>> recordSound = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> deviceFailures = std::make_shared<std::atomic<int>>(0);
};

AudioLink makeLink(const std::string& url, Flags& f, std::shared_ptr<CapturingOutput> out)
{
    AudioLink link;
    link.url = url;
    link.statusRequest = std::make_shared<HttpRequest>();
    link.statusRequest->setCredentials(std::make_shared<FixedCredentialsProvider>("administrator", "admin"),
                                       std::make_shared<CredentialStore>(""));
    link.credentials = std::make_shared<FixedCredentialsProvider>("administrator", "admin");
    link.credentialStore = std::make_shared<CredentialStore>("");
    link.streamStop = f.streamStop;
    link.retryChanged = f.retryChanged;
    link.reconnectTryNum = f.tryNum;
    link.reconnectTryTime = f.tryTime;
    link.audio = f.audio;
    link.recordSound = f.recordSound;
    link.soundBlock = std::make_shared<RecordingSoundBlock>();
    // Counts the device failures; shared with the thread, which may outlive the test's wait.
    struct CountingOwner : AudioOwner {
        std::shared_ptr<std::atomic<int>> failures;
        void deviceFailed() override { ++*failures; }
    };
    auto owner = std::make_shared<CountingOwner>();
    owner->failures = f.deviceFailures;
    link.owner = owner;
    // The capture outlives the thread through this shared pointer.
    link.makeOutput = [out] {
        struct Forward : AudioOutput {
            std::shared_ptr<CapturingOutput> to;
            bool open() override { return to->open(); }
            bool waitFree(int i, const std::atomic<int>& s) override { return to->waitFree(i, s); }
            bool queue(int i, const int16_t* p) override { return to->queue(i, p); }
            void close() override { to->close(); }
        };
        auto f = std::make_unique<Forward>();
        f->to = out;
        return std::unique_ptr<AudioOutput>(std::move(f));
    };
    return link;
}

template <typename Pred>
bool waitUntil(Pred pred, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (pred())
            return true;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

// The strongest of the simulator's four tones in a window (Goertzel), or 0 for silence.
int dominantTone(const std::vector<int16_t>& s, size_t from, size_t n)
{
    int best = 0;
    double bestPower = 1e9; // below this the window is as good as silent
    for (int f : {500, 750, 1000, 1500}) {
        const double w = 2 * M_PI * f / 8000.0, c = 2 * std::cos(w);
        double s1 = 0, s2 = 0;
        for (size_t i = from; i < from + n; ++i) {
            const double s0 = s[i] + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

// The tones heard in order, each run of equal windows counted once.
std::vector<int> toneSequence(const std::vector<int16_t>& samples)
{
    std::vector<int> seq;
    for (size_t at = 0; at + 200 <= samples.size(); at += 200) {
        const int tone = dominantTone(samples, at, 200);
        if (tone && (seq.empty() || seq.back() != tone))
            seq.push_back(tone);
    }
    return seq;
}

void expectCycleOfTones(const std::vector<int>& seq)
{
    const std::vector<int> cycle = {500, 1000, 750, 1500};
    ASSERT_GE(seq.size(), 4u) << "fewer than four tones heard";
    for (size_t i = 1; i < seq.size(); ++i) {
        const auto at = std::find(cycle.begin(), cycle.end(), seq[i - 1]) - cycle.begin();
        EXPECT_EQ(seq[i], cycle[static_cast<size_t>(at + 1) % 4]) << "after tone " << seq[i - 1];
    }
}

} // namespace

TEST(AudioThread, PcmAndAdpcmFromTheCameraCarryTheSameTones)
{
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim not built";
    CamsimProcess cams;
    ASSERT_TRUE(cams.started());
    for (bool adpcm : {false, true}) {
        SCOPED_TRACE(adpcm ? "ADPCM" : "PCM");
        Flags f;
        auto out = std::make_shared<CapturingOutput>();
        AudioThread thread(makeLink(cams.url(), f, out), adpcm);
        // 1.4 s of sound covers more than one round of the four 250 ms tones.
        ASSERT_TRUE(waitUntil([&] { return out->samples().size() >= 11200; }, 8000));
        EXPECT_TRUE(thread.stop(3000));
        EXPECT_EQ(thread.outcome(), AudioThread::Outcome::Stopped);
        EXPECT_EQ(f.audio->load(), 1) << "a stop request leaves Audio as it was";
        expectCycleOfTones(toneSequence(out->samples()));
    }
    EXPECT_EQ(cams.countRequests("/GetAudioData.cgi?Format=Pcm"), 1);
    EXPECT_EQ(cams.countRequests("/GetAudioData.cgi?Format=Adpcm"), 1);
}

TEST(AudioThread, CameraAudioOffEndsWithoutOpeningTheSoundStream)
{
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim not built";
    CamsimProcess cams({"--audio-off"});
    ASSERT_TRUE(cams.started());
    Flags f;
    auto out = std::make_shared<CapturingOutput>();
    AudioThread thread(makeLink(cams.url(), f, out), false);
    ASSERT_TRUE(waitUntil([&] { return !thread.running(); }, 5000));
    EXPECT_EQ(thread.outcome(), AudioThread::Outcome::NoCameraAudio);
    EXPECT_EQ(f.audio->load(), 0);
    EXPECT_EQ(cams.countRequests("/GetStatus.cgi"), 1);
    EXPECT_EQ(cams.countRequests("/GetAudioData.cgi"), 0);
    EXPECT_EQ(out->openCount(), 0);
}

TEST(AudioThread, ABodyEndingInsideABlockStartsAgainFromTheStatusCheck)
{
    ScriptedHttpServer server;
    std::string status(86, '0');
    status[81] = '1';
    server.on("/GetStatus.cgi", ScriptedHttpServer::Script().send(ScriptedHttpServer::reply(200, status)));
    // First stream: one whole PCM block and 44 bytes of the next, then the end.
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/basic\r\n\r\n";
    server.once("/GetAudioData.cgi", ScriptedHttpServer::Script().send(head + std::string(300, '\x01')));
    server.on("/GetAudioData.cgi", ScriptedHttpServer::Script().send(head).hold());

    Flags f;
    auto out = std::make_shared<CapturingOutput>();
    AudioThread thread(makeLink(server.url(), f, out), false);
    ASSERT_TRUE(server.waitForRequests(4, 5000));
    const auto targets = server.requestTargets();
    EXPECT_EQ(targets[0], "/GetStatus.cgi");
    EXPECT_EQ(targets[1], "/GetAudioData.cgi?Format=Pcm");
    EXPECT_EQ(targets[2], "/GetStatus.cgi");
    EXPECT_EQ(targets[3], "/GetAudioData.cgi?Format=Pcm");
    EXPECT_TRUE(waitUntil([&] { return out->openCount() == 2; }, 3000)) << "the device is opened afresh for every stream";
    EXPECT_EQ(out->samples().size(), static_cast<size_t>(kBlockSamples)) << "the partial block is not played";
    EXPECT_EQ(out->samples()[0], 0x0101);
    // A stream that holds without data (for up to 10 s) does not hold up
    // the stop.
    EXPECT_TRUE(thread.stop(3000));
}

TEST(AudioThread, FailuresAndRetries)
{
    {
        SCOPED_TRACE("a device that cannot be opened");
        ScriptedHttpServer server;
        std::string status(86, '0');
        status[81] = '1';
        server.on("/GetStatus.cgi", ScriptedHttpServer::Script().send(ScriptedHttpServer::reply(200, status)));
        server.on("/GetAudioData.cgi", ScriptedHttpServer::Script().send("HTTP/1.0 200 OK\r\n\r\n").hold());
        Flags f;
        auto out = std::make_shared<CapturingOutput>();
        out->failOpen(true);
        AudioThread thread(makeLink(server.url(), f, out), true);
        ASSERT_TRUE(waitUntil([&] { return !thread.running(); }, 5000));
        EXPECT_EQ(thread.outcome(), AudioThread::Outcome::DeviceFailed);
        EXPECT_EQ(f.deviceFailures->load(), 1);
        EXPECT_EQ(f.audio->load(), 0);
    }
    {
        SCOPED_TRACE("no retries allowed: a 503 gives up");
        ScriptedHttpServer server;
        server.on("/GetStatus.cgi", ScriptedHttpServer::Script().send(ScriptedHttpServer::reply(503, "")));
        Flags f;
        f.tryNum->store(0);
        f.tryTime->store(0);
        auto out = std::make_shared<CapturingOutput>();
        AudioThread thread(makeLink(server.url(), f, out), false);
        ASSERT_TRUE(waitUntil([&] { return !thread.running(); }, 5000));
        EXPECT_EQ(thread.outcome(), AudioThread::Outcome::GaveUp);
        EXPECT_EQ(f.audio->load(), 0);
    }
    {
        SCOPED_TRACE("refused login is fatal");
        ScriptedHttpServer server;
        server.on("/GetStatus.cgi", ScriptedHttpServer::Script().send(ScriptedHttpServer::reply(401, "")));
        Flags f;
        auto out = std::make_shared<CapturingOutput>();
        AudioLink link = makeLink(server.url(), f, out);
        link.statusRequest->setCredentials(nullptr, nullptr);
        AudioThread thread(std::move(link), false);
        ASSERT_TRUE(waitUntil([&] { return !thread.running(); }, 5000));
        EXPECT_EQ(thread.outcome(), AudioThread::Outcome::Fatal);
    }
    {
        SCOPED_TRACE("a retry wait ends as soon as a stop comes");
        ScriptedHttpServer server;
        server.on("/GetStatus.cgi", ScriptedHttpServer::Script().send(ScriptedHttpServer::reply(404, "")));
        Flags f;
        f.tryTime->store(30);
        auto out = std::make_shared<CapturingOutput>();
        AudioThread thread(makeLink(server.url(), f, out), false);
        ASSERT_TRUE(server.waitForRequests(1, 3000));
        // Ended well before the 30 s wait was over.
        EXPECT_TRUE(thread.stop(3000));
        EXPECT_EQ(f.audio->load(), 1);
    }
}

// No thread to play with: the sound is given up (Audio 0) as after any
// other failure, and nothing throws at the owner.
TEST(AudioThread, AThreadThatCannotStartGivesUpTheSound)
{
    ScriptedHttpServer server;
    Flags f;
    auto out = std::make_shared<CapturingOutput>();
    failNextThreadStarts(1);
    AudioThread thread(makeLink(server.url(), f, out), false);
    EXPECT_FALSE(thread.running());
    EXPECT_EQ(thread.outcome(), AudioThread::Outcome::NotStarted);
    EXPECT_EQ(f.audio->load(), 0);
    EXPECT_TRUE(thread.stop(3000));
    EXPECT_TRUE(server.requestTargets().empty());
}

TEST(AudioThread, EachBlockGoesToARunningRecordingThroughTheWindowThread)
{
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim not built";
    int argc = 1;
    char name[] = "audio_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    CamsimProcess cams;
    ASSERT_TRUE(cams.started());

    Flags f;
    f.recordSound->store(1);
    auto out = std::make_shared<CapturingOutput>();
    AudioLink link = makeLink(cams.url(), f, out);
    link.target = std::make_shared<MessageTarget>();
    std::vector<uint8_t> recorded;
    auto block = link.soundBlock;
    link.target->setHandler(WM_VID_RECAUDIO, [&](const VidMessageArgs&) {
        const auto copy = block->copy();
        recorded.insert(recorded.end(), copy.begin(), copy.end());
        return 0L;
    });
    auto target = link.target;
    AudioThread thread(std::move(link), false);
    ASSERT_TRUE(waitUntil([&] { return recorded.size() >= 8 * 256; }, 8000));
    EXPECT_TRUE(thread.stop(3000));
    // What the recording got is exactly what was played, block for block.
    const auto played = out->samples();
    ASSERT_GE(played.size() * 2, recorded.size() - 256);
    EXPECT_EQ(0, std::memcmp(played.data(), recorded.data(), recorded.size() - 256));
    target->close();
}
