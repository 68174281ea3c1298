#pragma once

#include "control/display/ControlDialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

// Takes the control's message boxes and save dialogs while it lives: records
// every box and answers every file dialog from a queue (none left: cancel).
struct CapturingDialogs final : strovix::ControlDialogs {
    struct Box {
        std::string caption;
        std::string text;
        Icon icon;
        bool modal;
    };
    std::vector<Box> boxes;
    std::vector<SaveFile> fileRequests;
    std::deque<std::optional<std::string>> fileAnswers;

    CapturingDialogs() { install(this); }
    ~CapturingDialogs() override { install(nullptr); }

    void message(QWidget*, const std::string& caption, const std::string& text, Icon icon) override
    {
        boxes.push_back({caption, text, icon, true});
    }
    void notify(QWidget*, const std::string& caption, const std::string& text, Icon icon) override
    {
        boxes.push_back({caption, text, icon, false});
    }
    std::optional<std::string> saveFileName(QWidget*, const SaveFile& request) override
    {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return std::nullopt;
        auto answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
};
