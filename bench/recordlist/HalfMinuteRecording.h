#pragma once

// The recording the search benchmarks copy into their folders: half a minute
// at 5 frames/s with small pictures, written by the recording's own writer.
// The search reads only the headers and the index (150 entries), so the
// pictures' size does not matter to it.
#include "control/recording/AviWriter.h"
#include "tests/control/recording/RecordingTestSupport.h"

#include <string>

inline void writeHalfMinuteRecording(const std::string& folder, const std::string& path)
{
    recording_test::FakeClock clock;
    strovix::recording::AviWriter writer(clock);
    const auto frame = recording_test::makeJpeg(16, 16);
    for (int k = 0; k < 150; ++k)
        writer.AddFrame(frame, folder, "r-Cam_!0_", 5.0f);
    writer.Close(5.0f, path);
}
