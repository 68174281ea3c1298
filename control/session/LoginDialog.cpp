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

LoginDialog::LoginDialog(const QString& hostPort, const QString& realm, QWidget* parent)
    : QDialog(parent), m_user(new QLineEdit(this)), m_password(new QLineEdit(this)), m_remember(new QCheckBox(tr("Remember"), this))
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
    const QString where = realm.isEmpty() ? hostPort : hostPort + " (" + realm + ")";
    form->addRow(new QLabel(where, this));
    form->addRow(tr("User"), m_user);
    form->addRow(tr("Password"), m_password);
    form->addRow(m_remember);
    form->addRow(buttons);
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

std::optional<Credentials> DialogCredentialsProvider::ask(const std::string& hostPort, const std::string& realm,
                                                          const std::atomic<int>& cancel)
{
    auto* app = QCoreApplication::instance();
    if (!app || !qobject_cast<QApplication*>(app))
        return std::nullopt; // no widgets in this process
    if (QThread::currentThread() == app->thread()) {
        LoginDialog dlg(QString::fromStdString(hostPort), QString::fromStdString(realm));
        if (dlg.exec() == QDialog::Accepted)
            return dlg.credentials();
        return std::nullopt;
    }

    auto q = std::make_shared<Question>();
    // The texts cross as standard strings: the dialog's QStrings are made and
    // dropped on the window thread only.
    const bool queued = m_target->invoke([q, host = hostPort, area = realm, target = m_target] {
        {
            std::lock_guard g(q->lock);
            if (q->answered)
                return; // the worker gave up before the dialog came
        }
        auto* dlg = new LoginDialog(QString::fromStdString(host), QString::fromStdString(area));
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
