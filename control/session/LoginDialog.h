#pragma once

#include "control/session/Credentials.h"
#include "control/session/MessageTarget.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace strovix {

// The small "Camera login" dialog: user, password and "Remember".
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(const QString& hostPort, const QString& realm, QWidget* parent = nullptr);
    Credentials credentials() const;

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
    QCheckBox* m_remember;
};

// Asks the operator on the GUI thread, reached through the control's
// message target; the asking worker waits and gives up (closing the dialog)
// as soon as its cancel flag is set. A dialog still open when the target
// closes is closed with it, and a question after that has no answer.
// Called on the GUI thread itself, the dialog runs modally at once.
class DialogCredentialsProvider : public CredentialsProvider {
public:
    explicit DialogCredentialsProvider(MessageTargetPtr target) : m_target(std::move(target)) { }
    std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                   const std::atomic<int>& cancel) override;

private:
    MessageTargetPtr m_target;
};

} // namespace strovix
