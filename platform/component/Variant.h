#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::component {

// A reply buffer handed out by reference: shared, so a host that keeps it
// after the control moved on still reads valid memory.
using ByteBuffer = std::shared_ptr<const std::vector<uint8_t>>;

// The value that crosses the dispatch interface: empty, null (an absent
// reference argument), a 32-bit integer, a UTF-8 string, a colour
// (0x00BBGGRR) or bytes by reference. The type codes are the platform's
// variant type codes; the property stream writes them.
class Variant {
public:
    enum class Type : uint16_t { Empty = 0, Null = 1, I4 = 3, Bstr = 8, Color = 19, BytesRef = 0x400C };

    Variant() = default;
    Variant(int32_t v) : m_type(Type::I4), m_int(uint32_t(v)) { }
    Variant(std::string s) : m_type(Type::Bstr), m_text(std::move(s)) { }
    Variant(const char* s) : m_type(Type::Bstr), m_text(s) { }
    static Variant null();
    static Variant color(uint32_t bgr);
    static Variant bytes(ByteBuffer buffer);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::Empty; }
    bool isNull() const { return m_type == Type::Null; }

    // Plain reads; a value of another type reads as 0, "" or null.
    int32_t i4() const { return m_type == Type::I4 || m_type == Type::Color ? int32_t(m_int) : 0; }
    uint32_t colorValue() const { return m_type == Type::I4 || m_type == Type::Color ? m_int : 0; }
    const std::string& text() const { return m_text; }
    const ByteBuffer& buffer() const { return m_bytes; }

    // The value converted to `type` as the dispatch interface coerces
    // arguments: integer and colour interchange; a string converts to an
    // integer only when it is a whole decimal number in range; an integer
    // converts to its decimal text. Nothing when the conversion is refused.
    std::optional<Variant> convertedTo(Type type) const;

    // For people: 5, "text", #00FF00, bytes[12], empty, null.
    std::string describe() const;

    bool operator==(const Variant&) const = default;

private:
    Type m_type = Type::Empty;
    uint32_t m_int = 0;
    std::string m_text;
    ByteBuffer m_bytes;
};

} // namespace platform::component
