#include "tools/camsim/Connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <netinet/in.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <cerrno>

#include "tools/camsim/Audio.h"
#include "tools/camsim/Server.h"

namespace camsim {

namespace {

constexpr size_t kMaxHead = 16384;
constexpr int kSliceMs = 200;
constexpr int kSilentHoldMs = 120000;
constexpr char kBoundary[] = "--ipcamera\r\n";
constexpr char kStatusHeader[] = "Content-Type: text/plain\r\n\r\n";
constexpr char kImageHeader[] = "Content-Type: image/jpeg\r\n\r\n";
constexpr size_t kBlock = 2048;
constexpr int kSoundBlockSamples = 256; // 32 ms
constexpr int kSoundLeadSamples = 2000; // sent at once so a client can start playing

using Clock = std::chrono::steady_clock;

} // namespace

Connection::Connection(Server& server, Camera& camera, int fd)
    : m_server(server)
    , m_camera(camera)
    , m_faults(server.config().faultsOf(camera.index()))
    , m_fd(fd)
{
    timeval tv {};
    tv.tv_sec = server.config().sendTimeoutMs / 1000;
    tv.tv_usec = (server.config().sendTimeoutMs % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

std::optional<std::string> Connection::readHead()
{
    std::string data;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_server.config().requestTimeoutMs);
    char buffer[2048];
    while (!m_server.stopping()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd p {m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(std::min<long long>(left, kSliceMs)));
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (r <= 0)
            continue;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return std::nullopt;
        data.append(buffer, size_t(n));
        if (const size_t end = headEnd(data); end != std::string::npos)
            return data.substr(0, end);
        if (data.size() > kMaxHead)
            return std::nullopt;
    }
    return std::nullopt;
}

Identity Connection::identify(const Request& request) const
{
    const Config& config = m_server.config();
    if (config.noAuth && config.noAuthUser.empty())
        return {"administrator", true};
    if (config.noAuth) {
        return m_camera.with([&](CameraState& s) -> Identity {
            for (const UserEntry& u : s.users)
                if (u.name == config.noAuthUser)
                    return {u.name, u.admin};
            return {};
        });
    }
    const auto header = request.header("authorization");
    if (!header)
        return {};
    const auto credentials = basicCredentials(*header);
    if (!credentials)
        return {};
    return m_camera.with([&](CameraState& s) -> Identity {
        for (const UserEntry& u : s.users)
            if (u.name == credentials->first && u.password == credentials->second)
                return {u.name, u.admin};
        return {};
    });
}

bool Connection::sendAll(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (m_server.stopping())
            return false;
        size_t piece = size;
        if (m_dripBytes > 0)
            piece = std::min(size, size_t(m_dripBytes));
        const ssize_t n = ::send(m_fd, p, piece, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
        if (m_inBody)
            m_bodyOffset += uint64_t(n);
        if (m_dripBytes > 0 && m_dripPauseMs > 0
            && !m_server.waitUntil(Clock::now() + std::chrono::milliseconds(m_dripPauseMs)))
            return false;
    }
    return true;
}

void Connection::sendPlain(int code, const std::string& body, bool challenge)
{
    int64_t length = int64_t(body.size());
    if (m_faults.bigLength > 0 && m_faults.bigLengthFilter.matches(m_request.path, m_request.target))
        length = m_faults.bigLength;
    std::string head = "HTTP/1.0 " + std::to_string(code) + " " + reasonPhrase(code) + "\r\n"
        + "Server: camsim\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(length)
        + "\r\nConnection: close\r\n";
    if (challenge)
        head += "WWW-Authenticate: Basic realm=\"camsim\"\r\n";
    head += "\r\n";
    if (sendText(head + body))
        finishPlain();
}

void Connection::finishPlain()
{
    // Half-close, then let the client read everything before the socket goes;
    // closing with unread request bytes would reset the connection.
    ::shutdown(m_fd, SHUT_WR);
    char scratch[512];
    const auto deadline = Clock::now() + std::chrono::milliseconds(1000);
    while (Clock::now() < deadline && !m_server.stopping()) {
        pollfd p {m_fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        if (::recv(m_fd, scratch, sizeof scratch, 0) <= 0)
            return;
    }
}

void Connection::holdSilently()
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(kSilentHoldMs);
    char scratch[512];
    while (Clock::now() < deadline && !m_server.stopping()) {
        pollfd p {m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, kSliceMs);
        if (r < 0 && errno != EINTR)
            return;
        if (r > 0 && ::recv(m_fd, scratch, sizeof scratch, 0) <= 0)
            return; // the client gave up
    }
}

void Connection::run()
{
    const Config& config = m_server.config();
    const auto head = readHead();
    if (!head) {
        // A silent camera holds even a connection that never sent a request.
        if (m_faults.silent && m_faults.silentFilter.path.empty())
            holdSilently();
        return;
    }
    auto parsed = parseRequest(*head);
    if (!parsed) {
        if (m_faults.silent && m_faults.silentFilter.path.empty())
            holdSilently();
        else
            sendPlain(400, "400 Bad Request\r\n", false);
        return;
    }
    m_request = std::move(*parsed);
    const Identity who = identify(m_request);
    const std::string line = RequestLog::format(m_camera.index(), who.user, m_request.method, m_request.target);
    m_server.log().write(line);
    m_camera.with([&](CameraState& s) {
        s.log.push_back(line);
        while (s.log.size() > CameraState::kLogLines)
            s.log.pop_front();
    });

    if (m_faults.silent && m_faults.silentFilter.matches(m_request.path, m_request.target)) {
        holdSilently();
        return;
    }
    if (m_faults.delayMs > 0 && m_faults.delayFilter.matches(m_request.path, m_request.target)
        && !m_server.waitUntil(Clock::now() + std::chrono::milliseconds(m_faults.delayMs)))
        return;
    if (m_faults.dripBytes > 0 && m_faults.dripFilter.matches(m_request.path, m_request.target)) {
        m_dripBytes = m_faults.dripBytes;
        m_dripPauseMs = m_faults.dripPauseMs;
    }
    for (const auto& answer : m_faults.answers) {
        if (answer.filter.matches(m_request.path, m_request.target)) {
            sendPlain(answer.code, std::to_string(answer.code) + " " + reasonPhrase(answer.code) + "\r\n",
                      answer.code == 401);
            return;
        }
    }
    if (m_request.method != "GET") {
        sendPlain(405, "405 Method Not Allowed\r\n", false);
        return;
    }
    if (who.user.empty() && !isOpenPath(m_request.path)) {
        sendPlain(401, "401 Unauthorized\r\n", true);
        return;
    }
    const Reply reply = handleRequest(m_camera, config, m_request, who);
    switch (reply.kind) {
    case Reply::Kind::Plain:
        sendPlain(reply.code, reply.body, reply.code == 401);
        break;
    case Reply::Kind::PictureStream:
        streamPictures(reply.withStatus, who.admin);
        break;
    case Reply::Kind::SoundStream:
        streamSound(reply.adpcm);
        break;
    }
}

std::vector<uint8_t> Connection::placeEndAcrossBlock(const std::vector<uint8_t>& jpeg, uint64_t offset)
{
    if (jpeg.size() < 4)
        return jpeg;
    // Offset of the final FF once a segment of `pad` bytes is inserted:
    // offset + size + pad - 2; it must be 2047 modulo 2048.
    const uint64_t endNow = offset + jpeg.size() - 2;
    uint64_t pad = (kBlock - 1 + kBlock - endNow % kBlock) % kBlock;
    if (pad < 4)
        pad += kBlock; // a comment segment is at least 4 bytes
    std::vector<uint8_t> out;
    out.reserve(jpeg.size() + pad);
    out.insert(out.end(), jpeg.begin(), jpeg.begin() + 2);
    const uint64_t length = pad - 2;
    out.push_back(0xFF);
    out.push_back(0xFE);
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length & 0xFF));
    out.insert(out.end(), pad - 4, ' ');
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

void Connection::streamPictures(bool withStatus, bool admin)
{
    const std::string head = "HTTP/1.0 200 OK\r\nServer: camsim\r\n"
                             "Content-Type: multipart/x-mixed-replace;boundary=ipcamera\r\n"
                             "Cache-Control: no-cache\r\nPragma: no-cache\r\nConnection: close\r\n\r\n";
    if (!sendText(head))
        return;
    m_inBody = true;
    m_bodyOffset = 0;
    uint64_t number = m_camera.currentPicture();
    int pictures = 0;
    std::vector<uint8_t> part;
    for (;;) {
        part.clear();
        auto append = [&part](const char* text, size_t n) { part.insert(part.end(), text, text + n); };
        if (withStatus) {
            const std::string status = m_camera.status(admin);
            append(kBoundary, sizeof kBoundary - 1);
            append(kStatusHeader, sizeof kStatusHeader - 1);
            append(status.data(), status.size());
            append("\r\n", 2);
        }
        const bool open = m_camera.with([](CameraState& s) { return s.open; });
        auto jpeg = open ? m_camera.picture(number) : nullptr;
        if (jpeg) {
            append(kBoundary, sizeof kBoundary - 1);
            append(kImageHeader, sizeof kImageHeader - 1);
            if (m_faults.splitEoi) {
                const auto placed = placeEndAcrossBlock(*jpeg, m_bodyOffset + part.size());
                part.insert(part.end(), placed.begin(), placed.end());
            } else {
                part.insert(part.end(), jpeg->begin(), jpeg->end());
            }
            append("\r\n", 2);
        }
        if (!part.empty() && !sendAll(part.data(), part.size()))
            return;
        if (jpeg && m_faults.closeAfterPictures > 0 && ++pictures >= m_faults.closeAfterPictures)
            return;
        // The next picture due; a client that fell behind skips the ones it missed.
        number = std::max(number + 1, m_camera.currentPicture());
        if (!m_server.waitUntil(m_camera.pictureTime(number)))
            return;
    }
}

void Connection::streamSound(bool adpcm)
{
    const std::string head = std::string("HTTP/1.0 200 OK\r\nServer: camsim\r\nContent-Type: ")
        + (adpcm ? "audio/x-adpcm" : "audio/x-pcm") + "\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
    if (!sendText(head))
        return;
    m_inBody = true;
    ToneSource tones;
    AdpcmEncoder encoder;
    std::vector<int16_t> samples;
    std::vector<uint8_t> bytes;
    const auto start = Clock::now();
    uint64_t sent = 0;
    for (;;) {
        if (!m_camera.with([](CameraState& s) { return s.audioOn; }))
            return; // switching the audio off ends the body
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const uint64_t due = uint64_t(elapsed * kAudioRate) + kSoundLeadSamples;
        while (sent < due) {
            samples.clear();
            bytes.clear();
            tones.generate(kSoundBlockSamples, samples);
            if (adpcm) {
                encoder.encode(samples.data(), samples.size(), bytes);
            } else {
                for (int16_t s : samples) {
                    bytes.push_back(static_cast<uint8_t>(uint16_t(s) & 0xFF));
                    bytes.push_back(static_cast<uint8_t>(uint16_t(s) >> 8));
                }
            }
            if (!sendAll(bytes.data(), bytes.size()))
                return;
            sent += kSoundBlockSamples;
        }
        if (!m_server.waitUntil(Clock::now() + std::chrono::milliseconds(32)))
            return;
    }
}

} // namespace camsim
