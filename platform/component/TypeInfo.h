#pragma once

#include "platform/component/Guid.h"
#include "platform/component/Variant.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Type information: the interfaces, members, dispatch identifiers and
// argument types of a class, kept as data. The dispatch layer checks and
// converts arguments from it; hosts list it.
namespace platform::component {

// How a member is invoked; a property can be both read and written.
enum class InvokeKind : uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

enum class ArgType : uint8_t {
    I4,      // 32-bit signed integer
    Bstr,    // string
    Color,   // colour 0x00BBGGRR
    OutI4,   // out: integer written by the callee
    OutBstr, // out: string written by the callee, left untouched on refusal
    RefVariant, // in/out variant; null when the caller gives no reference
};

constexpr bool isOut(ArgType t) { return t == ArgType::OutI4 || t == ArgType::OutBstr || t == ArgType::RefVariant; }
std::string_view argTypeName(ArgType t);
// The variant type an in-argument or property value is coerced to.
Variant::Type variantTypeOf(ArgType t);

struct ArgInfo {
    std::string_view name;
    ArgType type = ArgType::I4;
};

inline constexpr size_t kMaxArgs = 8;

struct MemberInfo {
    int32_t dispid = 0;
    std::string_view name;
    uint8_t kinds = 0; // InvokeKind bits
    ArgType type = ArgType::I4; // the property's value type
    std::array<ArgInfo, kMaxArgs> args{};
    uint8_t argCount = 0;

    constexpr bool allows(InvokeKind k) const { return (kinds & uint8_t(k)) != 0; }
    constexpr bool isMethod() const { return allows(InvokeKind::Method); }
    std::span<const ArgInfo> arguments() const { return {args.data(), argCount}; }
};

// Builders that keep member tables short and readable.
constexpr MemberInfo property(int32_t dispid, std::string_view name, ArgType type, bool get, bool put)
{
    MemberInfo m;
    m.dispid = dispid;
    m.name = name;
    m.type = type;
    m.kinds = uint8_t((get ? uint8_t(InvokeKind::PropertyGet) : 0) | (put ? uint8_t(InvokeKind::PropertyPut) : 0));
    return m;
}

template <class... A> constexpr MemberInfo method(int32_t dispid, std::string_view name, A... args)
{
    static_assert(sizeof...(A) <= kMaxArgs);
    MemberInfo m;
    m.dispid = dispid;
    m.name = name;
    m.kinds = uint8_t(InvokeKind::Method);
    m.args = {ArgInfo(args)...};
    m.argCount = uint8_t(sizeof...(A));
    return m;
}

struct InterfaceInfo {
    std::string_view name;
    Guid iid;
    std::string_view help;
    bool dispatchOnly = false; // an event interface is dispatch-only
    std::span<const MemberInfo> members;

    const MemberInfo* find(int32_t dispid) const;
    // Names compare without regard to case, as the platform's do.
    const MemberInfo* findName(std::string_view name) const;
};

struct CoClassInfo {
    std::string_view name;
    Guid clsid;
    std::string_view description;
    const InterfaceInfo* defaultInterface = nullptr;
    const InterfaceInfo* eventInterface = nullptr;
};

struct TypeLibInfo {
    std::string_view name;
    Guid libid;
    uint16_t major = 1;
    uint16_t minor = 0;
    std::string_view help;
    const CoClassInfo* coclass = nullptr;
};

// "DISPID kind name(types)": one line of a member listing.
std::string describeMember(const MemberInfo& m, std::string_view kindOverride = {});

} // namespace platform::component
