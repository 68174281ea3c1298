#pragma once

#include <cstdint>
#include <string>

// The icon of one camera on the e-map, section "Picture" & camera number of
// eLayout.ini. GUI thread only.
class CameraPicPos {
public:
    // `file` is the eLayout.ini path.
    CameraPicPos(int16_t cameraNumber, std::string file);

    // Left and top edge of the icon on its map picture.
    float setPicXPos(float x) { return m_x = x; }
    float getPicXPos() const { return m_x; }
    float setPicYPos(float y) { return m_y = y; }
    float getPicYPos() const { return m_y; }
    // Camera slot 0..15 the icon stands for.
    int16_t setPicVid(int16_t camera) { return m_camera = camera; }
    int16_t getPicVid() const { return m_camera; }
    // True when the icon has been dropped on a map.
    bool setFlg(bool placed) { return m_placed = placed; }
    bool getFlg() const { return m_placed; }
    // Map slot (menu ID) the icon is on.
    int16_t setMapID(int16_t map) { return m_mapId = map; }
    int16_t getMapID() const { return m_mapId; }

    // Writes Camera, POS_X, POS_Y, PIC_F ("True"/"False") and MAP_ID in this
    // order; positions as the shortest text that reads back as the same
    // single-precision value, with a point. False when a write failed.
    bool save() const;
    // Reads Camera first (default: the camera number); the value read becomes
    // the camera number and names the section of the other keys. POS_X, POS_Y
    // and MAP_ID read as integers (a fraction is dropped), PIC_F as a flag
    // (missing or empty: not placed). Returns true.
    bool load();

    // The text of a position in the file.
    static std::string positionText(float value);

private:
    std::string m_file;
    float m_x = 0;
    float m_y = 0;
    int16_t m_camera;
    bool m_placed = false;
    int16_t m_mapId = 0;
};
