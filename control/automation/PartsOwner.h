#pragma once

#include "control/automation/VidorraMembers.h"
#include "platform/component/HResult.h"
#include "platform/component/Variant.h"

#include <string>
#include <vector>

namespace strovix {

// The acts the parts of a control (member table, report handlers, user
// interface) ask of the control that owns them. Window thread only.
class PartsOwner {
public:
    virtual ~PartsOwner() = default;

    // Fires `event` with `args` to every connected sink; the control stays
    // alive meanwhile.
    virtual void fire(EventId event, const std::vector<platform::component::Variant>& args) = 0;
    // The put of URL: stops the commands and starts the connect sequence.
    virtual platform::component::HResult connect(const std::string& url) = 0;
};

} // namespace strovix
