#pragma once

#include "control/session/Credentials.h"
#include "control/session/MessageTarget.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace strovix {

// The line that tells the operator which camera asks, as he knows it:
// "Camera 3 (Gate) at 127.0.0.1:24315 — realm". An empty view name or realm
// is left out with the words that go with it.
QString loginPrompt(const QString& viewName, const QString& hostPort, const QString& realm);

// The small "Camera login" dialog: which camera asks, user, password and
// "Remember".
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(const QString& prompt, QWidget* parent = nullptr);
    Credentials credentials() const;
    QString prompt() const;

private:
    QLabel* m_prompt;
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
    // The name of the view that asks, as the operator knows it (see
    // loginPrompt); called on the GUI thread as each dialog is made, so the
    // name is the one of that moment. Null or empty: the address alone.
    using ViewName = std::function<std::string()>;

    explicit DialogCredentialsProvider(MessageTargetPtr target, ViewName viewName = {})
        : m_target(std::move(target)), m_viewName(std::move(viewName))
    {
    }
    std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                   const std::atomic<int>& cancel) override;

private:
    // The dialog's prompt; GUI thread.
    static QString promptFor(const ViewName& viewName, const std::string& hostPort, const std::string& realm);

    MessageTargetPtr m_target;
    const ViewName m_viewName;
};

} // namespace strovix
