#include "platform/ini/IniFile.h"

#include "platform/fs/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <map>
#include <mutex>

namespace platform::ini {
namespace {

constexpr size_t npos = std::string::npos;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// Cuts to at most `maxBytes`, stepping back over a partial UTF-8 sequence.
std::string cut(std::string_view s, size_t maxBytes)
{
    if (s.size() <= maxBytes)
        return std::string(s);
    size_t n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return std::string(s.substr(0, n));
}

std::string unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return std::string(v.substr(1, v.size() - 2));
    return std::string(v);
}

std::mutex g_refusalLock;
// Guarded by g_refusalLock:
std::map<std::string, std::string> g_refusals;
std::function<void(const std::string&, const std::string&)> g_reporter;
std::function<void(const std::string&, FileEvent)> g_observer;

void tell(const std::string& file, FileEvent event)
{
    std::function<void(const std::string&, FileEvent)> observer;
    {
        std::lock_guard g(g_refusalLock);
        observer = g_observer;
    }
    if (observer)
        observer(file, event);
}

void refuse(const std::string& file, const std::string& reason)
{
    std::lock_guard g(g_refusalLock);
    g_refusals.emplace(file, "The file " + file + " cannot be read: " + reason
                                 + ". It is left as it is: nothing is written to it until it can be read and "
                                   "the program is started again; default settings are used meanwhile.");
}

// True (and the reporter told) when writes to `file` are refused.
bool writeRefused(const std::string& file)
{
    std::function<void(const std::string&, const std::string&)> reporter;
    std::string message;
    {
        std::lock_guard g(g_refusalLock);
        const auto it = g_refusals.find(file);
        if (it == g_refusals.end())
            return false;
        message = it->second;
        reporter = g_reporter;
    }
    if (reporter)
        reporter(file, message);
    errno = EACCES;
    return true;
}

} // namespace

std::optional<std::string> refusal(const std::string& file)
{
    std::lock_guard g(g_refusalLock);
    const auto it = g_refusals.find(file);
    if (it == g_refusals.end())
        return std::nullopt;
    return it->second;
}

void setRefusalReporter(std::function<void(const std::string& file, const std::string& message)> reporter)
{
    std::lock_guard g(g_refusalLock);
    g_reporter = std::move(reporter);
}

void setFileObserver(std::function<void(const std::string& file, FileEvent event)> observer)
{
    std::lock_guard g(g_refusalLock);
    g_observer = std::move(observer);
}

void clearRefusals()
{
    std::lock_guard g(g_refusalLock);
    g_refusals.clear();
}

int32_t leadingInt(std::string_view text)
{
    text = trim(text);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturate, keep scanning cheap
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int32_t>(value);
}

IniDocument IniDocument::parse(std::string_view text)
{
    IniDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
        doc.m_bom = true;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string_view raw = text.substr(pos, end == npos ? npos : end - pos);
        pos = end == npos ? text.size() : end + 1;
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
            doc.m_crlf = true; // a file written with "\r\n" keeps them
        }

        Line line;
        line.text = std::string(raw);
        const std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            const size_t close = t.find(']');
            if (close != npos) {
                line.kind = Line::Kind::Section;
                line.name = std::string(trim(t.substr(1, close - 1)));
            }
        } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
            const size_t eq = t.find('=');
            if (eq != npos) {
                line.kind = Line::Kind::Entry;
                line.name = std::string(trim(t.substr(0, eq)));
            }
        }
        doc.m_lines.push_back(std::move(line));
    }
    return doc;
}

IniDocument IniDocument::load(const std::string& file)
{
    std::string text;
    std::string whyNot;
    const fs::ReadStatus status = fs::readFile(file, text, whyNot);
    if (status == fs::ReadStatus::Refused)
        refuse(file, whyNot);
    if (status != fs::ReadStatus::Read)
        return {};
    tell(file, FileEvent::Read);
    return parse(text);
}

size_t IniDocument::findSection(std::string_view section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Line::Kind::Section && sameName(m_lines[i].name, section))
            return i;
    return npos;
}

size_t IniDocument::sectionEnd(size_t at) const
{
    size_t i = at + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Kind::Section)
        ++i;
    return i;
}

size_t IniDocument::findKey(size_t header, std::string_view key) const
{
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (m_lines[i].kind == Line::Kind::Entry && sameName(m_lines[i].name, key))
            return i;
    return npos;
}

bool IniDocument::hasSection(std::string_view section) const
{
    return findSection(section) != npos;
}

