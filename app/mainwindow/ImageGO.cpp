#include "app/mainwindow/ImageGO.h"

#include <QFileInfo>

namespace {

// Where the pictures of the image folder live inside the program.
constexpr char kBuiltIn[] = ":/image/";

// "index_24.gif" -> "index_24@2x.gif".
QString doubled(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name + "@2x" : name.left(dot) + "@2x" + name.mid(dot);
}

} // namespace

ImageGO::ImageGO(std::string overrideFolder)
    : m_overrideFolder(std::move(overrideFolder))
{
}

const QIcon& ImageGO::getImage(const std::string& name)
{
    auto found = m_cache.find(name);
    if (found == m_cache.end())
        found = m_cache.emplace(name, load(name)).first;
    return found->second;
}

std::string ImageGO::buttonPicture(int number, bool pressed)
{
    return "index_" + std::to_string(number) + (pressed ? "_click.gif" : ".gif");
}

QIcon ImageGO::load(const std::string& name) const
{
    const QString file = QString::fromStdString(name);
    // A picture in the override folder replaces the built-in one, together
    // with its doubled variant: a built-in @2x face never shows over an
    // operator's own picture.
    QString folder;
    if (!m_overrideFolder.empty() && QFileInfo(QString::fromStdString(m_overrideFolder) + '/' + file).isFile())
        folder = QString::fromStdString(m_overrideFolder) + '/';
    else if (QFileInfo(kBuiltIn + file).isFile())
        folder = kBuiltIn;
    else
        return {};

    QIcon icon;
    const QPixmap single(folder + file);
    if (single.isNull())
        return {};
    icon.addPixmap(single);
    QPixmap twice(folder + doubled(file));
    if (!twice.isNull()) {
        twice.setDevicePixelRatio(2.0);
        icon.addPixmap(twice);
    }
    return icon;
}
