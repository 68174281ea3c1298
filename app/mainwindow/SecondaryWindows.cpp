#include "app/mainwindow/SecondaryWindows.h"

#include <utility>

namespace {

struct WindowName {
    const char* title;
    const char* objectName;
};

// Index = SecondaryWindows::Kind.
constexpr WindowName kNames[SecondaryWindows::kKinds] = {
    {"Record List", "RecListForm"},
    {"Application Configuration", "AppCfgForm"},
    {"eMap", "eMapForm"},
};

size_t slot(SecondaryWindows::Kind kind) { return static_cast<size_t>(kind); }

// Stands in for a window that has no factory of its own yet.
QWidget* placeholder(SecondaryWindows::Kind kind, QWidget* parent)
{
    auto* window = new QWidget(parent, Qt::Window);
    window->setObjectName(SecondaryWindows::objectName(kind));
    window->setWindowTitle(SecondaryWindows::title(kind));
    window->resize(640, 480);
    return window;
}

} // namespace

SecondaryWindows::SecondaryWindows(QWidget* owner)
    : m_owner(owner)
{
}

void SecondaryWindows::setFactory(Kind kind, Factory factory)
{
    m_factories[slot(kind)] = std::move(factory);
}

QWidget* SecondaryWindows::make(Kind kind)
{
    QPointer<QWidget>& made = m_windows[slot(kind)];
    if (!made) {
        QWidget* parent = m_owner->window();
        const Factory& factory = m_factories[slot(kind)];
        made = factory ? factory(parent) : placeholder(kind, parent);
        if (!made)
            return nullptr;
        // A child widget would be drawn inside the main window.
        if (!made->isWindow())
            made->setWindowFlag(Qt::Window);
    }
    return made;
}

QWidget* SecondaryWindows::show(Kind kind)
{
    QWidget* shown = make(kind);
    if (!shown)
        return nullptr;
    if (shown->isMinimized())
        shown->showNormal();
    shown->show();
    shown->raise();
    shown->activateWindow();
    return shown;
}

QWidget* SecondaryWindows::window(Kind kind) const
{
    return m_windows[slot(kind)];
}

void SecondaryWindows::hideAll()
{
    for (const QPointer<QWidget>& each : m_windows)
        if (each)
            each->hide();
}

void SecondaryWindows::closeAll()
{
    for (const QPointer<QWidget>& each : m_windows)
        if (each)
            each->close();
}

QString SecondaryWindows::title(Kind kind)
{
    return QString::fromLatin1(kNames[slot(kind)].title);
}

QString SecondaryWindows::objectName(Kind kind)
{
    return QString::fromLatin1(kNames[slot(kind)].objectName);
}
