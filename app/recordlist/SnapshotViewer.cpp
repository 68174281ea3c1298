#include "app/recordlist/SnapshotViewer.h"

#include "app/recordlist/PictureView.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// Pictures larger than this are refused rather than allocated.
constexpr int kMaxPictureMegapixels = 64;

} // namespace

SnapshotViewer::SnapshotViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), m_view(new PictureView), m_scroll(new QScrollArea(this)),
      m_fitBtn(new QPushButton(QStringLiteral("Fit to Window"), this)),
      m_actualBtn(new QPushButton(QStringLiteral("Actual Size"), this))
{
    setObjectName(QStringLiteral("SnapshotViewer"));
    setWindowTitle(QStringLiteral("Snapshot"));
    m_view->setObjectName(QStringLiteral("PictureImg"));
    m_fitBtn->setObjectName(QStringLiteral("FitBtn"));
    m_actualBtn->setObjectName(QStringLiteral("ActualSizeBtn"));
    m_scroll->setWidget(m_view);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_fitBtn);
    buttons->addWidget(m_actualBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(buttons);
    connect(m_fitBtn, &QPushButton::clicked, this, [this] { setFitToWindow(true); });
    connect(m_actualBtn, &QPushButton::clicked, this, [this] { setFitToWindow(false); });
    setFitToWindow(true);
    resize(680, 560);
}

bool SnapshotViewer::openFile(const std::string& path)
{
    const QString file = QString::fromStdString(path);
    setWindowTitle(QFileInfo(file).fileName());
    QImageReader reader(file);
    QImageReader::setAllocationLimit(kMaxPictureMegapixels * 4);
    const QImage image = reader.read();
    if (image.isNull()) {
        m_view->setText(QStringLiteral("The picture %1 cannot be shown: %2").arg(QFileInfo(file).fileName(), reader.errorString()));
        return false;
    }
    m_view->setImage(image);
    // Big enough for the picture, within the screen.
    const QSize screen = QGuiApplication::primaryScreen()->availableSize() * 9 / 10;
    resize(QSize(image.width() + 40, image.height() + 80).boundedTo(screen).expandedTo(QSize(320, 240)));
    setFitToWindow(m_fit);
    return true;
}

void SnapshotViewer::setFitToWindow(bool fit)
{
    m_fit = fit;
    m_scroll->setWidgetResizable(fit);
    if (!fit && !m_view->image().isNull())
        m_view->resize(m_view->image().size());
    m_fitBtn->setEnabled(!fit);
    m_actualBtn->setEnabled(fit);
}

void SnapshotViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
