#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/camsim/Handlers.h"
#include "tools/camsim/HttpRequest.h"

namespace camsim {

class Server;
class Camera;
struct Faults;

// One accepted connection of one camera: reads a request, logs it, applies
// the camera's faults, authenticates, answers, and for the two streams keeps
// sending until the client leaves, a fault ends it or the server stops. Runs
// on its own thread; the server closes the socket afterwards.
class Connection {
public:
    Connection(Server& server, Camera& camera, int fd);
    void run();

    // Inserts a comment segment after the start marker of `jpeg` so that,
    // sent at body offset `offset`, its final FF falls on the last byte of a
    // 2048-byte block and the D9 on the first byte of the next.
    static std::vector<uint8_t> placeEndAcrossBlock(const std::vector<uint8_t>& jpeg, uint64_t offset);

private:
    std::optional<std::string> readHead();
    Identity identify(const Request& request) const;
    void holdSilently();
    bool sendAll(const void* data, size_t size);
    bool sendText(const std::string& text) { return sendAll(text.data(), text.size()); }
    void sendPlain(int code, const std::string& body, bool challenge);
    void finishPlain();
    void streamPictures(bool withStatus, bool admin);
    void streamSound(bool adpcm);

    Server& m_server;
    Camera& m_camera;
    const Faults& m_faults;
    int m_fd;
    Request m_request;
    int m_dripBytes = 0;
    int m_dripPauseMs = 0;
    uint64_t m_bodyOffset = 0; // bytes sent after the reply head
    bool m_inBody = false;
};

} // namespace camsim
