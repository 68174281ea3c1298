// camsim's two endless streams and its faults, over loopback.
#include "media/audio/ImaAdpcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "ServerFixture.h"
#include "TestJpeg.h"
#include "tools/camsim/Audio.h"

using namespace camsim;
using namespace camsim::test;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

long long msSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Waits until `done` holds, at most a bound no loaded machine reaches.
template <class Condition>
bool waitFor(Condition done)
{
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!done() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

// Reads parts until `pictures` JPEG parts arrived; checks the alternation of
// status and picture parts on the way.
std::vector<std::string> readPictures(StreamReader& stream, int pictures, std::vector<std::string>* statuses = nullptr)
{
    std::vector<std::string> out;
    StreamReader::Part part;
    bool expectStatus = true;
    while (int(out.size()) < pictures && stream.next(part)) {
        if (expectStatus) {
            EXPECT_EQ(part.headers, "Content-Type: text/plain\r\n\r\n");
            if (statuses)
                statuses->push_back(part.data);
        } else {
            EXPECT_EQ(part.headers, "Content-Type: image/jpeg\r\n\r\n");
            out.push_back(part.data);
        }
        expectStatus = !expectStatus;
    }
    return out;
}

} // namespace

TEST(CamsimStream, PicturesDecodeChangeAndFollowTheResolution)
{
    auto server = startServer({"--fps", "25"});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];
    StreamReader stream(port, "/GetData.cgi?Status=1");
    const std::string head = stream.head();
    EXPECT_EQ(head.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(head.find("multipart/x-mixed-replace;boundary=ipcamera"), std::string::npos);
    EXPECT_EQ(head.find("Content-Length"), std::string::npos);

    std::vector<std::string> statuses;
    const auto first = readPictures(stream, 3, &statuses);
    ASSERT_EQ(first.size(), 3u);
    for (const auto& status : statuses) {
        EXPECT_EQ(status.size(), 86u);
        EXPECT_EQ(status[21], '3');
    }
    for (const auto& jpeg : first) {
        const auto d = decodeJpeg(bytes(jpeg));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.warnings, 0);
        EXPECT_EQ(d.width, 640);
        EXPECT_EQ(d.height, 480);
        EXPECT_GT(jpeg.size(), 10000u); // a camera's size, tens of kilobytes
        EXPECT_LT(jpeg.size(), 60000u);
    }
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[1], first[2]);
    // The stream body starts at the boundary: the 2048-byte blocks of the
    // reader count from here.
    EXPECT_EQ(stream.body().substr(0, 40), "--ipcamera\r\nContent-Type: text/plain\r\n\r\n");

    ASSERT_EQ(get(port, "/ChangeResolution.cgi?ResType=5").status, 200);
    bool changed = false;
    for (int i = 0; i < 10 && !changed; ++i) {
        statuses.clear();
        const auto more = readPictures(stream, 1, &statuses);
        ASSERT_EQ(more.size(), 1u);
        const auto d = decodeJpeg(bytes(more[0]));
        changed = d.width == 160 && d.height == 120;
        if (changed) {
            EXPECT_EQ(statuses.back()[21], '5');
        }
    }
    EXPECT_TRUE(changed);
}

TEST(CamsimStream, PaceClosedCameraAndVariants)
{
    auto server = startServer({"--fps", "20", "--cameras", "3", "--ex-status", "HELLO WORLD"});
    ASSERT_TRUE(server);
    {
        StreamReader stream(server->ports()[0], "/GetData.cgi?Status=1");
        ASSERT_FALSE(stream.head().empty());
        readPictures(stream, 1);
        const auto start = Clock::now();
        std::vector<std::string> statuses;
        const auto pictures = readPictures(stream, 20, &statuses);
        const auto ms = msSince(start);
        EXPECT_EQ(pictures.size(), 20u);
        EXPECT_GT(ms, 800); // 20 pictures at 20 a second
        EXPECT_EQ(statuses.back().size(), 111u);
        EXPECT_EQ(statuses.back().substr(100), "HELLO WORLD");
    }
    {
        // A closed camera keeps sending status parts but no pictures.
        ASSERT_EQ(get(server->ports()[1], "/CloseCamera.cgi").status, 200);
        StreamReader stream(server->ports()[1], "/GetData.cgi?Status=1");
        StreamReader::Part part;
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(stream.next(part));
            EXPECT_EQ(part.headers, "Content-Type: text/plain\r\n\r\n");
            EXPECT_EQ(part.data.substr(0, 2), "00");
        }
        get(server->ports()[1], "/OpenCamera.cgi");
        bool picture = false;
        for (int i = 0; i < 10 && !picture; ++i) {
            ASSERT_TRUE(stream.next(part));
            picture = part.headers == "Content-Type: image/jpeg\r\n\r\n";
        }
        EXPECT_TRUE(picture);
    }
    auto odd = startServer({"--odd-size", "--grey"});
    ASSERT_TRUE(odd);
    StreamReader stream(odd->ports()[0], "/GetData.cgi?Status=1");
    const auto pictures = readPictures(stream, 1);
    ASSERT_EQ(pictures.size(), 1u);
    const auto d = decodeJpeg(bytes(pictures[0]));
    EXPECT_EQ(d.width, 800);
    EXPECT_EQ(d.height, 600);
    EXPECT_EQ(d.components, 1);
}

