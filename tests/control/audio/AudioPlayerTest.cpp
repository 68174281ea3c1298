#include "control/audio/AudioPlayer.h"
#include "support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace strovix;
using namespace media;

namespace {

struct Camera {
    ScriptedHttpServer server;
    Camera()
    {
        std::string status(86, '0');
        status[81] = '1';
        server.on("/GetStatus.cgi", ScriptedHttpServer::Script().send(ScriptedHttpServer::reply(200, status)));
        // Endless silence, paced.
        server.on("/GetAudioData.cgi", ScriptedHttpServer::Script()
                                           .send("HTTP/1.0 200 OK\r\n\r\n")
                                           .generate([](size_t i) { return i < 500 ? std::string(256, '\0') : std::string(); }, 16));
    }
};

struct Player {
    std::shared_ptr<std::atomic<int>> audio = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> format = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> zero = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> tries = std::make_shared<std::atomic<int>>(100);
    std::unique_ptr<AudioPlayer> player;

    explicit Player(const std::string& url)
    {
        player = std::make_unique<AudioPlayer>(audio, format, [this, url] {
            AudioLink link;
            link.url = url;
            link.statusRequest = std::make_shared<HttpRequest>();
            link.streamStop = zero;
            link.retryChanged = zero;
            link.reconnectTryNum = tries;
            link.reconnectTryTime = zero;
            link.makeOutput = [] { return std::make_unique<NullOutput>(); };
            return link;
        });
    }
};

bool waitForTargets(const ScriptedHttpServer& s, size_t n)
{
    return s.waitForRequests(n, 5000);
}

} // namespace

TEST(AudioPlayer, FormatChangeWhilePlayingRestartsInTheNewFormat)
{
    Camera cam;
    Player p(cam.server.url());
    p.player->putAudio(1);
    ASSERT_TRUE(waitForTargets(cam.server, 2));
    EXPECT_EQ(cam.server.requestTargets()[1], "/GetAudioData.cgi?Format=Pcm");

    p.player->putAudioFormat("mp3"); // ignored: nothing restarts
    p.player->putAudioFormat("PCM"); // the same format: nothing restarts
    EXPECT_EQ(p.player->audioFormatText(), "Pcm");

    // A restart above would have asked for the status and the PCM sound
    // once more before the ADPCM sound.
    p.player->putAudioFormat("adpcm");
    ASSERT_TRUE(waitForTargets(cam.server, 4));
    EXPECT_EQ(cam.server.requestTargets()[2], "/GetStatus.cgi");
    EXPECT_EQ(cam.server.requestTargets()[3], "/GetAudioData.cgi?Format=Adpcm");
    EXPECT_EQ(p.player->audioFormat(), 1);
    EXPECT_EQ(p.player->audioFormatText(), "Adpcm");
    EXPECT_TRUE(p.player->running());

    p.player->putAudio(0);
    EXPECT_FALSE(p.player->running());
    EXPECT_EQ(p.player->audio(), 0);
}

TEST(AudioPlayer, OnlyOneAndZeroStartAndStop)
{
    Camera cam;
    Player p(cam.server.url());
    p.player->putAudio(7);
    EXPECT_EQ(p.player->audio(), 7);
    EXPECT_FALSE(p.player->running());
    // A format change while Audio is not 1 stores the format and starts nothing.
    p.player->putAudioFormat("Adpcm");
    EXPECT_FALSE(p.player->running());
    // The next start is the first one, in the stored format.
    p.player->putAudio(1);
    ASSERT_TRUE(waitForTargets(cam.server, 2));
    EXPECT_EQ(cam.server.requestTargets()[0], "/GetStatus.cgi");
    EXPECT_EQ(cam.server.requestTargets()[1], "/GetAudioData.cgi?Format=Adpcm");
}
