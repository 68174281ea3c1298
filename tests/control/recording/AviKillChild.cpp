// Records AVI frames into a folder, says how many, then waits to be killed.
// Used by the crash-safety test: argv = folder, frame count, frame rate and,
// optionally, the sound bytes recorded with each frame. With sound the rate is
// measured on a clock that moves one frame interval per frame.
#include "RecordingTestSupport.h"

#include "control/recording/Recorder.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5)
        return 2;
    const int frames = std::atoi(argv[2]);
    const int rate = std::atoi(argv[3]);
    const size_t soundPerFrame = argc == 5 ? static_cast<size_t>(std::atoi(argv[4])) : 0;
    if (frames <= 0 || rate <= 0)
        return 2;

    recording_test::CaptureHost host;
    recording_test::FakeClock clock;
    strovix::recording::Recorder recorder(host, clock);
    auto& s = recorder.settings();
    s.putAviPath(argv[1]);
    s.putAviPre("r-Kill_!0_");
    s.putAutoFrame(soundPerFrame > 0 ? 1 : 0);
    s.putAviFrame(rate);
    s.putJpgNumInAvi(9999);
    recorder.putAvi(1);
    size_t sound = 0;
    for (int i = 0; i < frames; ++i) {
        clock.tick += static_cast<uint32_t>(1000 / rate);
        recorder.handleFrame(recording_test::makeJpeg(320, 240, 3000 + static_cast<size_t>(i)));
        if (soundPerFrame > 0) {
            recorder.AddAudio(recording_test::Bytes(soundPerFrame, static_cast<uint8_t>(i)));
            sound += soundPerFrame;
        }
    }
    std::printf("recorded %d %zu\n", frames, sound);
    std::fflush(stdout);
    for (;;)
        ::pause();
}
