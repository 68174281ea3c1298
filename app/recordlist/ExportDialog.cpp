#include "app/recordlist/ExportDialog.h"

#include "app/dialogs/AppDialogs.h"
#include "app/recordlist/RecListNames.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>

namespace {

// How often the window thread looks at the export's progress.
constexpr int kPollMs = 100;

QString fileName(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName();
}

} // namespace

ExportDialog::ExportDialog(std::string source, std::string target, media::ExportSpan span, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_target(std::move(target)), m_span(span),
      m_text(new QLabel(this)), m_bar(new QProgressBar(this)), m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("ExportDlg"));
    setWindowTitle(QStringLiteral("Export to MP4"));
    m_text->setObjectName(QStringLiteral("ExportLbl"));
    m_text->setText(QStringLiteral("Exporting %1\nto %2").arg(fileName(m_source), QString::fromStdString(m_target)));
    m_text->setWordWrap(true);
    m_bar->setObjectName(QStringLiteral("ExportBar"));
    m_bar->setRange(0, 0); // busy until the export knows its frames
    m_bar->setFormat(QStringLiteral("%v of %m frames"));
    m_bar->setMinimumWidth(360);
    m_cancel->setObjectName(QStringLiteral("ExportCancelBtn"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(buttons);
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(); });
    connect(m_timer, &QTimer::timeout, this, [this] { poll(); });
}

ExportDialog::~ExportDialog()
{
    m_progress.cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void ExportDialog::start()
{
    Q_ASSERT_X(!m_thread.joinable(), "ExportDialog::start", "an export runs once");
    m_thread = std::thread([this] {
        m_result = media::exportToMp4(m_source, m_target, m_span, &m_progress);
        m_finished.store(true, std::memory_order_release);
    });
    m_timer->start(kPollMs);
    show();
}

void ExportDialog::cancel()
{
    m_progress.cancel();
    m_cancel->setEnabled(false);
    m_cancel->setText(QStringLiteral("Cancelling..."));
}

void ExportDialog::reject()
{
    cancel(); // Escape stops the export; the dialog goes when it has stopped
}

void ExportDialog::poll()
{
    if (const uint32_t total = m_progress.total(); total > 0) {
        m_bar->setRange(0, static_cast<int>(total));
        m_bar->setValue(static_cast<int>(m_progress.done()));
    }
    if (isFinished())
        finish();
}

void ExportDialog::finish()
{
    if (m_reported)
        return;
    m_reported = true;
    m_timer->stop();
    if (m_thread.joinable())
        m_thread.join();
    const bool ok = m_result.ok;
    const AppDialogs::Box box{kRecListBoxCaption, ok ? successText(m_target) : failureText(m_result.error),
                              ok ? AppDialogs::Icon::Information : AppDialogs::Icon::Warning, AppDialogs::Buttons::Ok};
    AppDialogs::current().open(parentWidget(), box, {});
    emit exportEnded(ok);
    hide();
    deleteLater();
}

void ExportDialog::closeEvent(QCloseEvent* event)
{
    // Closed from the title bar: the export stops first (within a frame).
    m_progress.cancel();
    finish();
    event->accept();
}

std::string ExportDialog::successText(const std::string& target)
{
    return "The recording was exported to " + target + ".";
}

std::string ExportDialog::failureText(const std::string& why)
{
    return "The recording was not exported. " + why;
}

ExportDialog* exportRecording(QWidget* owner, const std::string& source, const media::ExportSpan& span)
{
    const std::filesystem::path suggested = std::filesystem::path(source).replace_extension(".mp4");
    auto chosen = AppDialogs::current().saveFileName(owner, "Export to MP4", "MP4 video (*.mp4)", suggested.string());
    if (!chosen || chosen->empty())
        return nullptr;
    if (std::filesystem::path(*chosen).extension().empty())
        *chosen += ".mp4";
    auto* dialog = new ExportDialog(source, *chosen, span, owner);
    dialog->start();
    return dialog;
}