TEST(CamsimStream, ManyConnectionsToOneCamera)
{
    auto server = startServer({"--fps", "10"});
    ASSERT_TRUE(server);
    std::vector<std::unique_ptr<StreamReader>> streams;
    for (int i = 0; i < 40; ++i)
        streams.push_back(std::make_unique<StreamReader>(server->ports()[0], "/GetData.cgi?Status=1"));
    for (auto& s : streams) {
        StreamReader::Part part;
        EXPECT_TRUE(s->next(part));
    }
    EXPECT_EQ(get(server->ports()[0], "/GetMyself.cgi").body, "administrator");
    streams.clear();
    // The server lets go of closed connections.
    EXPECT_TRUE(waitFor([&] { return server->activeConnections() == 0; }));
    EXPECT_EQ(server->activeConnections(), 0);
}

TEST(CamsimStream, SoundInBothFormats)
{
    auto server = startServer({});
    ASSERT_TRUE(server);
    const int port = server->ports()[0];

    // What the camera sends is the tone sequence from its first sample.
    ToneSource reference;
    std::vector<int16_t> expected;
    reference.generate(kAudioRate, expected);

    StreamReader pcm(port, "/GetAudioData.cgi?Format=Pcm");
    EXPECT_EQ(pcm.head().substr(0, 17), "HTTP/1.0 200 OK\r\n");
    const auto start = Clock::now();
    while (pcm.body().size() < 8000 && pcm.fill(20000)) {
    }
    const std::string body = pcm.body();
    ASSERT_GE(body.size(), 8000u);
    for (size_t i = 0; i < 4000; ++i) {
        const int16_t sample = int16_t(uint8_t(body[2 * i]) | uint8_t(body[2 * i + 1]) << 8);
        ASSERT_EQ(sample, expected[i]) << i;
    }
    // Paced in real time: about half a second of sound takes about a quarter
    // of a second after the lead the camera sends at once.
    EXPECT_GT(msSince(start), 150);

    StreamReader adpcm(port, "/GetAudioData.cgi?Format=Adpcm");
    while (adpcm.body().size() < 2000 && adpcm.fill(20000)) {
    }
    const std::string coded = adpcm.body();
    ASSERT_GE(coded.size(), 2000u);
    // Decoded by the control's decoder, first sample in the high nibble.
    std::vector<int16_t> decoded(4000);
    media::ImaAdpcmDecoder().decode(reinterpret_cast<const uint8_t*>(coded.data()), 2000, decoded.data());
    double error = 0;
    double energy = 0;
    for (size_t n = 400; n < 4000; ++n) {
        error += std::pow(double(decoded[n] - expected[n]), 2);
        energy += std::pow(double(expected[n]), 2);
    }
    EXPECT_LT(error / energy, 0.01);

    // With the camera's audio switched off the body is empty.
    get(port, "/SetAudio.cgi?Enable=false");
    Socket off(port);
    off.send(requestText("/GetAudioData.cgi?Format=Pcm", "administrator", "admin"));
    bool closed = false;
    const auto reply = splitResponse(off.readAll(20000, 1 << 20, &closed));
    EXPECT_TRUE(closed);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "");
    EXPECT_EQ(get(port, "/GetAudioData.cgi?Format=Mp3").status, 400);
}

TEST(CamsimFaults, StreamEndsAfterNPicturesAndEndMarkersStraddleBlocks)
{
    auto server = startServer({"--cameras", "2", "--fps", "50", "--fault", "1:close-after=4", "--fault", "1:split-eoi"});
    ASSERT_TRUE(server);
    StreamReader stream(server->ports()[1], "/GetData.cgi?Status=1");
    const auto pictures = readPictures(stream, 10);
    EXPECT_EQ(pictures.size(), 4u);
    while (stream.fill(1000)) {
    }
    EXPECT_TRUE(stream.closed());
    const std::string body = stream.body();
    int ends = 0;
    for (size_t i = body.find("\xFF\xD9"); i != std::string::npos; i = body.find("\xFF\xD9", i + 1)) {
        EXPECT_EQ(i % 2048, 2047u) << i;
        ++ends;
    }
    EXPECT_EQ(ends, 4);
    for (const auto& p : pictures)
        EXPECT_EQ(decodeJpeg(bytes(p)).warnings, 0);

    // Camera 0 has neither fault.
    StreamReader plain(server->ports()[0], "/GetData.cgi?Status=1");
    EXPECT_EQ(readPictures(plain, 6).size(), 6u);
}

