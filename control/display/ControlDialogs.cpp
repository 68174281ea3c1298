#include "control/display/ControlDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace strovix {

namespace {

QMessageBox::Icon toQt(ControlDialogs::Icon icon)
{
    switch (icon) {
    case ControlDialogs::Icon::None: break;
    case ControlDialogs::Icon::Information: return QMessageBox::Information;
    case ControlDialogs::Icon::Warning: return QMessageBox::Warning;
    case ControlDialogs::Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

class PlatformDialogs final : public ControlDialogs {
public:
    void message(QWidget* owner, const std::string& caption, const std::string& text, Icon icon) override
    {
        QMessageBox box(toQt(icon), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                        owner ? owner : QApplication::activeWindow());
        box.exec();
    }

    void notify(QWidget* owner, const std::string& caption, const std::string& text, Icon icon) override
    {
        auto* box = new QMessageBox(toQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                                    QMessageBox::Ok, owner);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }

    std::optional<std::string> saveFileName(QWidget* owner, const SaveFile& request) override
    {
        QFileDialog dialog(owner ? owner : QApplication::activeWindow());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
        dialog.selectFile(QString::fromStdString(request.proposedName));
        dialog.setNameFilter(QString::fromStdString(request.filter));
        // The overwrite prompt is on by default (DontConfirmOverwrite unset).
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front().toStdString();
    }
};

ControlDialogs* g_installed = nullptr;

} // namespace

ControlDialogs& ControlDialogs::current()
{
    static PlatformDialogs platform;
    return g_installed ? *g_installed : platform;
}

void ControlDialogs::install(ControlDialogs* dialogs) { g_installed = dialogs; }

} // namespace strovix
