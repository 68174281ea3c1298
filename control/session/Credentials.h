#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace strovix {

struct Credentials {
    std::string user;
    std::string password;
    bool remember = false; // keep them in the per-user file as well
    bool operator==(const Credentials& o) const { return user == o.user && password == o.password; }
};

// Answers a camera's request for a user name and password (401 or 407).
// Called on the worker thread that runs the request; it must return nothing
// soon after `cancel` reads nonzero (the request was aborted or the worker is
// asked to stop). Nothing means: refused, the request ends with result 8.
class CredentialsProvider {
public:
    virtual ~CredentialsProvider() = default;
    virtual std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                           const std::atomic<int>& cancel) = 0;
};

// Credentials per "host:port": those that worked are kept for the run of the
// process; those the operator asked to remember are also kept for later runs:
// in the desktop's keyring (the session's Secret Service), or where no
// service answers, in a per-user file readable by the owner only (mode 0600).
// Logins found in the file while the keyring answers move into the keyring
// and leave the file. Any thread.
class LoginQuestions;
class SecretVault;

class CredentialStore {
public:
    // `file` empty: nothing is read from or written to disk or the keyring.
    explicit CredentialStore(std::string file);
    ~CredentialStore();
    CredentialStore(const CredentialStore&) = delete;
    CredentialStore& operator=(const CredentialStore&) = delete;

    // The store every control of the process shares: the file
    // $XDG_CONFIG_HOME/strovix/credentials (default ~/.config/strovix/).
    static std::shared_ptr<CredentialStore> shared();
    static std::string defaultFile();

    std::optional<Credentials> lookup(const std::string& hostPort);
    // Credentials that were accepted by the camera.
    void accepted(const std::string& hostPort, const Credentials& c);
    // Credentials the camera refused: forgotten for the run (and in the file).
    void refused(const std::string& hostPort, const Credentials& c);
    // Credentials the operator just gave: the ones to try for the run from
    // now on; written to the file only once accepted.
    void offered(const std::string& hostPort, const Credentials& c);

    // The questions to the operator for the cameras whose credentials are
    // kept here (one at a time per host:port).
    LoginQuestions& questions() { return *m_questions; }

    // Whether remembered logins go to the keyring (known after the first use).
    bool usesKeyring();

private:
    void loadLocked();
    // Keeps the remembered login of `hostPort` (or its absence) for later runs.
    void keepLocked(const std::string& hostPort);
    bool saveFileLocked();
    void moveFileIntoKeyringLocked();

    const std::string m_file;
    std::mutex m_lock;
    // Guarded by m_lock:
    bool m_loaded = false;
    bool m_unreadable = false; // the file is there but could not be read: never written this run
    std::map<std::string, Credentials> m_run;        // this run
    std::map<std::string, Credentials> m_remembered; // mirrored in the keyring or the file
    std::map<std::string, Credentials> m_inFile;     // those the file holds
    std::unique_ptr<SecretVault> m_vault;            // null: the file serves

    const std::unique_ptr<LoginQuestions> m_questions;
};

} // namespace strovix
