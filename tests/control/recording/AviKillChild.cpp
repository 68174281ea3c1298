// Records AVI frames into a folder, says how many, then waits to be killed.
// Used by the crash-safety test: argv = folder, frame count, frame rate.
#include "RecordingTestSupport.h"

#include "control/recording/Recorder.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    recording_test::CaptureHost host;
    strovix::recording::Recorder recorder(host);
    auto& s = recorder.settings();
    s.putAviPath(argv[1]);
    s.putAviPre("r-Kill_!0_");
    s.putAutoFrame(0);
    s.putAviFrame(std::atoi(argv[3]));
    s.putJpgNumInAvi(9999);
    recorder.putAvi(1);
    const int frames = std::atoi(argv[2]);
    for (int i = 0; i < frames; ++i)
        recorder.handleFrame(recording_test::makeJpeg(320, 240, 3000 + static_cast<size_t>(i)));
    std::printf("recorded %d\n", frames);
    std::fflush(stdout);
    for (;;)
        ::pause();
}
