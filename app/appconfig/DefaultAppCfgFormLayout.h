#pragma once

#include "app/appconfig/AppCfgFormLayout.h"

// The one layout of the configuration window, whatever name the
// APP_CFG_FORM_LAYOUT setting holds: the captions of the tables in
// AppCfgFields, the camera, viewer layout, weekday and export/import lists,
// the entry of the current viewer layout, and the current alert settings.
class DefaultAppCfgFormLayout final : public AppCfgFormLayout {
public:
    void layout(AppCfgForm& form) override;
};
