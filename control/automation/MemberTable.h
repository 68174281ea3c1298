#pragma once

#include "control/automation/ControlParts.h"
#include "platform/component/HResult.h"
#include "platform/component/TypeInfo.h"
#include "platform/component/Variant.h"

#include <span>
#include <vector>

namespace strovix {

// The handlers of the automation members, one entry per dispatch
// identifier: how a property is read, how a new value is checked and
// stored, what a method does. A new member is one entry here and one in the
// interface's member table (VidorraMembers.cpp). Refusals leave every field
// unchanged. Window thread only.
class MemberTable {
public:
    using HResult = platform::component::HResult;
    using Variant = platform::component::Variant;
    using Get = Variant (*)(ControlParts&);
    using Put = HResult (*)(ControlParts&, const Variant&);
    using Call = HResult (*)(ControlParts&, std::vector<Variant>&);

    struct Entry {
        Dispid dispid;
        Get get = nullptr;
        Put put = nullptr;
        Call call = nullptr;
    };

    // Runs the handler of `dispid` for `kind` with arguments already checked
    // and converted by the dispatch layer. DISP_E_MEMBERNOTFOUND when the
    // member has no handler of that kind.
    static HResult invoke(ControlParts& parts, int32_t dispid, platform::component::InvokeKind kind,
                          std::vector<Variant>& args, Variant& result);
    // The put of one property, as a host's would be.
    static HResult put(ControlParts& parts, Dispid dispid, const Variant& value);

    // Every entry, in the interface's order (for tests that hold it against
    // the interface's member table).
    static std::span<const Entry> entries();

    // How long ExCmd and JspExCmd wait for their reply.
    static constexpr int kExCmdWaitMs = 3000;
    static constexpr int kJspExCmdWaitMs = 10000;
};

} // namespace strovix
