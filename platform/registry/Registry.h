#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file-backed registry that stands in for the platform's: class
// registration, the type library entry and the per-user connection limits.
//
// Keys are backslash-separated paths ("CLSID\{...}\InprocServer32") that
// compare without regard to case. Each key has a default value (name "") and
// named values of string or 32-bit integer type. Each root is one INI file in
// the registry folder: a section per key, holding its values; a key without
// values is a section without entries. Creating a key creates its parents.
namespace platform::registry {

enum class Root { ClassesRoot, CurrentUser };

struct Value {
    enum class Type { String, Dword } type = Type::String;
    std::string text;     // when String
    uint32_t dword = 0;   // when Dword
    bool operator==(const Value&) const = default;
};

class Registry {
public:
    // `folder` holds the root files; created on the first write when missing.
    explicit Registry(std::string folder = defaultFolder());

    // $STROVIX_REGISTRY when set, else $XDG_CONFIG_HOME/strovix, else ~/.config/strovix.
    static std::string defaultFolder();
    const std::string& folder() const { return m_folder; }

    // Every call reads the root file afresh; every change writes it atomically
    // and returns false when the file cannot be written. Safe from any thread
    // of this process (calls are serialised).
    bool createKey(Root root, std::string_view path);
    bool keyExists(Root root, std::string_view path) const;
    bool setString(Root root, std::string_view path, std::string_view name, std::string_view value);
    bool setDword(Root root, std::string_view path, std::string_view name, uint32_t value);
    std::optional<Value> query(Root root, std::string_view path, std::string_view name) const;
    // The string value, or nothing when absent or of another type.
    std::optional<std::string> queryString(Root root, std::string_view path, std::string_view name) const;
    bool deleteValue(Root root, std::string_view path, std::string_view name);
    // Removes the key and every key below it; true when nothing of it is left.
    bool deleteTree(Root root, std::string_view path);
    // Names of the direct subkeys, as spelled when created.
    std::vector<std::string> subkeys(Root root, std::string_view path) const;
    // Names of the values of a key ("" for a set default value).
    std::vector<std::string> valueNames(Root root, std::string_view path) const;

    std::string fileOf(Root root) const;

private:
    std::string m_folder;
};

} // namespace platform::registry
