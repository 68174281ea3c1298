#pragma once

#include <QMenu>
#include <QAction>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>


namespace strovix {

// Command identifiers of the control's context menu.
namespace menu_id {
inline constexpr int kResizable = 57847;
inline constexpr int kActualSize = 57846;
inline constexpr int kStatusBar = 57845;
inline constexpr int kSplit1 = 57445; // 57445..57448: 1 X 1 .. 4 X 4
inline constexpr int kRotate0 = 57745; // 57745..57748: Rotate 0, Rotate 180, Flip Horizontal, Flip Vertical
inline constexpr int kFirstResolution = 57644; // + index, up to 57651
inline constexpr int kFirstQuality = 57544;    // + index, up to 57548
inline constexpr int kRecording = 57355;
inline constexpr int kSavePicture = 57348;
inline constexpr int kIAm = 57353;
inline constexpr int kAbout = 57354;
// Asks the camera's login again after the operator cancelled it.
inline constexpr int kLoginAgain = 57356;
} // namespace menu_id

// The recording item before the recorder names it otherwise.
inline constexpr const char* kRecordMenuIdle = "Image Recording(F11)...";
inline constexpr const char* kLoginAgainText = "Log in again...";

// Removal masks as DelMenu leaves them: main bits 1..9 and, for View (1),
// Splits (2) and Rotate (3), the whole submenu (entry 0) and single entries.
using MainMenuMask = std::array<bool, 10>;
using SubmenuMasks = std::array<std::array<bool, 5>, 4>;

// The right-click menu tree of the control: View, the camera's Quality and
// Resolution submenus (after the capability reply), Splits, Rotate, the
// recording item, the picture save, "I am...", "Log in again..." and
// "About...". Every action
// carries its identifier as object name; a choice calls `command`. Removed
// items are deleted and stay removed. GUI thread only.
class ContextMenu : public QObject {
    Q_OBJECT
public:
    ContextMenu();
    ~ContextMenu() override;

    QMenu* menu() const { return m_main; }
    QMenu* viewMenu() const { return m_view; }
    QMenu* splitsMenu() const { return m_splits; }
    QMenu* rotateMenu() const { return m_rotate; }
    QMenu* qualityMenu() const { return m_quality; }
    QMenu* resolutionMenu() const { return m_resolution; }
    // The action of a fixed identifier; null once removed.
    QAction* action(int id) const;
    // The texts of the main menu from top to bottom ("" for a separator).
    std::vector<std::string> entries() const;

    // The camera's submenus (owned by the caller, either may be null), put in
    // at position 1, Quality first. Earlier ones are taken out. A submenu
    // removed by its mask is not put in.
    void setCapabilityMenus(QMenu* quality, QMenu* resolution);
    // Deletes what the masks name; the three submenu masks are cleared
    // afterwards, the main mask is kept.
    void applyRemovals(const MainMenuMask& main, SubmenuMasks& sub);

    // Login level 2 enables the Resolution and Quality items; below they are greyed.
    void setLoginLevel(int level);
    void setRecordText(const std::string& text);
    void setWelcomeText(const std::string& text);
    // Check marks and grey states of the View and Rotate items.
    void setViewState(bool resizable, bool actualSize, bool statusBarPinned);
    void setRotateCheck(int rotate);

    std::function<void(int id)> command;

private:
    QAction* add(QMenu* menu, int id, const char* text, bool checkable = false);
    void remove(int id);
    void removeSubmenu(QPointer<QMenu>& submenu);

    QMenu* m_main = nullptr; // owns the rest
    QPointer<QMenu> m_view;
    QPointer<QMenu> m_splits;
    QPointer<QMenu> m_rotate;
    QPointer<QMenu> m_quality;
    QPointer<QMenu> m_resolution;
    bool m_qualityRemoved = false;
    bool m_resolutionRemoved = false;
    int m_loginLevel = 0;
    std::map<int, QPointer<QAction>> m_actions;
};

} // namespace strovix
