#pragma once

#include <QWidget>
#include <cstdint>

namespace strovix {

// The control's window until the live view takes its place: the
// background colour (0x00BBGGRR) over the whole area.
class VidorraView : public QWidget {
public:
    explicit VidorraView(QWidget* parent);
    void setBackColor(uint32_t bgr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_backColor = 0;
};

} // namespace strovix
