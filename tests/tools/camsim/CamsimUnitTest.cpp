// Pieces of camsim that need no network: status columns, request parsing,
// options, sound encoding and picture making.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TestJpeg.h"
#include "tools/camsim/Audio.h"
#include "tools/camsim/CameraState.h"
#include "tools/camsim/Config.h"
#include "tools/camsim/Connection.h"
#include "tools/camsim/HttpRequest.h"
#include "tools/camsim/PictureMaker.h"
#include "tools/camsim/Server.h"

using namespace camsim;

namespace {

std::string col(const std::string& block, size_t from, size_t to) { return block.substr(from, to - from + 1); }

std::optional<Config> parse(std::vector<const char*> args, std::string& message)
{
    args.insert(args.begin(), "camsim");
    bool help = false;
    return parseCommandLine(int(args.size()), args.data(), message, help);
}

} // namespace

TEST(StatusBlock, ColumnsCarryEveryField)
{
    CameraState s;
    s.open = true;
    s.brightness = 7;
    s.contrast = 255;
    s.resolution = 6;
    s.quality = 4;
    s.motionSetting = "123";
    s.userCheck = true;
    s.saturation = 42;
    s.hue = 199;
    s.sharpness = 0;
    s.frequency = 2;
    s.audioOn = false;
    s.clockChanges = 5;
    s.nameChanges = 99;
    s.motionOn = true;
    s.motionBase = 999998;
    s.motionSinceMs = 1000;
    s.motionIntervalMs = 500;

    const std::string admin = statusBlock(s, true, 2600); // three steps since detection went on
    ASSERT_EQ(admin.size(), 86u);
    EXPECT_EQ(col(admin, 0, 1), "01");
    EXPECT_EQ(col(admin, 15, 17), "007");
    EXPECT_EQ(col(admin, 18, 20), "255");
    EXPECT_EQ(admin[21], '6');
    EXPECT_EQ(admin[22], '4');
    EXPECT_EQ(admin[23], '0');
    EXPECT_EQ(col(admin, 24, 29), "123000");
    EXPECT_EQ(admin[31], '1');
    EXPECT_EQ(col(admin, 57, 59), "042");
    EXPECT_EQ(col(admin, 60, 65), "000001"); // 999998 + 3 wraps at six digits
    EXPECT_EQ(col(admin, 66, 68), "199");
    EXPECT_EQ(col(admin, 69, 71), "000");
    EXPECT_EQ(admin[72], '1');
    EXPECT_EQ(admin[73], '2');
    EXPECT_EQ(admin[81], '0');
    EXPECT_EQ(col(admin, 82, 83), "05");
    EXPECT_EQ(col(admin, 84, 85), "99");

    const std::string user = statusBlock(s, false, 2600);
    EXPECT_EQ(user[23], '1');
    s.open = false;
    EXPECT_EQ(col(statusBlock(s, true, 0), 0, 1), "00");
}

TEST(StatusBlock, MotionCounterAdvancesOnlyWhileDetectionIsOn)
{
    CameraState s;
    s.motionIntervalMs = 1000;
    s.motionBase = 4;
    EXPECT_EQ(s.motionCounterAt(100000), 4u);
    s.motionOn = true;
    s.motionSinceMs = 10000;
    EXPECT_EQ(s.motionCounterAt(10999), 4u);
    EXPECT_EQ(s.motionCounterAt(12000), 6u);
    EXPECT_EQ(s.motionCounterAt(5000), 4u); // a clock reading before the switch counts nothing
}

TEST(StatusBlock, ExtendedTextStartsAtColumn100AndIsAtLeast106Long)
{
    CameraState s;
    s.exStatus = "AB";
    const std::string shortText = statusBlock(s, true, 0);
    ASSERT_EQ(shortText.size(), 106u);
    EXPECT_EQ(shortText.substr(100), "AB    ");
    EXPECT_EQ(col(shortText, 86, 99), std::string(14, '0'));
    s.exStatus = "DOOR OPEN 1234";
    const std::string longText = statusBlock(s, true, 0);
    ASSERT_EQ(longText.size(), 114u);
    EXPECT_EQ(longText.substr(100), "DOOR OPEN 1234");
}

