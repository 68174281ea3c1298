#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace camsim {

// One parsed request head. The request target is kept exactly as the client
// sent it; query values are percent-decoded ("+" stays a plus sign, since
// the cameras' clients send spaces unencoded or as %20).
struct Request {
    std::string method;
    std::string target;  // exact, as sent
    std::string path;    // target up to "?"
    std::string version; // "HTTP/1.0", "HTTP/1.1", or empty for a bare request line
    std::vector<std::pair<std::string, std::string>> query;
    std::vector<std::pair<std::string, std::string>> headers; // names lower-case

    // The first value of query key `key` (exact, case-sensitive), if present.
    std::optional<std::string> param(std::string_view key) const;
    // The first header of that lower-case name.
    std::optional<std::string> header(std::string_view lowerName) const;
};

// Parses a request head (the bytes before the empty line, line ends "\r\n"
// or "\n"). The target is everything between the method and the last
// " HTTP/" of the request line, so a target with unencoded blanks survives.
std::optional<Request> parseRequest(std::string_view head);

// Index of the first byte after the empty line that ends a request head, or
// npos if the head is not complete yet.
size_t headEnd(std::string_view data);

std::string percentDecode(std::string_view text);

// Decodes standard base64; nothing on a malformed text.
std::optional<std::string> base64Decode(std::string_view text);
std::string base64Encode(std::string_view data);

// User and password of an "Authorization: Basic ..." value.
std::optional<std::pair<std::string, std::string>> basicCredentials(std::string_view value);

} // namespace camsim
