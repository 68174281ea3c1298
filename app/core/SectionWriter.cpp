#include "app/core/SectionWriter.h"

#include "platform/ini/IniFile.h"

SectionWriter::SectionWriter(std::string file, std::string section)
    : m_file(std::move(file)), m_section(std::move(section))
{
}

SectionWriter& SectionWriter::set(const std::string& key, std::string value)
{
    m_values.push_back({key, std::move(value), false});
    return *this;
}

SectionWriter& SectionWriter::setWhenWantedOrPresent(const std::string& key, std::string value, bool wanted)
{
    m_values.push_back({key, std::move(value), !wanted});
    return *this;
}

bool SectionWriter::commit()
{
    bool allStored = true;
    platform::ini::IniDocument doc = platform::ini::IniDocument::load(m_file);
    for (const auto& [key, value, onlyIfPresent] : m_values) {
        if (onlyIfPresent && !doc.rawValue(m_section, key))
            continue;
        if (value.find_first_of("\r\n") != std::string::npos) {
            allStored = false;
            continue;
        }
        doc.setValue(m_section, key, value);
    }
    m_values.clear();
    return doc.save(m_file) && allStored;
}
