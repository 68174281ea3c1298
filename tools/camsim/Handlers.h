#pragma once

#include <string>

#include "tools/camsim/Camera.h"
#include "tools/camsim/Config.h"
#include "tools/camsim/HttpRequest.h"

namespace camsim {

// Who sent a request, as the user table decided.
struct Identity {
    std::string user; // empty when not authenticated
    bool admin = false;
};

// What to answer. Plain replies carry their body; the two endless streams
// are served by the connection itself.
struct Reply {
    enum class Kind { Plain, PictureStream, SoundStream };
    Kind kind = Kind::Plain;
    int code = 200;
    std::string body;
    bool withStatus = false; // picture stream: status parts before each picture
    bool adpcm = false;      // sound stream format
};

// Whether a path may be requested without credentials (the pan/tilt request,
// which its senders make without an Authorization header).
bool isOpenPath(const std::string& path);

// Answers an authenticated request (or one for an open path): runs the CGI
// command against the camera's state. Unknown paths get 404; administration
// requests from a non-administrator 401; malformed values 400 with the state
// unchanged. Any thread.
Reply handleRequest(Camera& camera, const Config& config, const Request& request, const Identity& who);

// Reason phrase of the status codes camsim sends.
const char* reasonPhrase(int code);

} // namespace camsim
