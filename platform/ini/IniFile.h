#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The private-profile store behind every settings file of both deliverables
// (config.ini, eLayout.ini, the registry files, the cookie store).
//
// Section and key names match without regard to case (ASCII). Every call reads
// the file afresh and never holds it open, so the operator or another program
// may edit it between calls. Writes replace the file atomically; a write that
// fails leaves the old file as it was and returns false. UTF-8 text; lines are
// written with "\n", except that a file already using "\r\n" keeps them.
namespace platform::ini {

// The buffer of the classic string read: values are cut to size - 1 characters.
inline constexpr size_t kDefaultBufferSize = 255;

// The value of `key` in `section`, blanks around it dropped and one pair of
// matching double or single quotes removed, cut to bufferSize - 1 bytes (never
// inside a UTF-8 sequence). `def` (cut the same way) when the file, the
// section or the key is absent. A present empty value reads as "".
std::string readString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view def, size_t bufferSize = kDefaultBufferSize);

// `def` when the key is absent; otherwise the leading decimal number of the
// value: an optional "-", then digits, anything after them ignored; no digits
// reads 0. Values beyond the 32-bit range saturate.
int32_t readInt(const std::string& file, std::string_view section, std::string_view key, int32_t def);

// Creates the file, the section and the key as needed; replaces an existing
// value in place and keeps every other line as it was.
bool writeString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value);

// Removes one key line; true when the file is as asked afterwards.
bool deleteKey(const std::string& file, std::string_view section, std::string_view key);
// Removes a section header with all its lines; true when the file is as asked afterwards.
bool deleteSection(const std::string& file, std::string_view section);

// Section names in file order (as spelled in the file); empty for a missing file.
std::vector<std::string> sections(const std::string& file);
// Key names of a section in file order; empty for a missing file or section.
std::vector<std::string> keys(const std::string& file, std::string_view section);

// A file that exists but cannot be read (no permission, an I/O error, no
// descriptor left, not a regular file, larger than 1 MiB) is refused for the
// rest of the run: it reads as empty and every write to it fails, so an
// operator's file is never replaced by one made from defaults. Only a file
// that does not exist reads as empty and may be created.
//
// The message for the operator about a refused file ("The file ... cannot be
// read: <reason>. ..."), or nothing when it was read or is missing. Any thread.
std::optional<std::string> refusal(const std::string& file);
// Called (on the writer's thread) with the refusal message each time a write
// to a refused file is turned down. One reporter per process; empty to clear.
void setRefusalReporter(std::function<void(const std::string& file, const std::string& message)> reporter);
// Tests: forget every refusal.
void clearRefusals();

// What happened to a settings file, for the log.
enum class FileEvent {
    Read,    // a file that is there was read
    Written, // the file was saved
};
// Called on the reading or writing thread after every read of an existing
// file and every save (a file is read for each value asked). One observer
// per process; empty to clear.
void setFileObserver(std::function<void(const std::string& file, FileEvent event)> observer);

// The leading decimal number rule of readInt, for callers holding a text already.
int32_t leadingInt(std::string_view text);

// One file held in memory for a series of changes that are written back at once
// (the registry writes a whole key set this way). Not thread-safe.
class IniDocument {
public:
    // Reads `file`; a missing or refused file gives an empty document (a
    // refused one is recorded, see refusal()).
    static IniDocument load(const std::string& file);
    static IniDocument parse(std::string_view text);

    bool hasSection(std::string_view section) const;
    // The trimmed raw value (quotes kept, no length cut), or nothing when absent.
    std::optional<std::string> rawValue(std::string_view section, std::string_view key) const;
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    // Adds an empty section at the end when it is missing.
    void addSection(std::string_view section);
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    bool removeKey(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

    std::string text() const;
    // False (errno EACCES) without touching the file when it is refused.
    bool save(const std::string& file) const;

private:
    struct Line {
        std::string text;
        enum class Kind { Other, Section, Entry } kind = Kind::Other;
        std::string name; // section name or key name, trimmed
    };
    // Index of the first header of `section`, or npos.
    size_t findSection(std::string_view section) const;
    // One past the last line of the section starting at header index `at`.
    size_t sectionEnd(size_t at) const;
    size_t findKey(size_t header, std::string_view key) const;

    std::vector<Line> m_lines;
    bool m_crlf = false;
    // A byte-order mark that opened the text is written back with it.
    bool m_bom = false;
};

} // namespace platform::ini
