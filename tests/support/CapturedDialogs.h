#pragma once

#include "app/dialogs/AppDialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The application's dialog service for tests: every box is recorded instead
// of shown. Modal boxes get `answer`; boxes that do not hold up their caller
// stay "on screen" until the test closes them. File and folder dialogs hand
// out the queued answers in order (nothing, as after Cancel, once the queue
// is empty) and record their captions. Install it for the test's lifetime
// with CapturedDialogs::Installed.
class CapturedDialogs : public AppDialogs {
public:
    struct Open {
        Box box;
        std::function<void(Answer)> closed;
    };

    Answer ask(QWidget*, const Box& box) override
    {
        asked.push_back(box);
        return answer;
    }
    void open(QWidget*, const Box& box, std::function<void(Answer)> closed) override
    {
        shown.push_back({box, std::move(closed)});
    }
    void closeAll() override
    {
        for (size_t i = 0; i < shown.size(); ++i)
            close(i);
    }
    std::optional<std::string> folderName(QWidget*, const std::string& caption, const std::string&) override
    {
        return next(caption);
    }
    std::optional<std::string> openFileName(QWidget*, const std::string& caption, const std::string&) override
    {
        return next(caption);
    }
    std::optional<std::string> saveFileName(QWidget*, const std::string& caption, const std::string&,
                                            const std::string& suggested) override
    {
        suggestions.push_back(suggested);
        return next(caption);
    }

    // Closes the non-modal box `index` with its default answer (once).
    void close(size_t index)
    {
        if (auto closed = std::exchange(shown[index].closed, nullptr))
            closed(defaultAnswer(shown[index].box.buttons));
    }
    // Every box text so far, modal ones first.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> all;
        for (const Box& box : asked)
            all.push_back(box.text);
        for (const Open& box : shown)
            all.push_back(box.box.text);
        return all;
    }

    // Installs a service for the lifetime of this object.
    struct Installed {
        explicit Installed(CapturedDialogs& dialogs) { AppDialogs::install(&dialogs); }
        ~Installed() { AppDialogs::install(nullptr); }
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;
    };

    Answer answer = Answer::Ok;
    std::vector<Box> asked;
    std::vector<Open> shown;
    // Answers of the file and folder dialogs, taken from the front.
    std::deque<std::optional<std::string>> files;
    std::vector<std::string> fileCaptions;
    // The names the save dialogs suggested.
    std::vector<std::string> suggestions;

private:
    std::optional<std::string> next(const std::string& caption)
    {
        fileCaptions.push_back(caption);
        if (files.empty())
            return std::nullopt;
        auto file = files.front();
        files.pop_front();
        return file;
    }
};
