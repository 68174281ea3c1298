// Feeds arbitrary bytes to camsim's parsers of what clients and the command
// line send: request heads, credentials and fault specs.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/camsim/Config.h"
#include "tools/camsim/HttpRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t end = camsim::headEnd(input);
    if (end != std::string::npos && end > input.size())
        std::abort();
    if (auto request = camsim::parseRequest(input.substr(0, end == std::string::npos ? input.size() : end))) {
        // A parsed target is a path, and the path is its beginning.
        if (request->target.empty() || request->target[0] != '/' || request->target.compare(0, request->path.size(), request->path) != 0)
            std::abort();
        if (auto auth = request->header("authorization"))
            camsim::basicCredentials(*auth);
    }
    if (auto decoded = camsim::base64Decode(input)) {
        if (camsim::base64Decode(camsim::base64Encode(*decoded)) != decoded)
            std::abort();
    }
    camsim::Faults faults;
    camsim::applyFaultSpec(faults, input);
    return 0;
}
