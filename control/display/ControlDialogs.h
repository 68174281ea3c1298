#pragma once

#include <optional>
#include <string>

class QWidget;

namespace strovix {

// The control's message boxes and save-file dialogs go through this one
// service, so that a test can capture caption, text and icon (and answer the
// file dialog) instead of showing them. GUI thread only.
class ControlDialogs {
public:
    enum class Icon { None, Information, Warning, Critical };

    // A save-file dialog: default extension ("jpg"), proposed file name
    // ("WebCamPic"), the one file-type entry ("*.jpg"); it asks before an
    // existing file is replaced.
    struct SaveFile {
        std::string defaultSuffix;
        std::string proposedName;
        std::string filter;
    };

    virtual ~ControlDialogs() = default;

    // A modal message box owned by `owner` (null: the active window) with an
    // OK button.
    virtual void message(QWidget* owner, const std::string& caption, const std::string& text, Icon icon) = 0;
    // A warning that must not stop the caller: the box is shown and the call
    // returns at once (a host without an operator goes on).
    virtual void notify(QWidget* owner, const std::string& caption, const std::string& text, Icon icon) = 0;
    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<std::string> saveFileName(QWidget* owner, const SaveFile& request) = 0;

    // The service in use: the platform dialogs unless a test installed its own.
    static ControlDialogs& current();
    // Installs `dialogs` (not owned); null puts the platform dialogs back.
    static void install(ControlDialogs* dialogs);
};

// The save-file requests of the recording sheet and the picture save.
inline ControlDialogs::SaveFile jpegSaveRequest() { return {"jpg", "WebCamPic", "*.jpg"}; }
inline ControlDialogs::SaveFile aviSaveRequest() { return {"avi", "WebCamAvi", "*.avi"}; }

} // namespace strovix
