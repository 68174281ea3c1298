#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

class QWidget;

// Every message box and file dialog of the application goes through this one
// service, so that a test can read caption, text, icon and buttons (and give
// the answer) instead of showing them. GUI thread only.
class AppDialogs {
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Buttons { Ok, OkCancel, YesNo };
    // The default button of each set: Ok, Ok and Yes.
    enum class Answer { Ok, Cancel, Yes, No };

    struct Box {
        std::string caption;
        std::string text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    virtual ~AppDialogs() = default;

    // A modal box owned by `owner` (null: the active window); returns the
    // button pressed.
    virtual Answer ask(QWidget* owner, const Box& box) = 0;
    // A box that does not hold up its caller: shown, and the call returns at
    // once; `closed` (may be empty) runs with the answer when the box goes.
    virtual void open(QWidget* owner, const Box& box, std::function<void(Answer)> closed) = 0;
    // Closes every box still on screen as if its default button was pressed
    // (the program is ending on its own).
    virtual void closeAll() = 0;

    // A folder chosen by the operator, starting at `start`; nothing when cancelled.
    virtual std::optional<std::string> folderName(QWidget* owner, const std::string& caption,
                                                  const std::string& start) = 0;
    // A file to open or to save; `filter` as "Settings (*.ini)". A save
    // dialog starts at `suggested` (a path) when it is given.
    virtual std::optional<std::string> openFileName(QWidget* owner, const std::string& caption,
                                                    const std::string& filter) = 0;
    virtual std::optional<std::string> saveFileName(QWidget* owner, const std::string& caption,
                                                    const std::string& filter, const std::string& suggested = {}) = 0;

    // The service in use: the platform dialogs unless a test installed its own.
    static AppDialogs& current();
    // Installs `dialogs` (not owned); null puts the platform dialogs back.
    static void install(AppDialogs* dialogs);

    static Answer defaultAnswer(Buttons buttons) { return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok; }
};

// Boxes raised by a periodic check (a timer tick repeats the same complaint
// every time it runs): a box is not shown again while one with the same text
// is still on screen. Each is shown without holding up the tick. GUI thread only.
class RepeatedBoxes {
public:
    // True when the box was shown, false when the same text is still up.
    bool show(QWidget* owner, const AppDialogs::Box& box);
    bool isShowing(const std::string& text) const { return m_onScreen.count(text) != 0; }

private:
    std::set<std::string> m_onScreen;
    // Lets boxes that close after this object went find it gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
