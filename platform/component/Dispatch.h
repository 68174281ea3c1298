#pragma once

#include "platform/component/ErrorInfo.h"
#include "platform/component/TypeInfo.h"
#include "platform/component/Unknown.h"
#include "platform/component/Variant.h"

#include <string_view>
#include <vector>

namespace platform::component {

inline constexpr int32_t kDispidUnknown = -1;

// Late-bound access to an object's members by dispatch identifier. Called
// only on the thread that created the object.
class Dispatch : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{9C699A8D-0623-4906-B460-7A346C3DD83E}");

    // The member table of the object's default interface.
    virtual const InterfaceInfo& typeInfo() const = 0;
    // The identifier of a member by name (case-insensitive), or kDispidUnknown.
    virtual int32_t idOfName(std::string_view name) const = 0;
    // Invokes a member. `args` are in declaration order; out arguments are
    // written in place. For a property put, args holds the one new value.
    // `result` (may be null) receives a get's value. On DISP_E_EXCEPTION
    // `excep` (may be null) receives the error object, which also stays the
    // thread's current error information.
    virtual HResult invoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args, Variant* result,
                           ErrorInfo* excep)
        = 0;
};

// The checks every dispatch implementation shares, done from the member
// table: unknown members and kinds give DISP_E_MEMBERNOTFOUND, a wrong
// argument count DISP_E_BADPARAMCOUNT, an argument that does not convert to
// its declared type DISP_E_TYPEMISMATCH. The thread's error information is
// cleared before the member runs. Nothing a member throws leaves invoke:
// running out of memory gives E_OUTOFMEMORY, any other exception
// DISP_E_EXCEPTION with kInternalFailure as its description.
class DispatchImpl : public Dispatch {
public:
    static constexpr std::string_view kInternalFailure = "Internal failure";

    int32_t idOfName(std::string_view name) const override;
    HResult invoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args, Variant* result,
                   ErrorInfo* excep) override;

protected:
    // Called with arguments already converted to their declared types.
    // `result` is never null for a property get.
    virtual HResult invokeMember(const MemberInfo& member, InvokeKind kind, std::vector<Variant>& args,
                                 Variant& result)
        = 0;
    // The source named in the error information of an unforeseen failure
    // (the class's ProgID; the interface's name unless overridden).
    virtual std::string_view errorSource() const;

private:
    HResult checkedInvoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args, Variant* result,
                          ErrorInfo* excep);
};

} // namespace platform::component
