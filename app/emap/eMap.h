#pragma once

#include <cstdint>
#include <string>

// One map slot of the e-map: a picture file with a name and a place
// description, section "eMapFile" & menu ID of eLayout.ini. GUI thread only.
class eMap {
public:
    // `file` is the eLayout.ini path the slot loads from and saves to.
    eMap(int16_t menuId, std::string file);

    // Full path of the map picture; empty = slot unused.
    const std::string& setMapFileName(const std::string& path) { return m_fileName = path; }
    const std::string& getMapFileName() const { return m_fileName; }
    // Slot number 0..15, also the map's place in the e-map window's menu.
    int16_t setMapMenuID(int16_t id) { return m_menuId = id; }
    int16_t getMapMenuID() const { return m_menuId; }
    const std::string& setName(const std::string& name) { return m_name = name; }
    const std::string& getName() const { return m_name; }
    const std::string& setPos(const std::string& pos) { return m_pos = pos; }
    const std::string& getPos() const { return m_pos; }

    // Reads FILE_NAME, MAP_NAME and MAP_POS. A section without a FILE_NAME (or
    // an empty one) leaves the object unchanged and returns false.
    bool load();
    // Writes FILE_NAME, MAP_NAME and MAP_POS in this order. False when a
    // write failed.
    bool save() const;

private:
    std::string section() const;

    std::string m_file;
    std::string m_fileName;
    int16_t m_menuId;
    std::string m_name;
    std::string m_pos;
};
