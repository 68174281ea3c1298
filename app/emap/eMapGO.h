#pragma once

#include "app/emap/eMap.h"

#include <array>
#include <memory>
#include <string>

// The 16 map slots, each created on first use. GUI thread only.
class eMapGO {
public:
    static constexpr int kSlots = 16;

    // `file` is the eLayout.ini path of every slot.
    explicit eMapGO(std::string file);

    // A new map with menu ID i in slot i (replacing the one there); null for
    // an index outside 0..15.
    eMap* createMap(int i);
    // Slot i, created and loaded on first use; null outside 0..15.
    eMap* getMap(int i);
    // Loads every slot, creating the missing ones.
    void loadAllMaps();

private:
    std::string m_file;
    std::array<std::unique_ptr<eMap>, kSlots> m_maps;
};
