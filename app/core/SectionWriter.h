#pragma once

#include <string>
#include <utility>
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
    // True when every key was stored and the file written.
    bool commit();

private:
    std::string m_file;
    std::string m_section;
    std::vector<std::pair<std::string, std::string>> m_values;
};
