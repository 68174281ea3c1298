#include "app/emap/eMap.h"

#include "app/core/NumberText.h"
#include "app/core/SectionWriter.h"
#include "platform/ini/IniFile.h"

eMap::eMap(int16_t menuId, std::string file) : m_file(std::move(file)), m_menuId(menuId) {}

std::string eMap::section() const
{
    return "eMapFile" + numtext::decimal(m_menuId);
}

bool eMap::load()
{
    const std::string sectionName = section();
    const std::string fileName = platform::ini::readString(m_file, sectionName, "FILE_NAME", "");
    if (fileName.empty())
        return false;
    m_fileName = fileName;
    m_name = platform::ini::readString(m_file, sectionName, "MAP_NAME", "");
    m_pos = platform::ini::readString(m_file, sectionName, "MAP_POS", "");
    return true;
}

bool eMap::save() const
{
    return SectionWriter(m_file, section())
        .set("FILE_NAME", m_fileName)
        .set("MAP_NAME", m_name)
        .set("MAP_POS", m_pos)
        .commit();
}
