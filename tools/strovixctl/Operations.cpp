#include "tools/strovixctl/Operations.h"

#include "platform/component/HResult.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace strovixctl {

using namespace platform::component;

namespace {

bool isName(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

std::optional<long long> parseInteger(std::string_view text)
{
    std::string s(text);
    if (s.empty())
        return std::nullopt;
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    char* end = nullptr;
    errno = 0;
    const long long v = hex ? std::strtoll(s.c_str() + 2, &end, 16) : std::strtoll(s.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || end == s.c_str())
        return std::nullopt;
    return v;
}

// Splits "a, "b,c", 3" at the commas outside double quotes.
bool splitArguments(std::string_view list, std::vector<Variant>& out, std::string& error)
{
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < list.size() && list[i] == ' ')
            ++i;
    };
    skipBlanks();
    if (i == list.size())
        return true;
    for (;;) {
        skipBlanks();
        if (i < list.size() && list[i] == '"') {
            std::string text;
            ++i;
            while (i < list.size() && list[i] != '"') {
                if (list[i] == '\\' && i + 1 < list.size())
                    ++i;
                text += list[i++];
            }
            if (i == list.size()) {
                error = "unterminated text argument";
                return false;
            }
            ++i;
            out.emplace_back(std::move(text));
        } else {
            const size_t start = i;
            while (i < list.size() && list[i] != ',')
                ++i;
            std::string_view raw = list.substr(start, i - start);
            while (!raw.empty() && raw.back() == ' ')
                raw.remove_suffix(1);
            auto n = parseInteger(raw);
            if (!n || *n < INT32_MIN || *n > UINT32_MAX) {
                error = "argument is neither a number nor text in double quotes: " + std::string(raw);
                return false;
            }
            out.emplace_back(int32_t(*n));
        }
        skipBlanks();
        if (i == list.size())
            return true;
        if (list[i] != ',') {
            error = "expected a comma between arguments";
            return false;
        }
        ++i;
    }
}

} // namespace

std::optional<Operation> parseOperation(std::string_view op, std::string& error)
{
    Operation o;
    const size_t eq = op.find('=');
    const size_t paren = op.find('(');
    if (eq != std::string_view::npos && (paren == std::string_view::npos || eq < paren)) {
        o.name = std::string(op.substr(0, eq));
        o.text = std::string(op.substr(eq + 1));
        if (!isName(o.name)) {
            error = "not a member name: " + o.name;
            return std::nullopt;
        }
        if (o.name == "sleep") {
            char* end = nullptr;
            o.seconds = std::strtod(o.text.c_str(), &end);
            if (o.text.empty() || *end != '\0' || !(o.seconds >= 0) || o.seconds > 86400) {
                error = "sleep needs a number of seconds: " + o.text;
                return std::nullopt;
            }
            o.kind = Operation::Kind::Sleep;
            return o;
        }
        if (o.name == "until") {
            o.kind = Operation::Kind::Until;
            o.name.clear();
            if (o.text.rfind("shown:", 0) == 0) {
                const auto n = parseInteger(std::string_view(o.text).substr(6));
                if (!n || *n < 1 || *n > 1000000) {
                    error = "until shown: needs a number of pictures: " + o.text;
                    return std::nullopt;
                }
                o.pictures = int(*n);
                return o;
            }
            if (!isName(o.text)) {
                error = "until needs an event name or shown:N: " + o.text;
                return std::nullopt;
            }
            o.name = o.text;
            return o;
        }
        o.kind = Operation::Kind::Put;
        return o;
    }
    if (!op.empty() && op.back() == '?') {
        o.name = std::string(op.substr(0, op.size() - 1));
        o.kind = Operation::Kind::Get;
        if (!isName(o.name)) {
            error = "not a member name: " + o.name;
            return std::nullopt;
        }
        return o;
    }
    if (paren != std::string_view::npos && op.back() == ')') {
        o.name = std::string(op.substr(0, paren));
        o.kind = Operation::Kind::Call;
        if (!isName(o.name)) {
            error = "not a member name: " + o.name;
            return std::nullopt;
        }
        if (!splitArguments(op.substr(paren + 1, op.size() - paren - 2), o.args, error))
            return std::nullopt;
        return o;
    }
    error = "not an operation: " + std::string(op);
    return std::nullopt;
}

Variant putValue(const MemberInfo& member, const std::string& text)
{
    if (member.type == ArgType::I4 || member.type == ArgType::Color) {
        if (auto n = parseInteger(text); n && *n >= INT32_MIN && *n <= UINT32_MAX)
            return member.type == ArgType::Color ? Variant::color(uint32_t(*n)) : Variant(int32_t(*n));
    }
    return Variant(text);
}

void completeArguments(const MemberInfo& member, std::vector<Variant>& args)
{
    while (args.size() < member.argCount && isOut(member.args[args.size()].type))
        args.emplace_back();
}

std::string formatValue(const Variant& v)
{
    switch (v.type()) {
    case Variant::Type::Bstr: {
        std::string out = "\"";
        for (char c : v.text()) {
            switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
            }
        }
        return out + "\"";
    }
    default:
        return v.describe();
    }
}

std::string formatResult(int32_t hr, const std::string& description)
{
    std::string r = formatHResult(hr);
    if (hr == DISP_E_EXCEPTION)
        r += " " + formatValue(Variant(description));
    return r;
}

std::optional<std::pair<int, int>> parseSize(std::string_view text)
{
    const size_t x = text.find('x');
    if (x == std::string_view::npos)
        return std::nullopt;
    auto w = parseInteger(text.substr(0, x));
    auto h = parseInteger(text.substr(x + 1));
    if (!w || !h || *w <= 0 || *h <= 0 || *w > 16384 || *h > 16384)
        return std::nullopt;
    return std::pair<int, int>(int(*w), int(*h));
}

} // namespace strovixctl
