#pragma once

#include <QIcon>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class CameraPicPos;
class EMapHost;
class IconBoard;
class PicGO;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollBar;
class eMap;
class eMapGO;

// The e-map window ("eMap"): one map picture at a time in the viewport
// `Picture2` (the picture itself is `Picture1`, scrolled by `HScroll1` and
// `VScroll1`), the 16 camera icons `CamerPic1(i)` with their home places
// `CameraImg1(i)` beside the map, the current map's name and position fields,
// the menus "File" and "Layout", and the pop-ups `CameraMenu` (on an icon) and
// `eLayoutMenu` (opened by the main window). Control arrays carry their index
// in parentheses in their object names: "CamerPic1(3)", "myMenu(2)".
//
// The window edits the records of eMapGO (map slots 1..10, Layout entry n is
// map slot n) and PicGO (icon i is camera slot i); it owns neither. Icon
// positions are pixels relative to the map picture's top left corner. Records
// reach eLayout.ini only through Save and Delete. Commands of an icon's pop-up
// act through EMapHost. Message boxes and the file dialog go through
// AppDialogs. GUI thread only.
class eMapForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kFirstMap = 1;
    static constexpr int kLastMap = 10;
    static constexpr int kIcons = 16;

    // A picture by file name ("cam.gif"); the main window passes its picture
    // cache. Empty: the pictures built into the program.
    using Pictures = std::function<QIcon(const std::string& name)>;

    // `maps`, `icons` and `host` must outlive the window.
    eMapForm(eMapGO& maps, PicGO& icons, EMapHost& host, Pictures pictures = {}, QWidget* parent = nullptr);
    ~eMapForm() override;

    // Loads `file` (any picture format Qt reads) into Picture1 at its natural
    // size, shows it at the viewport's top left and sizes the scroll bars to
    // it. A file that cannot be read changes nothing and gives false.
    bool showPic(const std::string& file);
    // The focused icon: the camera slot of the icon last pressed.
    void setFocusedPic(int16_t slot);
    int16_t getFocusedPic() const { return m_focusedPic; }
    // Adds the next Layout entry (captioned from its map slot) and returns
    // its number; 0 when all ten entries exist already.
    int createNewMenu();
    // Loads every map record, lists maps 1..n in the Layout menu (n = the
    // highest slot up to 10 with a picture; a slot without picture between
    // them is listed as "Layout") and shows map 1 with the icons placed on it.
    void showlastLayout();

    // Icon `uid` shows the recording picture or the idle one. The main window
    // calls it whenever it refreshes that camera's record button.
    void updateIcon(int16_t uid, bool recording);

    // "Go to eLayout": the pop-up the main window opens on a right click.
    QMenu* eLayoutMenu() const { return m_eLayoutMenu; }
    // The current map slot (0: none) and the number of Layout entries.
    int currentMap() const { return m_currentMap; }
    int mapEntries() const { return m_entries; }

protected:
    // Opening the window (first show, or again after Close) reads the maps
    // from the store and shows map 1.
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildDesk();
    void buildMenus();

    // Menu commands.
    void newLayout();
    void loadImage();
    void save();
    void reset();
    void trash();
    void closeAsked();
    void about();
    void goToMap(int slot);
    // Icon pop-up commands, on the focused icon's camera.
    void configure();
    void recordList();
    void record();
    void playVideo();
    void removeCamera();
    void goToELayout();

    // Mouse on an icon: right button, the pop-up; left button, a drag when
    // the map has a picture. A dropped icon stays on the map or goes home.
    void iconPressed(int slot, Qt::MouseButton button, QPoint global);
    void iconDropped(int slot, QPoint corner);

    eMap* currentRecord() const;
    bool currentHasPicture() const;
    // Map `slot` becomes current: its texts fill the fields, its picture and
    // its icons are shown.
    void showMap(int slot);
    // The current map's picture, or none; reports a picture file that cannot
    // be read. True when a picture is shown.
    bool displayCurrentPicture();
    void clearPicture();
    void storeTexts();
    void refreshCaptions();
    void say(const std::string& text);

    void arrangeIcons();
    // Icon `slot` goes home; its record gets the home place's position, not
    // placed, map 0 (not saved). Returns the record.
    CameraPicPos* resetIcon(int slot);
    // Icon `slot` at its record's place on the current map.
    void putOnMap(int slot);
    void scrolled();
    // Where the map picture's top left corner lies on the desk.
    QPoint mapOrigin() const;
    QPixmap picture(const std::string& name) const;
    bool placedOnAListedMap(int slot) const;

    eMapGO& m_maps;
    PicGO& m_icons;
    EMapHost& m_host;
    Pictures m_pictures;

    QWidget* m_desk = nullptr;
    QWidget* m_viewport = nullptr; // Picture2
    QLabel* m_map = nullptr;       // Picture1
    QScrollBar* m_hScroll = nullptr;
    QScrollBar* m_vScroll = nullptr;
    QLineEdit* m_nameTxt = nullptr;
    QLineEdit* m_posTxt = nullptr;
    IconBoard* m_board = nullptr;
    std::array<QAction*, kLastMap> m_entryAction{};
    QMenu* m_cameraMenu = nullptr;
    QMenu* m_eLayoutMenu = nullptr;

    bool m_opened = false;
    int m_currentMap = 0;
    int m_entries = 0;
    int16_t m_focusedPic = 0;
};
