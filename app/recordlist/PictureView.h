#pragma once

#include <QImage>
#include <QWidget>

// Shows one picture: at its natural size, centred, or scaled down to fit
// (keeping its proportions) when it is larger than the view; never scaled
// up. Without a picture it shows a text instead (an error, a hint). GUI
// thread only.
class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    // Shown, centred, while there is no picture.
    void setText(const QString& text);
    const QString& text() const { return m_text; }
    // Where the picture is drawn in the view.
    QRect pictureRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QString m_text;
};