std::optional<std::string> IniDocument::rawValue(std::string_view section, std::string_view key) const
{
    const size_t header = findSection(section);
    if (header == npos)
        return std::nullopt;
    const size_t at = findKey(header, key);
    if (at == npos)
        return std::nullopt;
    const std::string& text = m_lines[at].text;
    return std::string(trim(std::string_view(text).substr(text.find('=') + 1)));
}

std::vector<std::string> IniDocument::sectionNames() const
{
    std::vector<std::string> names;
    for (const auto& line : m_lines)
        if (line.kind == Line::Kind::Section)
            names.push_back(line.name);
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const
{
    std::vector<std::string> names;
    const size_t header = findSection(section);
    if (header == npos)
        return names;
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (m_lines[i].kind == Line::Kind::Entry)
            names.push_back(m_lines[i].name);
    return names;
}

void IniDocument::addSection(std::string_view section)
{
    if (findSection(section) != npos)
        return;
    Line line;
    line.kind = Line::Kind::Section;
    line.name = std::string(section);
    line.text = "[" + line.name + "]";
    m_lines.push_back(std::move(line));
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    addSection(section);
    const size_t header = findSection(section);
    const size_t at = findKey(header, key);
    if (at != npos) {
        // Keep the spelling of the key as the file has it.
        m_lines[at].text = m_lines[at].name + "=" + std::string(value);
        return;
    }
    // A new key goes after the section's last entry, before trailing blank lines
    // and comments that introduce the next section.
    size_t insertAt = header + 1;
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (m_lines[i].kind == Line::Kind::Entry || !trim(m_lines[i].text).empty())
            insertAt = i + 1;
    if (end < m_lines.size()) {
        // Comments just above the next header belong to it.
        while (insertAt > header + 1 && m_lines[insertAt - 1].kind == Line::Kind::Other
               && !trim(m_lines[insertAt - 1].text).empty())
            --insertAt;
    }
    Line line;
    line.kind = Line::Kind::Entry;
    line.name = std::string(key);
    line.text = line.name + "=" + std::string(value);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

bool IniDocument::removeKey(std::string_view section, std::string_view key)
{
    const size_t header = findSection(section);
    if (header == npos)
        return false;
    const size_t at = findKey(header, key);
    if (at == npos)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

bool IniDocument::removeSection(std::string_view section)
{
    const size_t header = findSection(section);
    if (header == npos)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
    return true;
}

std::string IniDocument::text() const
{
    std::string out = m_bom ? "\xEF\xBB\xBF" : "";
    for (const auto& line : m_lines) {
        out += line.text;
        out += m_crlf ? "\r\n" : "\n";
    }
    return out;
}

bool IniDocument::save(const std::string& file) const
{
    if (writeRefused(file))
        return false;
    if (!fs::writeFileAtomically(file, text()))
        return false;
    tell(file, FileEvent::Written);
    return true;
}

std::string readString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view def, size_t bufferSize)
{
    const size_t maxBytes = bufferSize > 0 ? bufferSize - 1 : 0;
    const auto value = IniDocument::load(file).rawValue(section, key);
    if (!value)
        return cut(def, maxBytes);
    return cut(unquote(*value), maxBytes);
}

int32_t readInt(const std::string& file, std::string_view section, std::string_view key, int32_t def)
{
    const auto value = IniDocument::load(file).rawValue(section, key);
    if (!value)
        return def;
    return leadingInt(unquote(*value));
}

bool writeString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value)
{
    // A value cannot span lines in this format.
    if (section.empty() || key.empty() || value.find_first_of("\r\n") != std::string_view::npos
        || key.find('=') != std::string_view::npos)
        return false;
    if (writeRefused(file))
        return false;
    IniDocument doc = IniDocument::load(file);
    doc.setValue(section, key, value);
    return doc.save(file);
}

bool deleteKey(const std::string& file, std::string_view section, std::string_view key)
{
    IniDocument doc = IniDocument::load(file);
    if (writeRefused(file))
        return false;
    if (!doc.removeKey(section, key))
        return true;
    return doc.save(file);
}

bool deleteSection(const std::string& file, std::string_view section)
{
    IniDocument doc = IniDocument::load(file);
    if (writeRefused(file))
        return false;
    if (!doc.removeSection(section))
        return true;
    return doc.save(file);
}

std::vector<std::string> sections(const std::string& file)
{
    return IniDocument::load(file).sectionNames();
}

std::vector<std::string> keys(const std::string& file, std::string_view section)
{
    return IniDocument::load(file).keyNames(section);
}

} // namespace platform::ini
