#pragma once

// The pictures of the user guide (docs/images) are taken by the tests that
// show the windows, so they can be taken again when a window changes:
//
//   OCULON_GUIDE_SHOTS=$PWD/docs/images build/tests/app_recordlist_tests
//
// guideShot() scales a window's picture to the guide's width and encodes it as
// PNG (with a palette of 256 colours when the full colours make it too big);
// it writes <folder>/<name>.png only when OCULON_GUIDE_SHOTS names a
// folder, and otherwise only checks the picture could be made (not empty,
// small enough to commit).

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace guide_shots {

// Above this a picture is too big to keep in the repository.
constexpr qint64 kMaxBytes = 150 * 1024;

inline QByteArray encodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0); // 0: the smallest file
    return bytes;
}

// `maxWidth` is the width in the guide; a picture that is narrower keeps its
// size. The picture shrinks further while its PNG exceeds kMaxBytes.
inline ::testing::AssertionResult guideShot(const QImage& window, const QString& name, int maxWidth = 800)
{
    if (window.isNull() || window.width() < 50 || window.height() < 50)
        return ::testing::AssertionFailure() << name.toStdString() << ": no picture";
    QImage image = window.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    int width = std::min(maxWidth, image.width());
    QByteArray png;
    for (; width >= 320; width = width * 9 / 10) {
        const QImage scaled =
            width == image.width() ? image : image.scaledToWidth(width, Qt::SmoothTransformation);
        png = encodePng(scaled.convertToFormat(QImage::Format_RGB888));
        if (png.size() <= kMaxBytes)
            break;
        // Camera pictures compress badly; 256 colours keep them recognisable
        // at a third of the size.
        png = encodePng(scaled.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::PreferDither));
        if (png.size() <= kMaxBytes)
            break;
    }
    if (png.isEmpty() || png.size() > kMaxBytes)
        return ::testing::AssertionFailure() << name.toStdString() << ": no PNG under " << kMaxBytes << " bytes";
    const char* folder = std::getenv("OCULON_GUIDE_SHOTS");
    if (!folder || !*folder)
        return ::testing::AssertionSuccess();
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QFile file(QDir(QString::fromLocal8Bit(folder)).absoluteFilePath(name + ".png"));
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
        return ::testing::AssertionFailure() << "cannot write " << file.fileName().toStdString();
    std::printf("guide picture: %s (%lld bytes)\n", qPrintable(file.fileName()), static_cast<long long>(png.size()));
    return ::testing::AssertionSuccess();
}

} // namespace guide_shots
