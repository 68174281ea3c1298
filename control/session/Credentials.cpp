#include "control/session/Credentials.h"

#include "control/session/SessionLog.h"
#include "control/session/FieldCodec.h"
#include "control/session/LoginQuestions.h"
#include "control/session/SecretVault.h"
#include "platform/fs/AtomicFile.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace strovix {

std::string userStoreFolder()
{
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        return std::string(x) + "/strovix";
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.config/strovix";
    return {};
}

CredentialStore::CredentialStore(std::string file)
    : m_file(std::move(file)), m_questions(std::make_unique<LoginQuestions>(*this))
{
}

CredentialStore::~CredentialStore() = default;

std::string CredentialStore::defaultFile()
{
    const std::string folder = userStoreFolder();
    return folder.empty() ? folder : folder + "/credentials";
}

std::shared_ptr<CredentialStore> CredentialStore::shared()
{
    static const auto store = std::make_shared<CredentialStore>(defaultFile());
    return store;
}

void CredentialStore::loadLocked()
{
    if (m_loaded)
        return;
    m_loaded = true;
    std::string text;
    std::string whyNot;
    if (m_file.empty())
        return;
    const auto status = platform::fs::readFile(m_file, text, whyNot);
    if (status == platform::fs::ReadStatus::Refused) {
        // Remembered logins that cannot be read now are not wiped by the
        // next save: the file is left alone for this run.
        m_unreadable = true;
        qCWarning(sessionLog, "%s cannot be read (%s); remembered logins are not used or changed in this run",
                  m_file.c_str(), whyNot.c_str());
    }
    if (status == platform::fs::ReadStatus::Read) {
        // Passwords are for the owner's eyes only: a file found readable by
        // others (copied, restored from a backup) is narrowed at once, not
        // only when it is next written.
        struct stat st{};
        if (::stat(m_file.c_str(), &st) == 0 && (st.st_mode & 0077) != 0)
            ::chmod(m_file.c_str(), 0600);
        for (auto& [hostPort, user, password] : readRecords(text))
            m_inFile[hostPort] = Credentials{user, password, true};
    }

    std::string noVault;
    m_vault = SecretVault::open(noVault);
    if (m_vault) {
        std::string unread;
        if (!m_vault->all(m_remembered, unread))
            qCWarning(sessionLog, "the remembered logins in the desktop keyring cannot be read: %s", unread.c_str());
        moveFileIntoKeyringLocked();
    } else {
        qCInfo(sessionLog, "no Secret Service answers (%s): remembered logins are kept in %s, readable by you only",
               noVault.c_str(), m_file.c_str());
    }
    for (const auto& [hostPort, c] : m_inFile)
        m_remembered[hostPort] = c;
}

// Once, at the first use: every login the file holds goes into the keyring,
// and the file keeps only those the keyring would not take.
void CredentialStore::moveFileIntoKeyringLocked()
{
    if (m_inFile.empty() || m_unreadable)
        return;
    size_t moved = 0;
    for (auto it = m_inFile.begin(); it != m_inFile.end();) {
        std::string whyNot;
        if (m_vault->store(it->first, it->second, whyNot)) {
            m_remembered[it->first] = it->second;
            it = m_inFile.erase(it);
            ++moved;
        } else {
            qCWarning(sessionLog, "the login for %s stays in %s: the keyring would not take it (%s)",
                      it->first.c_str(), m_file.c_str(), whyNot.c_str());
            ++it;
        }
    }
    if (saveFileLocked())
        qCInfo(sessionLog, "%zu remembered login(s) moved from %s into the desktop keyring", moved, m_file.c_str());
}

bool CredentialStore::saveFileLocked()
{
    if (m_file.empty())
        return true;
    if (m_unreadable)
        return false;
    std::string text;
    for (const auto& [key, c] : m_inFile)
        text += recordLine(key, c.user, c.password);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_file).parent_path(), ec);
    const bool ok = platform::fs::writeFileAtomically(m_file, text, 0600);
    // A file that existed with wider permissions is narrowed as well.
    ::chmod(m_file.c_str(), 0600);
    return ok;
}

void CredentialStore::keepLocked(const std::string& hostPort)
{
    if (m_file.empty())
        return;
    const auto it = m_remembered.find(hostPort);
    if (m_vault) {
        std::string whyNot;
        const bool kept = it != m_remembered.end() ? m_vault->store(hostPort, it->second, whyNot)
                                                   : m_vault->remove(hostPort, whyNot);
        if (kept) {
            // Nothing of this camera is left behind in the file.
            if (m_inFile.erase(hostPort) > 0)
                saveFileLocked();
            return;
        }
        qCWarning(sessionLog, "the desktop keyring did not take the login for %s (%s); it is kept in %s",
                  hostPort.c_str(), whyNot.c_str(), m_file.c_str());
    }
    if (it != m_remembered.end())
        m_inFile[hostPort] = it->second;
    else
        m_inFile.erase(hostPort);
    saveFileLocked();
}

bool CredentialStore::usesKeyring()
{
    std::lock_guard g(m_lock);
    loadLocked();
    return m_vault != nullptr;
}

std::optional<Credentials> CredentialStore::lookup(const std::string& hostPort)
{
    std::lock_guard g(m_lock);
    loadLocked();
    if (auto it = m_run.find(hostPort); it != m_run.end())
        return it->second;
    if (auto it = m_remembered.find(hostPort); it != m_remembered.end())
        return it->second;
    return std::nullopt;
}

void CredentialStore::accepted(const std::string& hostPort, const Credentials& c)
{
    std::lock_guard g(m_lock);
    loadLocked();
    m_run[hostPort] = c;
    if (c.remember) {
        auto it = m_remembered.find(hostPort);
        if (it == m_remembered.end() || !(it->second == c)) {
            m_remembered[hostPort] = c;
            keepLocked(hostPort);
        }
    }
}

void CredentialStore::refused(const std::string& hostPort, const Credentials& c)
{
    std::lock_guard g(m_lock);
    loadLocked();
    if (auto it = m_run.find(hostPort); it != m_run.end() && it->second == c)
        m_run.erase(it);
    if (auto it = m_remembered.find(hostPort); it != m_remembered.end() && it->second == c) {
        m_remembered.erase(it);
        keepLocked(hostPort);
    }
}

void CredentialStore::offered(const std::string& hostPort, const Credentials& c)
{
    std::lock_guard g(m_lock);
    loadLocked();
    m_run[hostPort] = c;
}

} // namespace strovix
