#pragma once

#include "platform/component/TypeInfo.h"
#include "platform/component/Variant.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The operations of "strovixctl run" and how their results are written.
namespace strovixctl {

using platform::component::Variant;

struct Operation {
    enum class Kind { Put, Get, Call, Sleep, Until } kind = Kind::Get;
    // The member; for Until the event waited for, or empty when waiting for pictures.
    std::string name;
    // Put: the value as typed (converted by the member's type when run).
    std::string text;
    // Call: the arguments; text arguments were in double quotes.
    std::vector<Variant> args;
    double seconds = 0; // Sleep
    int pictures = 0;   // Until with an empty name
};

// How long one "until" waits at most before the run goes on without it.
inline constexpr double kUntilSeconds = 60;

// Reads one OP: "Name=Value", "Name?", "Name(arg,...)", "sleep=SECONDS",
// "until=EVENT" (until the control fired EVENT at least once) or
// "until=shown:N" (until it showed N pictures). Nothing (with `error` set) for
// anything else.
std::optional<Operation> parseOperation(std::string_view op, std::string& error);

// The value a put sends: an integer or colour member takes the text as a
// decimal (or 0x hexadecimal) number when it reads as one; anything else is
// sent as text, and the control's type check answers.
Variant putValue(const platform::component::MemberInfo& member, const std::string& text);

// Fills the argument list up to the member's count: missing out arguments
// become empty (a reference the control writes into).
void completeArguments(const platform::component::MemberInfo& member, std::vector<Variant>& args);

// A value as strovixctl prints it: integers in decimal, text in double
// quotes (backslash, quote, CR and LF escaped), colours as 0x00BBGGRR,
// bytes as bytes[N].
std::string formatValue(const Variant& v);
// "0", "1" or `0x80020009 "DESCRIPTION"`.
std::string formatResult(int32_t hr, const std::string& description);

// "640x480" → 640, 480. Nothing for anything else or non-positive sizes.
std::optional<std::pair<int, int>> parseSize(std::string_view text);

} // namespace strovixctl
