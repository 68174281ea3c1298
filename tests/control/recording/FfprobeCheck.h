#pragma once

#include "RecordingTestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <numeric>
#include <string>

namespace recording_test {

// An independent reader (ffprobe) agrees with what the file's own head says:
// Motion-JPEG of the head's size, as many frames decoded as the head counts,
// the head's rate, 8 kHz 16-bit mono sound when the head has sound, and the
// playing time that follows from frames and rate. Skipped, with a note, when ffprobe is missing.
inline void expectFfprobeAgrees(const std::string& path)
{
    if (!ffprobeAvailable()) {
        std::fprintf(stderr, "ffprobe is not installed: independent reader check of %s skipped\n", path.c_str());
        return;
    }
    SCOPED_TRACE("ffprobe: " + path);
    const Bytes f = readFile(path);
    ASSERT_GE(f.size(), 2048u);
    const auto p = probe(path);
    ASSERT_TRUE(p.has_value()) << "ffprobe could not read the file";
    const long frames = u32(f, 48);
    EXPECT_EQ(p->videoCodec, "mjpeg");
    EXPECT_EQ(p->width, static_cast<int>(u32(f, 64)));
    EXPECT_EQ(p->height, static_cast<int>(u32(f, 68)));
    EXPECT_EQ(p->headerFrames, frames);
    EXPECT_EQ(p->readFrames, frames);
    const uint64_t rate = u32(f, 132);
    const uint64_t scale = u32(f, 128);
    const uint64_t g = std::gcd(rate, scale);
    EXPECT_EQ(p->frameRate, std::to_string(rate / g) + "/" + std::to_string(scale / g));
    const uint32_t audio = u32(f, 290);
    if (audio > 0) {
        EXPECT_EQ(p->audioCodec, "pcm_s16le");
        EXPECT_EQ(p->sampleRate, 8000);
        EXPECT_EQ(p->channels, 1);
    }
    // The playing time is the video's: frames at the rate of the head.
    EXPECT_NEAR(p->duration, static_cast<double>(frames) * static_cast<double>(scale) / static_cast<double>(rate), 0.01);
}

// Every AVI file in a folder.
inline void expectFfprobeAgreesWithAll(const std::string& folder)
{
    for (const auto& name : filesEndingWith(folder, ".avi"))
        expectFfprobeAgrees(folder + "/" + name);
}

} // namespace recording_test