TEST(CamsimFaults, AnswersDelaysDripsLengthsAndSilence)
{
    auto server = startServer({"--cameras", "5", "--fault", "0:answer=503@/GetVer.cgi", "--fault",
                               "0:answer=404@/GetData.cgi?Status=1", "--fault", "0:answer=401@/GetCapability.cgi",
                               "--fault", "1:delay=4000@/GetStatus.cgi", "--fault", "2:drip=8,10", "--fault",
                               "3:big-length", "--fault", "4:silent"});
    ASSERT_TRUE(server);
    const auto& ports = server->ports();

    EXPECT_EQ(get(ports[0], "/GetVer.cgi?VName=Camera").status, 503);
    EXPECT_EQ(get(ports[0], "/GetData.cgi?Status=1").status, 404);
    EXPECT_EQ(get(ports[0], "/GetCapability.cgi").header("www-authenticate"), "Basic realm=\"camsim\"");
    EXPECT_EQ(get(ports[0], "/GetStatus.cgi").status, 200);
    EXPECT_EQ(get(ports[1], "/GetVer.cgi?VName=Camera").status, 200);

    {
        // The delay holds only the path it names: another request to the same
        // camera is answered while the delayed one still waits.
        Socket delayed(ports[1]);
        const auto sent = Clock::now();
        ASSERT_TRUE(delayed.send(requestText("/GetStatus.cgi", "administrator", "admin")));
        EXPECT_EQ(get(ports[1], "/GetMyself.cgi").status, 200);
        bool closed = false;
        EXPECT_EQ(delayed.readSome(0, closed), "");
        EXPECT_EQ(splitResponse(delayed.readAll(20000, 4096)).status, 200);
        EXPECT_GE(msSince(sent), 3990);
    }

    {
        Socket s(ports[2]);
        ASSERT_TRUE(s.send(requestText("/GetStatus.cgi", "administrator", "admin")));
        std::string raw;
        int reads = 0;
        bool closed = false;
        const auto t = Clock::now();
        while (!closed && msSince(t) < 30000) {
            const std::string piece = s.readSome(20000, closed);
            reads += piece.empty() ? 0 : 1;
            raw += piece;
        }
        // About 200 bytes in pieces of 8, 10 ms apart: well over 150 ms.
        EXPECT_GE(msSince(t), 150);
        EXPECT_GE(reads, 5);
        const auto reply = splitResponse(raw);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body.size(), 86u);
    }

    const auto big = get(ports[3], "/GetVer.cgi?VName=Camera");
    EXPECT_EQ(big.header("content-length"), "60001");
    EXPECT_EQ(big.body, "CamVer = 510\n");

    Socket silent(ports[4]);
    ASSERT_TRUE(silent.send(requestText("/GetStatus.cgi", "administrator", "admin")));
    bool closed = false;
    EXPECT_EQ(silent.readAll(700, 1024, &closed), "");
    EXPECT_FALSE(closed);
    // The request was read and logged all the same.
    EXPECT_EQ(server->camera(4).with([](CameraState& s) { return s.log.size(); }), 1u);
}

TEST(CamsimLifecycle, StopEndsStreamsAndIdleConnectionsPromptly)
{
    // Idle connections would otherwise be closed after a minute.
    auto server = startServer({"--fault", "silent@/GetLog.cgi", "--request-timeout", "60000"});
    ASSERT_TRUE(server);
    StreamReader pictures(server->ports()[0], "/GetData.cgi?Status=1");
    StreamReader sound(server->ports()[0], "/GetAudioData.cgi?Format=Adpcm");
    Socket idle(server->ports()[0]); // never sends a request
    Socket held(server->ports()[0]);
    held.send(requestText("/GetLog.cgi", "administrator", "admin"));
    StreamReader::Part part;
    ASSERT_TRUE(pictures.next(part));
    ASSERT_TRUE(sound.fill(20000));
    EXPECT_TRUE(waitFor([&] { return server->activeConnections() == 4; }));
    EXPECT_EQ(server->activeConnections(), 4);
    // Well below the idle and held connections' minute.
    const auto t = Clock::now();
    server->stop();
    EXPECT_LT(msSince(t), 20000);
    EXPECT_EQ(server->activeConnections(), 0);
}
