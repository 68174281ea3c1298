#include "platform/registry/Registry.h"

#include "platform/ini/IniFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

namespace platform::registry {
namespace {

using ini::IniDocument;

// How values look in the root files: a string is written in double quotes (so
// blanks around it survive), an integer as "dword:" and eight hex digits. The
// default value of a key is stored under the name "@".
constexpr std::string_view kDefaultName = "@";
constexpr std::string_view kDwordPrefix = "dword:";

std::mutex g_lock;

std::string valueKey(std::string_view name)
{
    return name.empty() ? std::string(kDefaultName) : std::string(name);
}

std::string normalise(std::string_view path)
{
    std::string out;
    for (char c : path) {
        if (c == '\\' && (out.empty() || out.back() == '\\'))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

bool isBelow(std::string_view candidate, std::string_view parent)
{
    if (candidate.size() <= parent.size() + 1 || candidate[parent.size()] != '\\')
        return false;
    for (size_t i = 0; i < parent.size(); ++i) {
        auto l = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        if (l(candidate[i]) != l(parent[i]))
            return false;
    }
    return true;
}

bool makeFolders(const std::string& folder)
{
    std::string partial;
    for (size_t i = 0; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') {
            if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
        if (i < folder.size())
            partial += folder[i];
    }
    return true;
}

std::optional<Value> decode(const std::string& raw)
{
    Value v;
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
        v.text = raw.substr(1, raw.size() - 2);
        return v;
    }
    if (raw.rfind(kDwordPrefix, 0) == 0) {
        char* end = nullptr;
        const std::string digits = raw.substr(kDwordPrefix.size());
        const unsigned long n = std::strtoul(digits.c_str(), &end, 16);
        if (digits.empty() || *end != '\0')
            return std::nullopt;
        v.type = Value::Type::Dword;
        v.dword = static_cast<uint32_t>(n);
        return v;
    }
    v.text = raw; // hand-edited file: take the text as it stands
    return v;
}

std::string encode(const Value& v)
{
    if (v.type == Value::Type::Dword) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08x", v.dword);
        return std::string(kDwordPrefix) + buf;
    }
    return "\"" + v.text + "\"";
}

// Adds `path` and each of its parents as sections.
void addKeyWithParents(IniDocument& doc, const std::string& path)
{
    for (size_t i = 0; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\')
            doc.addSection(path.substr(0, i));
}

bool validName(std::string_view name)
{
    return name.find_first_of("=\r\n") == std::string_view::npos && name != kDefaultName;
}

bool validPath(const std::string& path)
{
    return !path.empty() && path.find_first_of("[]\r\n") == std::string::npos;
}

} // namespace

Registry::Registry(std::string folder)
    : m_folder(std::move(folder))
{
}

std::string Registry::defaultFolder()
{
    if (const char* env = std::getenv("STROVIX_REGISTRY"); env && *env)
        return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::string(xdg) + "/strovix";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/strovix";
}

std::string Registry::fileOf(Root root) const
{
    return m_folder + (root == Root::ClassesRoot ? "/HKEY_CLASSES_ROOT.ini" : "/HKEY_CURRENT_USER.ini");
}

bool Registry::createKey(Root root, std::string_view path)
{
    const std::string key = normalise(path);
    if (!validPath(key))
        return false;
    std::lock_guard lock(g_lock);
    IniDocument doc = IniDocument::load(fileOf(root));
    addKeyWithParents(doc, key);
    return makeFolders(m_folder) && doc.save(fileOf(root));
}

bool Registry::keyExists(Root root, std::string_view path) const
{
    std::lock_guard lock(g_lock);
    return IniDocument::load(fileOf(root)).hasSection(normalise(path));
}

bool Registry::setString(Root root, std::string_view path, std::string_view name, std::string_view value)
{
    const std::string key = normalise(path);
    if (!validPath(key) || !validName(name) || value.find_first_of("\r\n") != std::string_view::npos)
        return false;
    std::lock_guard lock(g_lock);
    IniDocument doc = IniDocument::load(fileOf(root));
    addKeyWithParents(doc, key);
    doc.setValue(key, valueKey(name), encode(Value{Value::Type::String, std::string(value), 0}));
    return makeFolders(m_folder) && doc.save(fileOf(root));
}

bool Registry::setDword(Root root, std::string_view path, std::string_view name, uint32_t value)
{
    const std::string key = normalise(path);
    if (!validPath(key) || !validName(name))
        return false;
    std::lock_guard lock(g_lock);
    IniDocument doc = IniDocument::load(fileOf(root));
    addKeyWithParents(doc, key);
    doc.setValue(key, valueKey(name), encode(Value{Value::Type::Dword, {}, value}));
    return makeFolders(m_folder) && doc.save(fileOf(root));
}

std::optional<Value> Registry::query(Root root, std::string_view path, std::string_view name) const
{
    std::lock_guard lock(g_lock);
    const auto raw = IniDocument::load(fileOf(root)).rawValue(normalise(path), valueKey(name));
    if (!raw)
        return std::nullopt;
    return decode(*raw);
}

std::optional<std::string> Registry::queryString(Root root, std::string_view path, std::string_view name) const
{
    const auto v = query(root, path, name);
    if (!v || v->type != Value::Type::String)
        return std::nullopt;
    return v->text;
}

bool Registry::deleteValue(Root root, std::string_view path, std::string_view name)
{
    std::lock_guard lock(g_lock);
    IniDocument doc = IniDocument::load(fileOf(root));
    if (!doc.removeKey(normalise(path), valueKey(name)))
        return true;
    return doc.save(fileOf(root));
}

bool Registry::deleteTree(Root root, std::string_view path)
{
    const std::string key = normalise(path);
    if (key.empty())
        return false;
    std::lock_guard lock(g_lock);
    IniDocument doc = IniDocument::load(fileOf(root));
    bool changed = doc.removeSection(key);
    for (const auto& name : doc.sectionNames())
        if (isBelow(name, key))
            changed = doc.removeSection(name) || changed;
    return !changed || doc.save(fileOf(root));
}

std::vector<std::string> Registry::subkeys(Root root, std::string_view path) const
{
    const std::string key = normalise(path);
    std::lock_guard lock(g_lock);
    std::vector<std::string> out;
    for (const auto& name : IniDocument::load(fileOf(root)).sectionNames()) {
        if (key.empty()) {
            if (name.find('\\') == std::string::npos)
                out.push_back(name);
        } else if (isBelow(name, key) && name.find('\\', key.size() + 1) == std::string::npos) {
            out.push_back(name.substr(key.size() + 1));
        }
    }
    return out;
}

std::vector<std::string> Registry::valueNames(Root root, std::string_view path) const
{
    std::lock_guard lock(g_lock);
    std::vector<std::string> out;
    for (auto& name : IniDocument::load(fileOf(root)).keyNames(normalise(path)))
        out.push_back(name == kDefaultName ? std::string() : name);
    return out;
}

} // namespace platform::registry
