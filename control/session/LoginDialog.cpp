#include "control/session/LoginDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace strovix {

QString loginPrompt(const QString& viewName, const QString& hostPort, const QString& realm)
{
    QString where = viewName.isEmpty() ? hostPort : viewName + QStringLiteral(" at ") + hostPort;
    if (!realm.isEmpty())
        where += QStringLiteral(" \u2014 ") + realm;
    return where;
}

LoginDialog::LoginDialog(const QString& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(new QLabel(prompt, this)), m_user(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_remember(new QCheckBox(tr("Remember"), this))
{
    setWindowTitle(tr("Camera login"));
    setObjectName("CameraLoginDlg");
    m_user->setObjectName("userTxt");
    m_password->setObjectName("passwordTxt");
    m_password->setEchoMode(QLineEdit::Password);
    m_remember->setObjectName("rememberChk");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    // The camera's own texts are shown as they are, never as markup.
    m_prompt->setObjectName("promptLbl");
    m_prompt->setTextFormat(Qt::PlainText);
    form->addRow(m_prompt);
    form->addRow(tr("User"), m_user);
    form->addRow(tr("Password"), m_password);
    form->addRow(m_remember);
    form->addRow(buttons);
}

QString LoginDialog::prompt() const
{
    return m_prompt->text();
}

Credentials LoginDialog::credentials() const
{
    return {m_user->text().toStdString(), m_password->text().toStdString(), m_remember->isChecked()};
}

namespace {

struct Question {
    std::mutex lock;
    std::condition_variable cv;
    bool answered = false;
    std::optional<Credentials> answer;
    QPointer<LoginDialog> dialog;

    void give(std::optional<Credentials> a)
    {
        {
            std::lock_guard g(lock);
            if (answered)
                return;
            answered = true;
            answer = std::move(a);
        }
        cv.notify_all();
    }
};

} // namespace

QString DialogCredentialsProvider::promptFor(const ViewName& viewName, const std::string& hostPort,
                                             const std::string& realm)
{
    const std::string name = viewName ? viewName() : std::string();
    return loginPrompt(QString::fromStdString(name), QString::fromStdString(hostPort), QString::fromStdString(realm));
}

std::optional<Credentials> DialogCredentialsProvider::ask(const std::string& hostPort, const std::string& realm,
                                                          const std::atomic<int>& cancel)
{
    auto* app = QCoreApplication::instance();
    if (!app || !qobject_cast<QApplication*>(app))
        return std::nullopt; // no widgets in this process
    if (QThread::currentThread() == app->thread()) {
        LoginDialog dlg(promptFor(m_viewName, hostPort, realm));
        if (dlg.exec() == QDialog::Accepted)
            return dlg.credentials();
        return std::nullopt;
    }

    auto q = std::make_shared<Question>();
    // The texts cross as standard strings: the dialog's QStrings are made and
    // dropped on the window thread only.
    const bool queued = m_target->invoke([q, host = hostPort, area = realm, target = m_target, name = m_viewName] {
        {
            std::lock_guard g(q->lock);
            if (q->answered)
                return; // the worker gave up before the dialog came
        }
        auto* dlg = new LoginDialog(promptFor(name, host, area));
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        q->dialog = dlg;
        QObject::connect(dlg, &QDialog::finished, dlg, [q, dlg](int result) {
            q->give(result == QDialog::Accepted ? std::optional<Credentials>(dlg->credentials()) : std::nullopt);
        });
        // The target closes when its control goes: the dialog goes with it.
        QObject::connect(target->lifetime(), &QObject::destroyed, dlg, &QDialog::reject);
        dlg->open();
    });
    if (!queued)
        return std::nullopt;

    std::unique_lock g(q->lock);
    while (!q->answered) {
        if (cancel.load() != 0) {
            q->answered = true;
            g.unlock();
            // Close a dialog nobody waits for any more (dropped when the
            // target closed meanwhile: the dialog went with it).
            m_target->invoke([q] {
                if (q->dialog)
                    q->dialog->reject();
            });
            return std::nullopt;
        }
        q->cv.wait_for(g, std::chrono::milliseconds(50));
    }
    return q->answer;
}

} // namespace strovix
