#pragma once

#include <string>
#include <vector>

// Writes several keys of one section as one change of the file: the file is
// read, the keys are set in the order given (new keys are appended in that
// order), and the file is replaced atomically once. A value holding a line
// break cannot be stored: that key is left as it was and the write reports
// false, the other keys still go in.
class SectionWriter {
public:
    SectionWriter(std::string file, std::string section);

    SectionWriter& set(const std::string& key, std::string value);
    // Sets the key only when `wanted` or when the section has it already, so
    // an optional key stays out of files that never used it, while a value
    // switched back to its default still replaces the one in the file.
    SectionWriter& setWhenWantedOrPresent(const std::string& key, std::string value, bool wanted);
    // True when every key was stored and the file written.
    bool commit();

private:
    std::string m_file;
    std::string m_section;
    struct Entry {
        std::string key;
        std::string value;
        bool onlyIfPresent = false;
    };
    std::vector<Entry> m_values;
};