TEST(StatusBlock, ResolutionSixDependsOnTheVersion)
{
    EXPECT_EQ(resolutionSize(6, "510"), std::make_pair(704, 576));
    EXPECT_EQ(resolutionSize(6, "506"), std::make_pair(704, 576));
    EXPECT_EQ(resolutionSize(6, "5.06"), std::make_pair(1280, 960)); // "." sorts before "0"
    EXPECT_EQ(resolutionSize(4, "510"), std::make_pair(128, 96));
    EXPECT_EQ(resolutionSize(7, "510"), std::make_pair(1280, 1024));
}

TEST(HttpRequestParsing, KeepsTheExactTargetAndDecodesValues)
{
    auto r = parseRequest("GET /SetUser.cgi?User=a b&Pass=x%20y%zz&Flag HTTP/1.1\r\nAuthorization: Basic YTpi\r\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->target, "/SetUser.cgi?User=a b&Pass=x%20y%zz&Flag");
    EXPECT_EQ(r->path, "/SetUser.cgi");
    EXPECT_EQ(r->version, "HTTP/1.1");
    EXPECT_EQ(r->param("User"), "a b");
    EXPECT_EQ(r->param("Pass"), "x y%zz"); // a broken escape stays as sent
    EXPECT_EQ(r->param("Flag"), "");
    EXPECT_FALSE(r->param("user"));
    EXPECT_EQ(r->header("authorization"), "Basic YTpi");

    auto bare = parseRequest("GET /Camera_Move.cgi?CameraMoveType=3\n");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->version, "");
    EXPECT_EQ(bare->param("CameraMoveType"), "3");

    EXPECT_FALSE(parseRequest(""));
    EXPECT_FALSE(parseRequest("GET\r\n"));
    EXPECT_FALSE(parseRequest("GET  HTTP/1.0\r\n"));

    EXPECT_EQ(headEnd("GET / HTTP/1.0\r\n\r\nrest"), 18u);
    EXPECT_EQ(headEnd("GET / HTTP/1.0\n\n"), 16u);
    EXPECT_EQ(headEnd("GET / HTTP/1.0\r\nHost: x\r\n"), std::string::npos);
}

TEST(HttpRequestParsing, BasicCredentials)
{
    for (std::string s : {"", "a", "ab", "abc", "abcd", "administrator:admin"})
        EXPECT_EQ(base64Decode(base64Encode(s)), s);
    EXPECT_EQ(basicCredentials("Basic " + base64Encode("guest:gu:est")), std::make_pair(std::string("guest"), std::string("gu:est")));
    EXPECT_EQ(basicCredentials("basic   " + base64Encode("a:")), std::make_pair(std::string("a"), std::string()));
    EXPECT_FALSE(basicCredentials("Basic " + base64Encode("nocolon")));
    EXPECT_FALSE(basicCredentials("Digest " + base64Encode("a:b")));
    EXPECT_FALSE(basicCredentials("Basic YW*6Yg=="));
    EXPECT_FALSE(basicCredentials("Basic YTpiYw"));      // length not a multiple of four
    EXPECT_FALSE(basicCredentials("Basic YT==pi"));      // data after padding
}

TEST(CommandLine, SpreadClocksPutTheCamerasOutOfStepOverOneInterval)
{
    using namespace std::chrono;
    std::string message;
    for (bool spread : {false, true}) {
        std::vector<const char*> args = {"--cameras", "4", "--fps", "10"};
        if (spread)
            args.push_back("--spread-clocks");
        auto c = parse(args, message);
        ASSERT_TRUE(c) << message;
        camsim::Server server(*c);
        for (int i = 0; i < 4; ++i) {
            const auto ahead = server.camera(0).pictureTime(5) - server.camera(i).pictureTime(5);
            const double expected = spread ? 25.0 * i : 0.0;
            const double aheadMs = duration<double, std::milli>(ahead).count();
            EXPECT_NEAR(aheadMs, expected, 0.01) << i;
            // No clock starts in the future: the picture due now is a small number.
            EXPECT_LT(server.camera(i).currentPicture(), 2u);
        }
    }
}

