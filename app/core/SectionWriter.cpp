#include "app/core/SectionWriter.h"

#include "platform/ini/IniFile.h"

SectionWriter::SectionWriter(std::string file, std::string section)
    : m_file(std::move(file)), m_section(std::move(section))
{
}

SectionWriter& SectionWriter::set(const std::string& key, std::string value)
{
    m_values.emplace_back(key, std::move(value));
    return *this;
}

bool SectionWriter::commit()
{
    bool allStored = true;
    platform::ini::IniDocument doc = platform::ini::IniDocument::load(m_file);
    for (const auto& [key, value] : m_values) {
        if (value.find_first_of("\r\n") != std::string::npos) {
            allStored = false;
            continue;
        }
        doc.setValue(m_section, key, value);
    }
    m_values.clear();
    return doc.save(m_file) && allStored;
}
