#include "control/session/UrlSettingsStore.h"

#include "control/session/SessionLog.h"
#include "control/session/FieldCodec.h"
#include "platform/fs/AtomicFile.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

namespace strovix {
namespace {

struct Entry {
    std::string url, name, value;
};

std::vector<Entry> parse(const std::string& text)
{
    std::vector<Entry> out;
    for (auto& [url, name, value] : readRecords(text))
        out.push_back({std::move(url), std::move(name), std::move(value)});
    return out;
}

int decimalOf(const std::string& s)
{
    // Leading blanks, an optional sign, then digits; anything else ends it.
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        v = std::min<long long>(v * 10 + (s[i] - '0'), 1LL << 32);
    return static_cast<int>(negative ? -std::min<long long>(v, 1) : std::min<long long>(v, 2));
}

} // namespace

UrlSettingsStore::UrlSettingsStore(std::string file) : m_file(std::move(file))
{
    if (m_file.empty()) {
        const std::string folder = userStoreFolder();
        if (!folder.empty())
            m_file = folder + "/url-settings";
    }
}

std::optional<std::string> UrlSettingsStore::read(const std::string& url) const
{
    std::lock_guard g(m_lock);
    std::string text;
    if (m_file.empty() || !platform::fs::readWholeFile(m_file, text))
        return std::nullopt;
    std::string out;
    for (const auto& e : parse(text)) {
        if (e.url != url)
            continue;
        if (!out.empty())
            out += "; ";
        out += e.name + "=" + e.value;
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

bool UrlSettingsStore::write(const std::string& url, const std::string& name, const std::string& value)
{
    std::lock_guard g(m_lock);
    if (m_file.empty())
        return false;
    std::string text;
    std::string whyNot;
    // A store that is there but cannot be read is never replaced by one
    // made of this single value.
    if (platform::fs::readFile(m_file, text, whyNot) == platform::fs::ReadStatus::Refused) {
        qCWarning(sessionLog, "%s cannot be read (%s); it is left as it is", m_file.c_str(), whyNot.c_str());
        return false;
    }
    auto entries = parse(text);
    bool replaced = false;
    for (auto& e : entries)
        if (e.url == url && e.name == name) {
            e.value = value;
            replaced = true;
        }
    if (!replaced)
        entries.push_back({url, name, value});
    std::string out;
    for (const auto& e : entries)
        out += recordLine(e.url, e.name, e.value);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_file).parent_path(), ec);
    return platform::fs::writeFileAtomically(m_file, out, 0600);
}

void applyAudioSettings(const std::string& text, int& audio, int& audioFormat)
{
    std::vector<std::string> pieces;
    std::string current;
    for (char c : text) {
        if (c == '=' || c == ';' || c == '\n') {
            if (!current.empty())
                pieces.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        pieces.push_back(std::move(current));
    auto pick = [](const std::string& s) {
        const int v = decimalOf(s);
        return v == 0 || v == 1 ? v : 0;
    };
    if (pieces.size() >= 2)
        audio = pick(pieces[1]);
    if (pieces.size() >= 4)
        audioFormat = pick(pieces[3]);
}

} // namespace strovix
