#include "app/mainwindow/ImageGO.h"

#include <QPixmap>

namespace {

// "index_24.gif" -> "index_24@2x.gif".
QString doubled(const QString& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name + "@2x" : name.left(dot) + "@2x" + name.mid(dot);
}

} // namespace

ImageGO::ImageGO(std::string overrideFolder, std::string builtInFolder)
    : m_overrideFolder(std::move(overrideFolder))
    , m_builtInFolder(std::move(builtInFolder))
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
    if (!m_overrideFolder.empty()) {
        QIcon own = loadFrom(QString::fromStdString(m_overrideFolder), file);
        if (!own.isNull())
            return own;
    }
    return loadFrom(QString::fromStdString(m_builtInFolder), file);
}

// The picture and its doubled variant from the same folder: a built-in @2x
// face never shows over an operator's own picture.
QIcon ImageGO::loadFrom(const QString& folder, const QString& name)
{
    const QPixmap single(folder + '/' + name);
    if (single.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(single);
    QPixmap twice(folder + '/' + doubled(name));
    if (!twice.isNull()) {
        twice.setDevicePixelRatio(2.0);
        icon.addPixmap(twice);
    }
    return icon;
}
