// Arbitrary text through the INI document: reading never fails, writing it
// back is stable, every name it lists can be found again, and a value set in
// it reads back after the text is parsed anew.
#include "platform/ini/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using platform::ini::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(text);

    // Writing back what was read gives the same text again, byte-order
    // marks at the start included.
    const std::string once = doc.text();
    if (IniDocument::parse(once).text() != once)
        std::abort();

    size_t listed = 0;
    for (const std::string& section : doc.sectionNames()) {
        if (!doc.hasSection(section))
            std::abort();
        for (const std::string& key : doc.keyNames(section)) {
            if (!doc.rawValue(section, key))
                std::abort();
            if (++listed > 64)
                break;
        }
    }
    platform::ini::leadingInt(text);

    // A value written into the first listed (or a new) section survives a
    // write-back and keeps every other section.
    const auto names = doc.sectionNames();
    const std::string section = names.empty() || names.front().empty() || names.front().find(']') != std::string::npos
        ? std::string("Fuzz")
        : names.front();
    const std::string value = "v" + std::to_string(size);
    doc.setValue(section, "FuzzKey", value);
    IniDocument again = IniDocument::parse(doc.text());
    if (again.rawValue(section, "FuzzKey") != value)
        std::abort();
    if (again.sectionNames().size() < names.size())
        std::abort();
    if (!again.removeSection(section) && again.hasSection(section))
        std::abort();
    return 0;
}
