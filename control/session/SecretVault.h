#pragma once

#include "control/session/Credentials.h"

#include <map>
#include <memory>
#include <string>

namespace strovix {

// The remembered camera logins in the desktop's keyring, through the Secret
// Service of the session (libsecret): one item per camera, its attributes
// the camera's host:port and the user, its secret the password. Any thread;
// a call may wait for the service (and, with a locked keyring, for the
// operator to unlock it).
class SecretVault {
public:
    // The vault of the session's Secret Service; null (and `whyNot` said)
    // when no service answers: no session bus, or no keyring on it.
    static std::unique_ptr<SecretVault> open(std::string& whyNot);
    ~SecretVault();

    // Every login kept, by host:port; false when they could not be read.
    bool all(std::map<std::string, Credentials>& into, std::string& whyNot);
    // Keeps `c` for `hostPort`, replacing what was kept for it.
    bool store(const std::string& hostPort, const Credentials& c, std::string& whyNot);
    // Forgets what is kept for `hostPort` (true when nothing is left).
    bool remove(const std::string& hostPort, std::string& whyNot);

private:
    explicit SecretVault(void* service);
    void* m_service; // SecretService*, one reference
};

} // namespace strovix
