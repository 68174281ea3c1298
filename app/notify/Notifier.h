#pragma once

#include <string>

// Where the program tells the operator's desktop what needs attention while
// nobody may be watching its window. Main thread.
class Notifier {
public:
    virtual ~Notifier() = default;
    // `key` names the camera and kind ("lost:3", "disk"): a notifier shows
    // at most one notification per key and minute.
    virtual void notify(const std::string& key, const std::string& summary, const std::string& body) = 0;
};
