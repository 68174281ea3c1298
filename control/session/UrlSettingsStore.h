#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace strovix {

// Small named values kept per camera URL in a per-user file (the control's
// "Audio" and "AudioFormat"); they never expire. Any thread; every call reads
// the file afresh and every change replaces it atomically.
class UrlSettingsStore {
public:
    // `file` empty: the default $XDG_CONFIG_HOME/strovix/url-settings.
    explicit UrlSettingsStore(std::string file = {});

    // The values of `url` as one text "name=value; name=value" in the order
    // they were first stored; nothing when the URL has none.
    std::optional<std::string> read(const std::string& url) const;
    // Stores (or replaces) one value of `url`. False when the file cannot be
    // written.
    bool write(const std::string& url, const std::string& name, const std::string& value);

    const std::string& file() const { return m_file; }

private:
    std::string m_file;
    mutable std::mutex m_lock;
};

// Reads the Audio and AudioFormat values from a stored text: split at "=",
// ";" and line feeds (empty pieces skipped), the second piece read as a
// decimal number becomes Audio when it is 0 or 1 and 0 otherwise, the fourth
// likewise AudioFormat. Values that are missing leave the inputs unchanged.
void applyAudioSettings(const std::string& text, int& audio, int& audioFormat);

} // namespace strovix