TEST(CommandLine, OptionsAndFaults)
{
    std::string message;
    auto c = parse({"--cameras", "3", "--port", "20100", "--fault", "close-after=5", "--fault", "1:answer=503@/GetVer.cgi",
                    "--fault", "2:delay=250@/GetStatus.cgi", "--user", "boss:pw:admin", "--user", "eve:x"},
                   message);
    ASSERT_TRUE(c) << message;
    EXPECT_EQ(c->cameras, 3);
    EXPECT_EQ(c->faultsOf(0).closeAfterPictures, 5);
    EXPECT_TRUE(c->faultsOf(0).answers.empty());
    ASSERT_EQ(c->faultsOf(1).answers.size(), 1u);
    EXPECT_EQ(c->faultsOf(1).answers[0].code, 503);
    EXPECT_TRUE(c->faultsOf(1).answers[0].filter.matches("/GetVer.cgi", "/GetVer.cgi?VName=Camera"));
    EXPECT_FALSE(c->faultsOf(1).answers[0].filter.matches("/GetVersion.cgi", "/GetVersion.cgi"));
    EXPECT_EQ(c->faultsOf(2).delayMs, 250);
    EXPECT_EQ(c->faultsOf(2).closeAfterPictures, 5); // the all-camera fault stays
    ASSERT_EQ(c->users.size(), 2u); // given users replace the defaults
    EXPECT_TRUE(c->users[0].admin);
    EXPECT_EQ(c->users[0].password, "pw");
    EXPECT_FALSE(c->users[1].admin);

    PathFilter exact {"/GetData.cgi?Status=1"};
    EXPECT_TRUE(exact.matches("/GetData.cgi", "/GetData.cgi?Status=1"));
    EXPECT_FALSE(exact.matches("/GetData.cgi", "/GetData.cgi"));

    for (std::vector<const char*> bad : {std::vector<const char*> {"--fault", "answer=500@/GetVer.cgi"},
                                         {"--fault", "answer=404"},
                                         {"--fault", "3:silent"},
                                         {"--fault", "close-after=0"},
                                         {"--fault", "big-length=60000"},
                                         {"--fault", "wobble"},
                                         {"--cameras", "0"},
                                         {"--port", "65535", "--cameras", "2"},
                                         {"--fps", "abc"},
                                         {"--bogus"}}) {
        EXPECT_FALSE(parse(bad, message)) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
        EXPECT_FALSE(message.empty());
    }
}

TEST(Sound, AdpcmDecodesBackToTheTones)
{
    ToneSource tones;
    std::vector<int16_t> samples;
    tones.generate(kAudioRate * 2, samples);
    // Encoded in uneven pieces: the encoder's state must carry across calls.
    AdpcmEncoder encoder;
    std::vector<uint8_t> bytes;
    for (size_t at = 0, piece = 1; at < samples.size(); at += piece, piece = piece * 3 % 257 + 1)
        encoder.encode(samples.data() + at, std::min(piece, samples.size() - at), bytes);
    ASSERT_EQ(bytes.size(), samples.size() / 2);

    std::vector<int16_t> decoded(bytes.size() * 2);
    media::ImaAdpcmDecoder().decode(bytes.data(), bytes.size(), decoded.data());
    double errorEnergy = 0;
    double signalEnergy = 0;
    for (size_t i = 400; i < decoded.size(); ++i) { // after the step size has adapted
        errorEnergy += std::pow(double(decoded[i]) - samples[i], 2);
        signalEnergy += std::pow(double(samples[i]), 2);
    }
    EXPECT_LT(errorEnergy / signalEnergy, 0.01); // better than 20 dB

    // The tone sequence is recognisable: zero crossings per 250 ms tone.
    for (int tone = 0; tone < 8; ++tone) {
        int crossings = 0;
        for (int i = tone * ToneSource::kToneSamples + 1; i < (tone + 1) * ToneSource::kToneSamples; ++i)
            crossings += (decoded[size_t(i) - 1] < 0) != (decoded[size_t(i)] < 0);
        const int expected = ToneSource::frequencyAt(uint64_t(tone) * ToneSource::kToneSamples) / 2;
        EXPECT_NEAR(crossings, expected, 4) << "tone " << tone;
    }
}

