#pragma once

#include "control/session/Panes.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

namespace strovix {

// The control's seven-pane status bar at the bottom of its window. The
// owner places it and decides when it shows; the bar paints its panes,
// reports a left click on a pane (WM_VID_POPUPMENU) and the loss of the
// keyboard focus (WM_VID_HIDESTATUSBAR). GUI thread only.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPaneCount = pane::kCount;
    static constexpr int kControlId = 59393;
    static constexpr int kFirstPaneId = 61440;    // pane i is 61440 + i
    static constexpr uint32_t kBackColor = 0x00C79861; // COLORREF 0x00BBGGRR
    static constexpr int kFontHeight = 13;
    static constexpr int kMinimumBase = 352;      // W is never below this

    // Pane widths for a control `controlWidth` pixels wide: shares of
    // W = max(controlWidth, 352), truncated to whole pixels.
    static std::array<int, kPaneCount> paneWidths(int controlWidth);
    // The texts a new bar starts with: "Status", "Res", ... "Misc".
    static const std::array<const char*, kPaneCount>& initialTexts();

    explicit StatusBar(QWidget* parent);

    void setPaneText(int pane, const std::string& text);
    std::string paneText(int pane) const;
    // The text of the bar itself ("Ready"), shown while no pane exists.
    const std::string& simpleText() const { return m_simpleText; }

    // Recomputes the pane widths for the control's width.
    void fitToWidth(int controlWidth);
    const std::array<int, kPaneCount>& widths() const { return m_widths; }
    // The first pane whose horizontal extent holds x, else pane 0.
    int paneAt(int x) const;
    // The bar's height for its font.
    int barHeight() const;

    // A left click on pane `pane` at the screen position `globalPos`.
    std::function<void(int pane, QPoint globalPos)> paneClicked;
    // The bar lost the keyboard focus.
    std::function<void()> focusLost;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::array<std::string, kPaneCount> m_texts;
    std::array<int, kPaneCount> m_widths{};
    std::string m_simpleText = "Ready";
};

} // namespace strovix
