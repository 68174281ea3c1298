#pragma once

#include "control/session/Credentials.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace strovix {

// The numbers every camera exchange ends with; callers decide on them.
enum class HttpResult : int {
    Ok = 0,             // status 200 (or a status after a prompt), body read or ready to read
    BadUrl = 1,         // the URL could not be split into host, port and path
    SessionFailed = 2,  // the HTTP client could not be set up
    ConnectFailed = 3,  // no connection to host and port
    NoRequest = 4,      // no request when the body was to be read
    TooLong = 6,        // Content-Length above 60000, body above 60000 without length, or a body read failed
    ServerError = 7,    // any status except 200, 401, 404, 407
    AuthFailed = 8,     // no credentials given, or three refused
    Aborted = 16,       // aborted after the session was set up
    AbortedEarly = -16, // aborted before the session was set up
    Busy = 32,          // the object runs another request
    SendFailed = 64,    // sending failed, or no answer in time
    NotFound = 128,     // status 404
};

constexpr int toInt(HttpResult r) { return static_cast<int>(r); }
// Results after which a connection gives up at once instead of retrying. A
// refused login is not one of them: the operator may give the right
// credentials later, and the connection must then come up by itself.
constexpr bool isFatal(HttpResult r)
{
    return r == HttpResult::BadUrl || r == HttpResult::Aborted || r == HttpResult::Busy;
}

struct UrlParts {
    std::string host;
    uint16_t port = 80;
    std::string target; // path and query, percent-encoded where needed
};

// Splits "http://host[:port][/path]" (scheme case-insensitive; the port
// defaults to 80; the path to "/"). Nothing for anything else, a host longer
// than 255 bytes or a target longer than 8191 bytes. Bytes of the path that
// would break or change the request (space, control characters, "#", bytes
// above 0x7F) are percent-encoded; everything else goes as given.
std::optional<UrlParts> splitUrl(const std::string& url);
// "host:port", the key under which a camera's credentials are kept.
std::string hostPortOf(const UrlParts& parts);

// One camera exchange at a time: an HTTP/1.0 GET without cache, without
// following redirects, agent "DevUdovud". Owned by one worker at a time;
// Abort() may be called from any thread.
class HttpRequest {
public:
    static constexpr int kFetchTimeoutMs = 5000;
    static constexpr int kStreamTimeoutMs = 10000;
    static constexpr size_t kMaxBody = 60000;

    HttpRequest();
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Owner thread. The whole reply body into `body`; result as above.
    HttpResult FetchReply(const std::string& url, std::string& body);
    // Owner thread. On Ok the body stays open for Read() until CloseRequest().
    HttpResult OpenStream(const std::string& url);
    // What Read() returns when `maxWaitMs` passed before `n` bytes came.
    static constexpr long kReadWaitOver = -2;

    // Owner thread, after OpenStream: fills `n` bytes, fewer only when the
    // body ended. Returns the count, or -1 when the read failed, timed out
    // (10000 ms without data) or was aborted. With `maxWaitMs` zero or more,
    // a camera that trickles bytes cannot hold the reader longer than that:
    // the read then returns kReadWaitOver and keeps what came for the next
    // read.
    long Read(uint8_t* buffer, size_t n, int maxWaitMs = -1);
    // Owner thread, after OpenStream: like Read(), but returns as soon as
    // at least one byte is there, with up to `n` bytes; 0 only when the
    // body ended. Bytes that came before the transfer failed are handed out
    // first; the next read then fails. `maxWaitMs` bounds the wait for the
    // first byte.
    long ReadSome(uint8_t* buffer, size_t n, int maxWaitMs = -1);
    // Owner thread. Ends the exchange and frees what it holds.
    void CloseRequest();
    // Any thread. Asks a running request to stop; it ends within about 100 ms
    // with Aborted (or AbortedEarly). A stream that is open counts as
    // running: its Read() then fails. No effect on an idle object.
    void Abort();

    // Bytes per read of a fetched body (default 1024). Any thread; a fetch
    // takes the value once as it starts reading the body. The objects shared
    // by two threads (the probe's with the audio thread, a command's with a
    // second call of the same command) are set by whoever starts next, so
    // the value is atomic.
    void setReadGranularity(int bytes) { m_granularity.store(bytes); }
    bool busy() const;

    // Owner thread, after a request: whether it ended with ConnectFailed
    // because the host's name could not be resolved (no such host, or no
    // name service), as opposed to a host that refused or did not answer.
    bool hostNotFound() const { return m_hostNotFound; }

    // Set while idle. Without a provider a 401 or 407 ends with AuthFailed,
    // unless the store has other credentials for the camera by then. With a
    // store, its questions() decide whether the operator is asked.
    void setCredentials(std::shared_ptr<CredentialsProvider> provider, std::shared_ptr<CredentialStore> store);

private:
    enum class Mode { Fetch, Stream };
    enum class Drive { Ready, Done, Aborted, TimedOut, WaitOver };

    HttpResult run(const std::string& url, Mode mode, std::string* body);
    HttpResult exchange(Mode mode, std::string* body);
    bool startTransfer(Mode mode, const std::optional<Credentials>& creds);
    Drive drive(bool untilHeaders, size_t wantBytes, int64_t giveUpAtMs = -1);
    HttpResult sendFailure();
    long takeBuffered(uint8_t* buffer, size_t n);
    bool openHandles();
    void closeHandles();
    bool aborted();

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);

    // Owner thread:
    std::string m_url;
    std::optional<UrlParts> m_parts;
    int m_timeoutMs = kFetchTimeoutMs;
    void* m_easy = nullptr;
    void* m_headers = nullptr; // the extra header list (curl_slist)
    std::shared_ptr<CredentialsProvider> m_provider;
    std::shared_ptr<CredentialStore> m_store;
    // Transfer state, owner thread (callbacks run inside the owner's calls):
    long m_status = 0;
    bool m_headersDone = false;
    bool m_transferDone = false;
    int m_transferCode = 0;
    std::string m_contentLength;
    std::string m_realm;
    std::vector<uint8_t> m_buffer;
    size_t m_bufferPos = 0;
    int64_t m_lastActivityMs = 0;
    bool m_hostNotFound = false; // the last request's name lookup failed

    // The multi handle (with the socket pair it wakes up by) exists only
    // while a transfer runs or a stream is open, so that an idle request
    // holds no descriptor. Written by the owner under m_stateLock; Abort()
    // wakes it under the same lock, so it is never woken while being freed.
    void* m_multi = nullptr;
    std::atomic<int> m_granularity{1024};
    std::atomic<int> m_cancel{0}; // mirrors the abort flag for credential prompts; written under m_stateLock

    mutable std::mutex m_stateLock;
    // Guarded by m_stateLock (one lock, so that an abort and the end of the
    // request it aborts cannot interleave):
    bool m_busy = false;
    bool m_streamOpen = false; // an opened stream is being read
    bool m_abort = false;
};

using HttpRequestPtr = std::shared_ptr<HttpRequest>;

} // namespace strovix