TEST(Sound, FirstSampleGoesInTheHighNibble)
{
    AdpcmEncoder encoder;
    const int16_t samples[] = {3000, -3000};
    std::vector<uint8_t> bytes;
    encoder.encode(samples, 2, bytes);
    ASSERT_EQ(bytes.size(), 1u);
    EXPECT_EQ(bytes[0] >> 4 & 8, 0);  // rising first: sign bit clear
    EXPECT_EQ(bytes[0] & 8, 8);       // falling second: sign bit set
}

TEST(Pictures, DecodeWithTheMarkTopLeftAndChangeOnlyInTheBand)
{
    PictureMaker maker;
    for (auto [w, h] : {std::pair {640, 480}, {176, 144}, {160, 120}, {128, 96}, {704, 576}, {800, 600}}) {
        for (bool grey : {false, true}) {
            const PictureFormat format {w, h, grey, 60};
            auto a = maker.make(format, {"Camera 1", 41, "2026-01-02 03:04:05"});
            auto b = maker.make(format, {"Camera 1", 42, "2026-01-02 03:04:05"});
            ASSERT_TRUE(a && b);
            const auto da = test::decodeJpeg(*a);
            const auto db = test::decodeJpeg(*b);
            ASSERT_TRUE(da.ok && db.ok) << w << "x" << h;
            EXPECT_EQ(da.warnings, 0) << w << "x" << h << " grey " << grey;
            EXPECT_EQ(da.width, w);
            EXPECT_EQ(da.height, h);
            EXPECT_EQ(da.components, grey ? 1 : 3);
            if (!grey) {
                const uint8_t* mark = da.at(3, 3);
                EXPECT_GT(mark[0], 200);
                EXPECT_LT(mark[1], 70);
                // The bar is wider than tall: red along the top edge, not down the side.
                EXPECT_GT(da.at(w / 5, 1)[0], 200);
                EXPECT_FALSE(da.at(1, h / 5)[0] > 200 && da.at(1, h / 5)[1] < 70);
                EXPECT_FALSE(da.at(w - 3, 3)[0] > 200 && da.at(w - 3, 3)[1] < 70);
            }
            // Rows outside the overlay band are the same; the band differs. The
            // rows right next to the band take some colour from it when the
            // decoder smooths the subsampled chroma, so they are left out.
            const auto band = PictureMaker::bandFor(format);
            const size_t stride = size_t(w) * da.components;
            auto rows = [&](const test::Decoded& d, int from, int to) {
                return std::vector<uint8_t>(d.pixels.begin() + std::ptrdiff_t(stride * from),
                                            d.pixels.begin() + std::ptrdiff_t(stride * to));
            };
            EXPECT_EQ(rows(da, 0, band.top - 1), rows(db, 0, band.top - 1));
            EXPECT_EQ(rows(da, band.top + band.height + 1, h), rows(db, band.top + band.height + 1, h));
            EXPECT_NE(rows(da, band.top, band.top + band.height), rows(db, band.top, band.top + band.height));
        }
    }
    EXPECT_FALSE(maker.make({16, 16, false, 60}, {}));
}

TEST(Pictures, EndMarkerPlacedAcrossABlockBoundary)
{
    PictureMaker maker;
    auto jpeg = maker.make({320, 240, false, 60}, {"Camera 1", 1, "x"});
    ASSERT_TRUE(jpeg);
    for (uint64_t offset : {0ull, 1ull, 100ull, 2045ull, 2046ull, 2047ull, 4096ull, 123457ull}) {
        // Also the sizes that leave less room than a comment segment needs.
        for (size_t trim : {0, 1, 2, 3}) {
            const uint64_t shifted = offset + trim;
            const auto placed = Connection::placeEndAcrossBlock(*jpeg, shifted);
            ASSERT_GE(placed.size(), jpeg->size() + 4);
            EXPECT_LT(placed.size(), jpeg->size() + 2048 + 4);
            EXPECT_EQ(placed[placed.size() - 2], 0xFF);
            EXPECT_EQ(placed.back(), 0xD9);
            EXPECT_EQ((shifted + placed.size() - 2) % 2048, 2047u) << shifted;
            const auto decoded = test::decodeJpeg(placed);
            EXPECT_TRUE(decoded.ok);
            EXPECT_EQ(decoded.warnings, 0);
        }
    }
}
