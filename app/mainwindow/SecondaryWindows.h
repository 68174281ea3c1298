#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

// The windows the main window opens beside itself: the recording list
// (PlaybackBtn), the application configuration (AppCfgBtn) and the e-map
// (eLayoutBtn). Each is made by its factory on first use and shown again
// afterwards, modeless; one that deleted itself when it was closed is made
// anew. A window without a factory of its own is an empty placeholder
// carrying the window's title. The windows are top-level windows owned by the
// main window, so they go with it. GUI thread only.
class SecondaryWindows {
public:
    enum class Kind { RecordList, AppConfig, EMap };
    static constexpr int kKinds = 3;

    // Makes the window, a child of `parent` (the main window); may return
    // null, and then nothing is shown.
    using Factory = std::function<QWidget*(QWidget* parent)>;

    // The windows are owned by the window of `owner`, which must outlive this object.
    explicit SecondaryWindows(QWidget* owner);

    // Replaces the factory of `kind`; an empty one puts the placeholder back.
    // A window made already stays until it is gone.
    void setFactory(Kind kind, Factory factory);

    // The window of `kind`, made (not shown) if there is none yet; null
    // when the factory made none.
    QWidget* make(Kind kind);
    // Shows the window of `kind` in front of the others, making it first if
    // there is none. Returns it (null when the factory made none).
    QWidget* show(Kind kind);
    // The window of `kind` while it exists, else null.
    QWidget* window(Kind kind) const;

    // Hides every window there is (the shut-down, before the main window goes).
    void hideAll();
    // Closes every window there is, each as if the operator closed it.
    void closeAll();

    // "Record List", "Application Configuration", "eMap".
    static QString title(Kind kind);
    // The object names "RecListForm", "AppCfgForm", "eMapForm".
    static QString objectName(Kind kind);

private:
    QWidget* m_owner;
    std::array<Factory, kKinds> m_factories;
    std::array<QPointer<QWidget>, kKinds> m_windows;
};
