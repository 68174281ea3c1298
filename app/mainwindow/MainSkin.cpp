#include "app/mainwindow/MainSkin.h"

#include "app/mainwindow/ImageGO.h"

#include <QComboBox>
#include <QLabel>

#include <array>

namespace
{

// Every control of the main window at its place in the 1024 x 768 window
// (left, top, width, height in pixels). The frame: a top strip 39 pixels
// high, the left edge, the right-hand column from x = 854 and the bottom
// area from y = 677. Those edges are where the panel layout's rules split
// the skin on bigger screens: the column and the top strip above it follow
// the right edge, the bottom area and the column's lower part (from y = 556)
// the bottom edge, and the four stretch strips, drawn with no length here,
// grow over the gaps (the top one at x = 834, the left one above LeftImg1,
// the right one between the column's two parts, the bottom one under the
// column). So each button has its seat on the part of the skin that moves
// with it: the zoom row, which only moves right, sits above y = 556; the
// pan/tilt pad, which also moves down, below it.
// make_images.py draws the pictures at these sizes and reads this table for
// its contact sheet.
constexpr std::array kPlaces = std::to_array<MainSkin::Place>({
    // Top strip: the clock and the alert list on the left, logo and version on the right.
    { "TopImg1", "skin_top.gif", 0, 0, 834, 39 },
    { "TopImg2", "clock_plate.gif", 8, 6, 236, 27 },
    { "StretchTopImg", "skin_top_stretch.gif", 834, 0, 0, 39 },
    { "TopImg5", "skin_top_right.gif", 834, 0, 190, 39 },
    { "TopImg6", "version_plate.gif", 954, 9, 62, 21 },
    { "LogoImg", "logo.gif", 842, 4, 108, 32 },
    { "ClockLbl", "", 16, 6, 220, 27 },
    { "alertCmb", "", 256, 8, 440, 23 },
    { "VerLbl", "", 956, 9, 58, 21 },
    // Left edge and the area behind the views.
    { "StretchLeftImg", "skin_left_stretch.gif", 0, 39, 8, 0 },
    { "LeftImg1", "skin_left.gif", 0, 39, 8, 638 },
    { "Image1", "views.gif", 12, 42, 840, 632 },
    // Right-hand column, upper part: layouts, the camera selector, the commands, zoom.
    { "RightImg1", "skin_right.gif", 854, 39, 170, 517 },
    { "RightImg3", "socket_layout.gif", 859, 48, 40, 34 },
    { "RightImg4", "socket_layout.gif", 899, 48, 40, 34 },
    { "RightImg5", "socket_layout.gif", 939, 48, 40, 34 },
    { "RightImg6", "socket_layout.gif", 979, 48, 40, 34 },
    { "Scr1Btn", "index_16.gif", 861, 50, 36, 30 },
    { "Scr4Btn", "index_17.gif", 901, 50, 36, 30 },
    { "Scr9Btn", "index_19.gif", 941, 50, 36, 30 },
    { "Scr16Btn", "index_20.gif", 981, 50, 36, 30 },
    { "RightImg7", "camera_mark.gif", 861, 97, 18, 18 },
    { "CamSlctr", "", 883, 95, 97, 22 },
    { "RightImg8", "socket_command.gif", 858, 128, 80, 50 },
    { "RightImg9", "socket_command.gif", 940, 128, 80, 50 },
    { "RightImg10", "socket_command.gif", 858, 182, 80, 50 },
    { "RightImg11", "socket_command.gif", 940, 182, 80, 50 },
    { "RightImg12", "socket_command.gif", 858, 236, 80, 50 },
    { "RightImg13", "socket_command.gif", 940, 236, 80, 50 },
    { "RightImg14", "socket_command.gif", 858, 290, 80, 50 },
    { "RightImg15", "socket_command.gif", 940, 290, 80, 50 },
    { "StartRecBtn", "index_24.gif", 860, 130, 76, 46 },
    { "StopAllRecBtn", "index_25.gif", 942, 130, 76, 46 },
    { "SnapshotBtn", "index_27.gif", 860, 184, 76, 46 },
    { "PlaybackBtn", "index_28.gif", 942, 184, 76, 46 },
    { "Rotate180Btn", "index_32.gif", 860, 238, 76, 46 },
    { "CamCfgBtn", "index_33.gif", 942, 238, 76, 46 },
    { "AppCfgBtn", "index_35.gif", 860, 292, 76, 46 },
    { "eLayoutBtn", "index_36.gif", 942, 292, 76, 46 },
    { "RightImg16", "caption_zoom.gif", 861, 470, 156, 14 },
    { "RightImg17", "socket_zoom.gif", 859, 488, 40, 30 },
    { "RightImg18", "socket_zoom.gif", 899, 488, 40, 30 },
    { "RightImg19", "socket_zoom.gif", 939, 488, 40, 30 },
    { "RightImg20", "socket_zoom.gif", 979, 488, 40, 30 },
    { "ZoomInBtn", "index_41.gif", 861, 490, 36, 26 },
    { "ZoomOutBtn", "index_40.gif", 901, 490, 36, 26 },
    { "ZoomOnBtn", "index_42.gif", 941, 490, 36, 26 },
    { "ZoomOffBtn", "index_43.gif", 981, 490, 36, 26 },
    // Right-hand column, lower part: the pan/tilt pad.
    { "StretchRightImg", "skin_right_stretch.gif", 854, 556, 170, 0 },
    { "RightImg2", "skin_right_bottom.gif", 854, 556, 170, 212 },
    { "RightImg21", "caption_move.gif", 861, 574, 156, 14 },
    { "RightImg22", "socket_move.gif", 921, 594, 36, 36 },
    { "RightImg23", "socket_move.gif", 885, 630, 36, 36 },
    { "RightImg24", "socket_move.gif", 921, 630, 36, 36 },
    { "RightImg25", "socket_move.gif", 957, 630, 36, 36 },
    { "RightImg26", "socket_move.gif", 921, 666, 36, 36 },
    { "MoveUpBtn", "index_46.gif", 923, 596, 32, 32 },
    { "MoveLeftBtn", "index_49.gif", 887, 632, 32, 32 },
    { "MoveHomeBtn", "index_50.gif", 923, 632, 32, 32 },
    { "MoveRightBtn", "index_51.gif", 959, 632, 32, 32 },
    { "MoveDownBtn", "index_53.gif", 923, 668, 32, 32 },
    // Bottom area: the cameras in four plates of four, then exit and sound.
    { "StretchBtmImg", "skin_bottom_stretch.gif", 854, 677, 0, 91 },
    { "BtmImg1", "skin_bottom.gif", 0, 677, 854, 91 },
    { "BtmImg2", "plate_cameras.gif", 6, 691, 185, 62 },
    { "BtmImg4", "plate_cameras.gif", 197, 691, 185, 62 },
    { "BtmImg5", "plate_cameras.gif", 388, 691, 185, 62 },
    { "BtmImg7", "plate_cameras.gif", 579, 691, 185, 62 },
    { "BtmImg8", "plate_exit.gif", 770, 691, 78, 62 },
    { "SlctBtn1", "index_70.gif", 10, 695, 42, 30 },
    { "SlctBtn2", "index_71.gif", 55, 695, 42, 30 },
    { "SlctBtn3", "index_72.gif", 100, 695, 42, 30 },
    { "SlctBtn4", "index_73.gif", 145, 695, 42, 30 },
    { "SlctBtn5", "index_74.gif", 201, 695, 42, 30 },
    { "SlctBtn6", "index_75.gif", 246, 695, 42, 30 },
    { "SlctBtn7", "index_76.gif", 291, 695, 42, 30 },
    { "SlctBtn8", "index_77.gif", 336, 695, 42, 30 },
    { "SlctBtn9", "index_78.gif", 392, 695, 42, 30 },
    { "SlctBtn10", "index_79.gif", 437, 695, 42, 30 },
    { "SlctBtn11", "index_80.gif", 482, 695, 42, 30 },
    { "SlctBtn12", "index_81.gif", 527, 695, 42, 30 },
    { "SlctBtn13", "index_82.gif", 583, 695, 42, 30 },
    { "SlctBtn14", "index_83.gif", 628, 695, 42, 30 },
    { "SlctBtn15", "index_84.gif", 673, 695, 42, 30 },
    { "SlctBtn16", "index_85.gif", 718, 695, 42, 30 },
    { "RecBtn1", "index_88.gif", 10, 729, 42, 20 },
    { "RecBtn2", "index_88.gif", 55, 729, 42, 20 },
    { "RecBtn3", "index_88.gif", 100, 729, 42, 20 },
    { "RecBtn4", "index_88.gif", 145, 729, 42, 20 },
    { "RecBtn5", "index_88.gif", 201, 729, 42, 20 },
    { "RecBtn6", "index_88.gif", 246, 729, 42, 20 },
    { "RecBtn7", "index_88.gif", 291, 729, 42, 20 },
    { "RecBtn8", "index_88.gif", 336, 729, 42, 20 },
    { "RecBtn9", "index_88.gif", 392, 729, 42, 20 },
    { "RecBtn10", "index_88.gif", 437, 729, 42, 20 },
    { "RecBtn11", "index_88.gif", 482, 729, 42, 20 },
    { "RecBtn12", "index_88.gif", 527, 729, 42, 20 },
    { "RecBtn13", "index_88.gif", 583, 729, 42, 20 },
    { "RecBtn14", "index_88.gif", 628, 729, 42, 20 },
    { "RecBtn15", "index_88.gif", 673, 729, 42, 20 },
    { "RecBtn16", "index_88.gif", 718, 729, 42, 20 },
    { "ExitBtn", "index_62.gif", 774, 695, 70, 30 },
    { "AudioToggle", "index_66.gif", 774, 729, 70, 20 },
});

// Twips per pixel of the window the skin was drawn for (96 dpi).
constexpr double kDesignTwips = 15;

bool isSkinImage(const QString& name)
{
    return name.contains(QLatin1String("Img")) || name == QLatin1String("Image1");
}

TwipRect designedTwips(const MainSkin::Place& place)
{
    return { place.left * kDesignTwips, place.top * kDesignTwips, place.width * kDesignTwips,
        place.height * kDesignTwips };
}

// The frame's colours and the look of the texts and lists drawn on it.
constexpr char kStyle[] = R"(
#MainPanel { background: #15181d; }
QLabel#ClockLbl { color: #dee2e8; font-size: 14px; padding-left: 2px; }
QLabel#VerLbl { color: #969eaa; font-size: 11px; }
QComboBox#CamSlctr, QComboBox#alertCmb {
    background: #2c323b; color: #dee2e8; border: 1px solid #404855; border-radius: 3px;
    padding: 1px 4px 1px 6px; font-size: 12px;
}
QComboBox#alertCmb { color: #f0c27a; }
QComboBox#CamSlctr QAbstractItemView, QComboBox#alertCmb QAbstractItemView {
    background: #1b1f25; color: #dee2e8; selection-background-color: #245c8c; border: 1px solid #404855;
}
)";

} // namespace

