#pragma once

namespace strovix {

// What an audio thread tells the control it plays for. Held by shared
// ownership in the thread's AudioLink: a thread that overstays its stop may
// still call it after the control has gone, so an implementation reaches
// the control only through its message target.
class AudioOwner {
public:
    virtual ~AudioOwner() = default;

    // Audio thread: the device cannot take 8 kHz 16-bit mono or cannot be
    // opened; the thread gives the sound up. The owner shows "Open Audio
    // device failed" on its window thread.
    virtual void deviceFailed() = 0;
};

} // namespace strovix
