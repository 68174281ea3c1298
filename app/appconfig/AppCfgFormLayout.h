#pragma once

class AppCfgForm;

// Fills the configuration window's captions and lists and puts the current
// application settings into it. The window is laid out by one such object
// when it is made. GUI thread only.
class AppCfgFormLayout {
public:
    virtual ~AppCfgFormLayout() = default;
    virtual void layout(AppCfgForm& form) = 0;
};