std::span<const MainSkin::Place> MainSkin::places()
{
    return kPlaces;
}

MainSkin::MainSkin(QWidget& area, ImageGO& images, const ScreenMetrics& screen, const QString& version)
    : m_area(area)
    , m_images(images)
    , m_screen(screen)
{
    m_area.setAttribute(Qt::WA_StyledBackground);
    m_area.setStyleSheet(kStyle);
    for (const Place& place : kPlaces) {
        const QString name = QLatin1String(place.name);
        if (isSkinImage(name))
            addImage(place);
    }
    auto* clock = new QLabel(&m_area);
    clock->setObjectName("ClockLbl");
    clock->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* ver = new QLabel(version, &m_area);
    ver->setObjectName("VerLbl");
    ver->setAlignment(Qt::AlignCenter);
    ver->setToolTip(QStringLiteral("oculon %1").arg(version));
}

void MainSkin::addImage(const Place& place)
{
    auto* image = new QLabel(&m_area);
    image->setObjectName(QLatin1String(place.name));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QIcon& icon = m_images.getImage(place.picture);
    if (!icon.isNull()) {
        QSize natural = icon.availableSizes().value(0);
        for (const QSize& size : icon.availableSizes())
            if (size.width() < natural.width())
                natural = size;
        image->setPixmap(icon.pixmap(natural, m_area.devicePixelRatioF()));
    }
}

