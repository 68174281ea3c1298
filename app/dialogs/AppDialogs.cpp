#include "app/dialogs/AppDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QMessageBox::Icon toQt(AppDialogs::Icon icon)
{
    switch (icon) {
    case AppDialogs::Icon::None: break;
    case AppDialogs::Icon::Information: return QMessageBox::Information;
    case AppDialogs::Icon::Question: return QMessageBox::Question;
    case AppDialogs::Icon::Warning: return QMessageBox::Warning;
    case AppDialogs::Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

const char* nameOf(AppDialogs::Icon icon)
{
    switch (icon) {
    case AppDialogs::Icon::None: break;
    case AppDialogs::Icon::Information: return "information";
    case AppDialogs::Icon::Question: return "question";
    case AppDialogs::Icon::Warning: return "warning";
    case AppDialogs::Icon::Critical: return "critical";
    }
    return "none";
}

const char* nameOf(AppDialogs::Buttons buttons)
{
    switch (buttons) {
    case AppDialogs::Buttons::Ok: break;
    case AppDialogs::Buttons::OkCancel: return "ok-cancel";
    case AppDialogs::Buttons::YesNo: return "yes-no";
    }
    return "ok";
}

AppDialogs::Answer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return AppDialogs::Answer::Cancel;
    case QMessageBox::Yes: return AppDialogs::Answer::Yes;
    case QMessageBox::No: return AppDialogs::Answer::No;
    default: return AppDialogs::Answer::Ok;
    }
}

class PlatformDialogs final : public AppDialogs {
public:
    Answer ask(QWidget* owner, const Box& box) override
    {
        QPointer<QMessageBox> shown = make(owner ? owner : QApplication::activeWindow(), box);
        const int button = shown->exec();
        delete shown.data();
        return fromQt(button);
    }

    void open(QWidget* owner, const Box& box, std::function<void(Answer)> closed) override
    {
        QMessageBox* shown = make(owner, box);
        shown->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(shown, &QMessageBox::finished, shown, [closed = std::move(closed)](int button) {
            if (closed)
                closed(fromQt(button));
        });
        shown->open();
    }

    void closeAll() override
    {
        // A box may open another when it closes; those are closed in turn.
        for (int round = 0; round < 8 && !m_boxes.empty(); ++round) {
            std::vector<QPointer<QMessageBox>> boxes;
            boxes.swap(m_boxes);
            for (const auto& box : boxes)
                if (box && box->isVisible())
                    box->defaultButton()->click();
        }
    }

    std::optional<std::string> folderName(QWidget* owner, const std::string& caption,
                                          const std::string& start) override
    {
        const QString folder = QFileDialog::getExistingDirectory(owner, QString::fromStdString(caption),
                                                                 QString::fromStdString(start));
        return chosen(folder);
    }
    std::optional<std::string> openFileName(QWidget* owner, const std::string& caption,
                                            const std::string& filter) override
    {
        return chosen(QFileDialog::getOpenFileName(owner, QString::fromStdString(caption), {},
                                                   QString::fromStdString(filter)));
    }
    std::optional<std::string> saveFileName(QWidget* owner, const std::string& caption, const std::string& filter,
                                            const std::string& suggested) override
    {
        return chosen(QFileDialog::getSaveFileName(owner, QString::fromStdString(caption),
                                                   QString::fromStdString(suggested), QString::fromStdString(filter)));
    }

private:
    static std::optional<std::string> chosen(const QString& path)
    {
        if (path.isEmpty())
            return std::nullopt;
        return path.toStdString();
    }

    QMessageBox* make(QWidget* owner, const Box& box)
    {
        logBox(box);
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton preferred = QMessageBox::Ok;
        if (box.buttons == Buttons::OkCancel)
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
        if (box.buttons == Buttons::YesNo) {
            buttons = QMessageBox::Yes | QMessageBox::No;
            preferred = QMessageBox::Yes;
        }
        auto* shown = new QMessageBox(toQt(box.icon), QString::fromStdString(box.caption),
                                      QString::fromStdString(box.text), buttons, owner);
        shown->setDefaultButton(preferred);
        m_boxes.erase(std::remove_if(m_boxes.begin(), m_boxes.end(), [](const auto& b) { return b.isNull(); }),
                      m_boxes.end());
        m_boxes.emplace_back(shown);
        return shown;
    }

    // OCULON_BOX_LOG names a file that gets one line per box shown, for the
    // tests that run the program itself: icon|buttons|caption|text.
    static void logBox(const Box& box)
    {
        const char* path = std::getenv("OCULON_BOX_LOG");
        if (!path || !*path)
            return;
        if (std::FILE* log = std::fopen(path, "a")) {
            std::fprintf(log, "%s|%s|%s|%s\n", nameOf(box.icon), nameOf(box.buttons), box.caption.c_str(),
                         box.text.c_str());
            std::fclose(log);
        }
    }

    std::vector<QPointer<QMessageBox>> m_boxes;
};

AppDialogs* g_installed = nullptr;

} // namespace

AppDialogs& AppDialogs::current()
{
    static PlatformDialogs platform;
    return g_installed ? *g_installed : platform;
}

void AppDialogs::install(AppDialogs* dialogs) { g_installed = dialogs; }

bool RepeatedBoxes::show(QWidget* owner, const AppDialogs::Box& box)
{
    if (!m_onScreen.insert(box.text).second)
        return false;
    AppDialogs::current().open(owner, box, [this, alive = std::weak_ptr<bool>(m_alive), text = box.text](AppDialogs::Answer) {
        if (alive.lock())
            m_onScreen.erase(text);
    });
    return true;
}
