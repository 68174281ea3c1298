#include "platform/component/TypeInfo.h"

#include <cctype>

namespace platform::component {

std::string_view argTypeName(ArgType t)
{
    switch (t) {
    case ArgType::I4:
        return "I4";
    case ArgType::Bstr:
        return "BSTR";
    case ArgType::Color:
        return "COLOR";
    case ArgType::OutI4:
        return "out I4";
    case ArgType::OutBstr:
        return "out BSTR";
    case ArgType::RefVariant:
        return "VARIANT*";
    }
    return "?";
}

Variant::Type variantTypeOf(ArgType t)
{
    switch (t) {
    case ArgType::I4:
    case ArgType::OutI4:
        return Variant::Type::I4;
    case ArgType::Bstr:
    case ArgType::OutBstr:
        return Variant::Type::Bstr;
    case ArgType::Color:
        return Variant::Type::Color;
    case ArgType::RefVariant:
        return Variant::Type::Empty;
    }
    return Variant::Type::Empty;
}

const MemberInfo* InterfaceInfo::find(int32_t dispid) const
{
    for (const MemberInfo& m : members)
        if (m.dispid == dispid)
            return &m;
    return nullptr;
}

const MemberInfo* InterfaceInfo::findName(std::string_view name) const
{
    for (const MemberInfo& m : members) {
        if (m.name.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(m.name[i])) == std::tolower(static_cast<unsigned char>(name[i]));
        if (same)
            return &m;
    }
    return nullptr;
}

std::string describeMember(const MemberInfo& m, std::string_view kindOverride)
{
    std::string kind(kindOverride);
    if (kind.empty()) {
        if (m.isMethod())
            kind = "method";
        else if (m.allows(InvokeKind::PropertyGet) && m.allows(InvokeKind::PropertyPut))
            kind = "get/put";
        else
            kind = m.allows(InvokeKind::PropertyGet) ? "get" : "put";
    }
    std::string line = std::to_string(m.dispid) + " " + kind + " " + std::string(m.name);
    if (m.isMethod() || !kindOverride.empty()) {
        line += "(";
        for (size_t i = 0; i < m.argCount; ++i) {
            if (i)
                line += ", ";
            line += std::string(argTypeName(m.args[i].type)) + " " + std::string(m.args[i].name);
        }
        line += ")";
    } else {
        line += " " + std::string(argTypeName(m.type));
    }
    return line;
}

} // namespace platform::component