void MainSkin::arrange(QWidget* below)
{
    for (const Place& place : kPlaces) {
        if (QWidget* widget = control(QLatin1String(place.name)))
            widget->setGeometry(m_screen.toPixels(designedTwips(place)));
    }
    if (auto* list = control(QStringLiteral("alertCmb")))
        list->hide(); // shown with the first alert
    // Stacking, bottom up: the skin in table order, the grid, then the rest.
    if (below)
        below->lower();
    for (auto place = kPlaces.rbegin(); place != kPlaces.rend(); ++place) {
        if (isSkinImage(QLatin1String(place->name)))
            if (QWidget* widget = control(QLatin1String(place->name)))
                widget->lower();
    }
}

QWidget* MainSkin::control(const QString& name) const
{
    return m_area.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

TwipSize MainSkin::screenSize() const
{
    return m_screen.twipSize();
}

std::vector<PanelControl> MainSkin::controls() const
{
    std::vector<PanelControl> result;
    for (QObject* child : m_area.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->objectName().isEmpty() && !widget->isWindow())
            result.push_back({ widget->objectName(), m_screen.toTwips(widget->geometry()) });
    }
    return result;
}

void MainSkin::setWindowGeometry(const TwipRect& rect)
{
    const QRect pixels = m_screen.toPixels(rect);
    QWidget* window = m_area.window();
    // Places are on the primary screen, wherever it sits on the desktop.
    window->move(m_screen.origin() + pixels.topLeft());
    window->resize(pixels.size());
}

void MainSkin::setControlGeometry(const QString& name, const TwipRect& rect)
{
    if (QWidget* widget = control(name))
        widget->setGeometry(m_screen.toPixels(rect));
}

void MainSkin::setPictureStretched(const QString& name)
{
    if (auto* image = qobject_cast<QLabel*>(control(name)))
        image->setScaledContents(true);
}

void MainSkin::raiseControl(const QString& name)
{
    if (QWidget* widget = control(name))
        widget->raise();
}

void MainSkin::fillCameraSelector(const QString& text, const QStringList& items, int selected)
{
    if (!m_selector)
        return;
    m_selector->clear();
    m_selector->setPlaceholderText(text);
    m_selector->addItems(items);
    m_selector->setCurrentIndex(selected);
}

void MainSkin::showAudioToggle(bool on)
{
    if (m_drawAudioToggle)
        m_drawAudioToggle(on);
}
