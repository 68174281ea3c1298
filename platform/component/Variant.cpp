#include "platform/component/Variant.h"

#include "platform/component/HResult.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace platform::component {

Variant Variant::null()
{
    Variant v;
    v.m_type = Type::Null;
    return v;
}

Variant Variant::color(uint32_t bgr)
{
    Variant v;
    v.m_type = Type::Color;
    v.m_int = bgr;
    return v;
}

Variant Variant::bytes(ByteBuffer buffer)
{
    Variant v;
    v.m_type = Type::BytesRef;
    v.m_bytes = std::move(buffer);
    return v;
}

std::optional<Variant> Variant::convertedTo(Type type) const
{
    if (type == m_type)
        return *this;
    switch (type) {
    case Type::I4:
        if (m_type == Type::Color)
            return Variant(int32_t(m_int));
        if (m_type == Type::Bstr) {
            const char* s = m_text.c_str();
            while (*s == ' ')
                ++s;
            if (*s == '\0')
                return std::nullopt;
            char* end = nullptr;
            errno = 0;
            const long long n = std::strtoll(s, &end, 10);
            while (*end == ' ')
                ++end;
            if (*end != '\0' || errno == ERANGE || n < INT32_MIN || n > INT32_MAX)
                return std::nullopt;
            return Variant(int32_t(n));
        }
        return std::nullopt;
    case Type::Color:
        if (m_type == Type::I4)
            return color(m_int);
        if (m_type == Type::Bstr) {
            auto n = convertedTo(Type::I4);
            if (n)
                return color(uint32_t(n->i4()));
        }
        return std::nullopt;
    case Type::Bstr:
        if (m_type == Type::I4 || m_type == Type::Color)
            return Variant(std::to_string(int32_t(m_int)));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::string Variant::describe() const
{
    switch (m_type) {
    case Type::Empty:
        return "empty";
    case Type::Null:
        return "null";
    case Type::I4:
        return std::to_string(int32_t(m_int));
    case Type::Bstr:
        return "\"" + m_text + "\"";
    case Type::Color: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%08X", unsigned(m_int));
        return buf;
    }
    case Type::BytesRef:
        return "bytes[" + std::to_string(m_bytes ? m_bytes->size() : 0) + "]";
    }
    return "?";
}

std::string formatHResult(HResult hr)
{
    if (hr == S_OK || hr == S_FALSE)
        return std::to_string(hr);
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", unsigned(uint32_t(hr)));
    return buf;
}

} // namespace platform::component
