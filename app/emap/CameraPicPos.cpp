#include "app/emap/CameraPicPos.h"

#include "app/core/NumberText.h"
#include "app/core/SectionWriter.h"
#include "platform/ini/IniFile.h"

#include <charconv>
#include <cmath>

namespace {

std::string sectionOf(int16_t camera)
{
    return "Picture" + numtext::decimal(camera);
}

// "True" in any case, or a non-zero number, is a set flag; anything else not.
bool flagOf(std::string_view text)
{
    if (text.size() == 4) {
        std::string lower(text);
        for (char& c : lower)
            c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
        if (lower == "true")
            return true;
    }
    const auto number = numtext::parseInteger(numtext::trimBlanks(text));
    return number && *number != 0;
}

} // namespace

CameraPicPos::CameraPicPos(int16_t cameraNumber, std::string file)
    : m_file(std::move(file)), m_camera(cameraNumber)
{
}

std::string CameraPicPos::positionText(float value)
{
    if (!std::isfinite(value))
        return "0";
    char buffer[64];
    // Fixed notation keeps a point and never an exponent, so the integer
    // reader takes the whole part.
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc())
        return "0";
    return std::string(buffer, end);
}

bool CameraPicPos::save() const
{
    return SectionWriter(m_file, sectionOf(m_camera))
        .set("Camera", numtext::decimal(m_camera))
        .set("POS_X", positionText(m_x))
        .set("POS_Y", positionText(m_y))
        .set("PIC_F", m_placed ? "True" : "False")
        .set("MAP_ID", numtext::decimal(m_mapId))
        .commit();
}

bool CameraPicPos::load()
{
    using platform::ini::readInt;
    m_camera = numtext::clamp16(readInt(m_file, sectionOf(m_camera), "Camera", m_camera));
    const std::string section = sectionOf(m_camera);
    m_x = numtext::clamp16(readInt(m_file, section, "POS_X", 0));
    m_y = numtext::clamp16(readInt(m_file, section, "POS_Y", 0));
    m_placed = flagOf(platform::ini::readString(m_file, section, "PIC_F", ""));
    m_mapId = numtext::clamp16(readInt(m_file, section, "MAP_ID", 0));
    return true;
}
