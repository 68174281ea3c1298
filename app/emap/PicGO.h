#pragma once

#include "app/emap/CameraPicPos.h"

#include <array>
#include <memory>
#include <string>

// The 16 camera icons, each created (not loaded) on first use. GUI thread only.
class PicGO {
public:
    static constexpr int kSlots = 16;

    // `file` is the eLayout.ini path of every icon.
    explicit PicGO(std::string file);

    // A new icon for camera i in slot i (replacing the one there); null for an
    // index outside 0..15.
    CameraPicPos* createCameraPicPos(int i);
    // Slot i, created without loading on first use; null outside 0..15.
    CameraPicPos* getCameraPicPos(int i);
    // Loads slots 0..15 in order, creating the missing ones.
    void loadAllCameraPicPos();

private:
    std::string m_file;
    std::array<std::unique_ptr<CameraPicPos>, kSlots> m_icons;
};
