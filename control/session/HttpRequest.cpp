#include "control/session/HttpRequest.h"

#include "control/session/FieldCodec.h"
#include "control/session/LoginQuestions.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace strovix {
namespace {

constexpr const char* kAgent = "DevUdovud";
constexpr size_t kMaxHost = 255;
constexpr size_t kMaxTarget = 8191;
constexpr int kPollSliceMs = 100;
// The receive size of a stream (libcurl's default is 16 KiB).
constexpr long kStreamReceiveBytes = 256 * 1024;
// Read bytes are kept in front of the unread ones until there are this many.
constexpr size_t kCompactAfterBytes = 64 * 1024;

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string encodeTarget(std::string_view path)
{
    return percentEncode(path, [](unsigned char c) { return c <= 0x20 || c == 0x7F || c == '#' || c >= 0x80; });
}

std::string trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

// The loopback addresses never go through a proxy; the rest follows the
// usual proxy environment.
std::string noProxyList()
{
    std::string list = "localhost,127.0.0.1,::1";
    for (const char* name : {"no_proxy", "NO_PROXY"})
        if (const char* v = std::getenv(name); v && *v)
            return std::string(v) + "," + list;
    return list;
}

} // namespace

std::optional<UrlParts> splitUrl(const std::string& url)
{
    std::string_view rest(url);
    if (!startsWithNoCase(rest, "http://"))
        return std::nullopt;
    rest.remove_prefix(7);
    const size_t authEnd = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, authEnd);
    std::string_view path = authEnd == std::string_view::npos ? std::string_view{} : rest.substr(authEnd);
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);

    UrlParts parts;
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        parts.host = std::string(authority.substr(0, close + 1));
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return std::nullopt;
            portText = after.substr(1);
        }
    } else {
        const size_t colon = authority.find(':');
        parts.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = authority.substr(colon + 1);
    }
    if (parts.host.empty() || parts.host.size() > kMaxHost)
        return std::nullopt;
    for (unsigned char c : parts.host)
        if (c <= 0x20 || c >= 0x7F || c == '#' || c == '\\')
            return std::nullopt;
    if (!portText.empty()) {
        if (portText.size() > 5)
            return std::nullopt;
        unsigned port = 0;
        for (char c : portText) {
            if (c < '0' || c > '9')
                return std::nullopt;
            port = port * 10 + static_cast<unsigned>(c - '0');
        }
        if (port == 0 || port > 65535)
            return std::nullopt;
        parts.port = static_cast<uint16_t>(port);
    }
    parts.target = encodeTarget(path);
    if (parts.target.empty() || parts.target.front() != '/')
        parts.target.insert(0, "/");
    if (parts.target.size() > kMaxTarget)
        return std::nullopt;
    return parts;
}

std::string hostPortOf(const UrlParts& parts)
{
    return parts.host + ":" + std::to_string(parts.port);
}

HttpRequest::HttpRequest()
{
    globalInit();
}

HttpRequest::~HttpRequest()
{
    closeHandles();
}

void HttpRequest::setCredentials(std::shared_ptr<CredentialsProvider> provider, std::shared_ptr<CredentialStore> store)
{
    m_provider = std::move(provider);
    m_store = std::move(store);
}

bool HttpRequest::busy() const
{
    std::lock_guard g(m_stateLock);
    return m_busy;
}

bool HttpRequest::aborted()
{
    std::lock_guard g(m_stateLock);
    return m_abort;
}

void HttpRequest::Abort()
{
    {
        // Checked and set under one lock: an abort that finds the request
        // running is cleared by its end, never left behind for the next one.
        std::lock_guard g(m_stateLock);
        if (!m_busy && !m_streamOpen)
            return;
        m_abort = true;
        m_cancel.store(1);
        // Waking a transfer that has ended meanwhile costs one extra poll.
        if (m_multi)
            curl_multi_wakeup(static_cast<CURLM*>(m_multi));
    }
}

HttpResult HttpRequest::FetchReply(const std::string& url, std::string& body)
{
    body.clear();
    return run(url, Mode::Fetch, &body);
}

HttpResult HttpRequest::OpenStream(const std::string& url)
{
    return run(url, Mode::Stream, nullptr);
}

HttpResult HttpRequest::run(const std::string& url, Mode mode, std::string* body)
{
    {
        std::lock_guard g(m_stateLock);
        if (m_busy)
            return HttpResult::Busy;
        m_busy = true;
    }
    m_hostNotFound = false;
    if (url != m_url || !m_parts) {
        m_url = url;
        m_parts = splitUrl(url);
    }
    HttpResult r = m_parts ? exchange(mode, body) : HttpResult::BadUrl;
    // A stream stays open only on success; a fetch never does.
    if (mode == Mode::Fetch || r != HttpResult::Ok)
        closeHandles();
    {
        std::lock_guard g(m_stateLock);
        m_busy = false;
        m_streamOpen = mode == Mode::Stream && r == HttpResult::Ok;
        m_abort = false;
        m_cancel.store(0);
    }
    return r;
}

HttpResult HttpRequest::exchange(Mode mode, std::string* body)
{
    if (aborted())
        return HttpResult::AbortedEarly;
    closeHandles();
    if (!openHandles())
        return HttpResult::SessionFailed;
    m_timeoutMs = mode == Mode::Fetch ? kFetchTimeoutMs : kStreamTimeoutMs;
    if (aborted())
        return HttpResult::Aborted;

    const std::string hostPort = hostPortOf(*m_parts);
    std::optional<Credentials> creds = m_store ? m_store->lookup(hostPort) : std::nullopt;
    bool prompted = false;
    int attempts = 3;
    for (;;) {
        if (aborted())
            return HttpResult::Aborted;
        if (!startTransfer(mode, creds))
            return HttpResult::SendFailed;
        const Drive d = drive(true, 0);
        if (d == Drive::Aborted)
            return HttpResult::Aborted;
        if (!m_headersDone)
            return sendFailure();

        if (m_status == 401 || m_status == 407) {
            if (creds) {
                if (m_store)
                    m_store->refused(hostPort, *creds);
                if (--attempts == 0)
                    return HttpResult::AuthFailed;
            }
            // One question per camera at a time: another request's answer
            // is taken, an open question waited for.
            if (m_store)
                creds = m_store->questions().afterRefusal(hostPort, m_realm, creds, m_provider.get(), m_cancel);
            else
                creds = m_provider ? m_provider->ask(hostPort, m_realm, m_cancel) : std::nullopt;
            if (aborted())
                return HttpResult::Aborted;
            if (!creds)
                return HttpResult::AuthFailed;
            prompted = true;
            continue;
        }
        if (creds && m_store)
            m_store->accepted(hostPort, *creds);
        if (m_status == 200 || prompted)
            break;
        return m_status == 404 ? HttpResult::NotFound : HttpResult::ServerError;
    }

    // Body step.
    if (!m_easy)
        return HttpResult::NoRequest;
    if (aborted())
        return HttpResult::Aborted;
    const std::string lengthText = m_contentLength.substr(0, 127);
    long long length = -1;
    if (!lengthText.empty() && lengthText[0] >= '0' && lengthText[0] <= '9') {
        length = 0;
        for (char c : lengthText) {
            if (c < '0' || c > '9')
                break;
            length = std::min<long long>(length * 10 + (c - '0'), 1LL << 40);
        }
    }
    if (length > static_cast<long long>(kMaxBody))
        return HttpResult::TooLong;
    if (mode == Mode::Stream)
        return HttpResult::Ok;

    const int granularity = m_granularity.load();
    const size_t g = granularity >= 1 ? static_cast<size_t>(granularity) : 0;
    std::string& out = *body;
    if (length > 0) {
        const size_t n = static_cast<size_t>(length);
        out.resize(n);
        auto* p = reinterpret_cast<uint8_t*>(out.data());
        size_t done = 0;
        auto readPiece = [&](size_t want) -> HttpResult {
            const long r = Read(p + done, want);
            if (r < 0)
                return aborted() ? HttpResult::Aborted : HttpResult::TooLong;
            done += static_cast<size_t>(r);
            // A body that ends before its announced length is a failed read,
            // never a success padded with zeros.
            return static_cast<size_t>(r) == want ? HttpResult::Ok : HttpResult::TooLong;
        };
        if (g >= 1 && n >= g) {
            for (size_t i = 0; i < n / g; ++i) {
                if (aborted())
                    return HttpResult::Aborted;
                if (HttpResult r = readPiece(g); r != HttpResult::Ok)
                    return r;
            }
            if (n % g)
                if (HttpResult r = readPiece(n % g); r != HttpResult::Ok)
                    return r;
        } else if (HttpResult r = readPiece(n); r != HttpResult::Ok) {
            return r;
        }
        return HttpResult::Ok;
    }
    if (length == 0)
        return HttpResult::Ok;

    // No length: read until the body ends or a read fails, keeping what
    // came, but never more than the bound.
    std::vector<uint8_t> scratch(std::max<size_t>(g, 1));
    for (;;) {
        if (aborted())
            return HttpResult::Aborted;
        const long r = Read(scratch.data(), scratch.size());
        if (r < 0 && aborted())
            return HttpResult::Aborted;
        if (r <= 0)
            break;
        out.append(reinterpret_cast<const char*>(scratch.data()), static_cast<size_t>(r));
        if (out.size() > kMaxBody)
            return HttpResult::TooLong;
    }
    return HttpResult::Ok;
}

HttpResult HttpRequest::sendFailure()
{
    // Not even connected: the connection could not be created.
    curl_off_t connectUs = 0;
    curl_easy_getinfo(static_cast<CURL*>(m_easy), CURLINFO_CONNECT_TIME_T, &connectUs);
    m_hostNotFound = m_transferDone && m_transferCode == CURLE_COULDNT_RESOLVE_HOST;
    if (m_transferDone &&
        (m_transferCode == CURLE_COULDNT_CONNECT || m_transferCode == CURLE_COULDNT_RESOLVE_HOST))
        return HttpResult::ConnectFailed;
    if (connectUs == 0)
        return HttpResult::ConnectFailed;
    return HttpResult::SendFailed;
}

bool HttpRequest::startTransfer(Mode mode, const std::optional<Credentials>& creds)
{
    auto* easy = static_cast<CURL*>(m_easy);
    auto* multi = static_cast<CURLM*>(m_multi);
    curl_multi_remove_handle(multi, easy);
    curl_easy_reset(easy);
    m_status = 0;
    m_headersDone = false;
    m_transferDone = false;
    m_transferCode = 0;
    m_contentLength.clear();
    m_realm.clear();
    m_buffer.clear();
    m_bufferPos = 0;
    m_lastActivityMs = nowMs();

    if (!m_headers) {
        curl_slist* list = curl_slist_append(nullptr, "Accept:");
        if (mode == Mode::Stream)
            list = curl_slist_append(list, "Pragma: no-cache");
        m_headers = list;
    }
    std::string host = m_parts->host;
    const std::string base = "http://" + host + ":" + std::to_string(m_parts->port) + "/";
    static const std::string noProxy = noProxyList();
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, base.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, m_parts->target.c_str()) == CURLE_OK;
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(m_headers));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_timeoutMs));
    curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpRequest::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpRequest::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    // A stream takes whatever the socket holds in one receive: a whole
    // picture per wake-up instead of one per 16 KiB, with the polls that go
    // with each receive.
    if (mode == Mode::Stream)
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kStreamReceiveBytes);
    if (creds) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(easy, CURLOPT_USERNAME, creds->user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, creds->password.c_str());
    }
    return ok && curl_multi_add_handle(multi, easy) == CURLM_OK;
}

HttpRequest::Drive HttpRequest::drive(bool untilHeaders, size_t wantBytes, int64_t giveUpAtMs)
{
    auto* multi = static_cast<CURLM*>(m_multi);
    auto satisfied = [&] {
        return untilHeaders ? m_headersDone : (m_buffer.size() - m_bufferPos >= wantBytes);
    };
    for (;;) {
        if (satisfied())
            return Drive::Ready;
        if (m_transferDone)
            return Drive::Done;
        if (aborted())
            return Drive::Aborted;
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_easy) {
                m_transferDone = true;
                m_transferCode = msg->data.result;
            }
        }
        if (satisfied())
            return Drive::Ready;
        if (m_transferDone)
            return Drive::Done;
        const int64_t now = nowMs();
        if (now - m_lastActivityMs > m_timeoutMs)
            return Drive::TimedOut;
        if (giveUpAtMs >= 0 && now >= giveUpAtMs)
            return Drive::WaitOver;
        curl_multi_poll(multi, nullptr, 0, kPollSliceMs, nullptr);
    }
}

long HttpRequest::Read(uint8_t* buffer, size_t n, int maxWaitMs)
{
    if (!m_easy || !m_headersDone)
        return -1;
    const Drive d = drive(false, n, maxWaitMs >= 0 ? nowMs() + maxWaitMs : -1);
    if (d == Drive::Aborted || d == Drive::TimedOut)
        return -1;
    if (d == Drive::WaitOver)
        return kReadWaitOver;
    if (m_buffer.size() - m_bufferPos < n && m_transferDone && m_transferCode != CURLE_OK)
        return -1;
    return takeBuffered(buffer, n);
}

long HttpRequest::ReadSome(uint8_t* buffer, size_t n, int maxWaitMs)
{
    if (!m_easy || !m_headersDone)
        return -1;
    // Bytes already buffered are handed out without asking the socket.
    const Drive d = drive(false, std::min<size_t>(n, 1), maxWaitMs >= 0 ? nowMs() + maxWaitMs : -1);
    if (d == Drive::Aborted || d == Drive::TimedOut)
        return -1;
    if (d == Drive::WaitOver)
        return kReadWaitOver;
    // What came before a failed transfer is still handed out; the failure
    // is the answer once nothing is left.
    if (m_buffer.size() == m_bufferPos && m_transferDone && m_transferCode != CURLE_OK)
        return -1;
    return takeBuffered(buffer, n);
}

long HttpRequest::takeBuffered(uint8_t* buffer, size_t n)
{
    const size_t avail = m_buffer.size() - m_bufferPos;
    const size_t take = std::min(avail, n);
    if (take)
        std::memcpy(buffer, m_buffer.data() + m_bufferPos, take);
    m_bufferPos += take;
    if (m_bufferPos == m_buffer.size()) {
        m_buffer.clear();
        m_bufferPos = 0;
    } else if (m_bufferPos >= kCompactAfterBytes && m_bufferPos >= m_buffer.size() - m_bufferPos) {
        // The bytes read are dropped once they outweigh the bytes kept, so
        // moving the rest down costs no more than reading it did, however
        // far the reader lags behind the socket.
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<long>(m_bufferPos));
        m_bufferPos = 0;
    }
    return static_cast<long>(take);
}

size_t HttpRequest::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* r = static_cast<HttpRequest*>(self);
    const size_t n = size * count;
    const std::string_view line(data, n);
    r->m_lastActivityMs = nowMs();
    if (startsWithNoCase(line, "HTTP/")) {
        // A new answer (an interim one may come first): its status line.
        r->m_status = 0;
        r->m_contentLength.clear();
        r->m_realm.clear();
        const size_t sp = line.find(' ');
        if (sp != std::string_view::npos)
            r->m_status = std::strtol(std::string(line.substr(sp + 1, 3)).c_str(), nullptr, 10);
    } else if (line == "\r\n" || line == "\n") {
        if (r->m_status >= 200)
            r->m_headersDone = true;
    } else if (startsWithNoCase(line, "Content-Length:")) {
        r->m_contentLength = trim(line.substr(15));
    } else if (startsWithNoCase(line, "WWW-Authenticate:") || startsWithNoCase(line, "Proxy-Authenticate:")) {
        const size_t q = line.find("realm=\"");
        if (q != std::string_view::npos) {
            const size_t end = line.find('"', q + 7);
            r->m_realm = std::string(line.substr(q + 7, end == std::string_view::npos ? end : end - q - 7));
        }
    }
    return n;
}

size_t HttpRequest::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* r = static_cast<HttpRequest*>(self);
    const size_t n = size * count;
    r->m_lastActivityMs = nowMs();
    r->m_buffer.insert(r->m_buffer.end(), reinterpret_cast<uint8_t*>(data), reinterpret_cast<uint8_t*>(data) + n);
    return n;
}

void HttpRequest::CloseRequest()
{
    closeHandles();
    std::lock_guard g(m_stateLock);
    if (m_busy)
        return;
    m_streamOpen = false;
    m_abort = false;
    m_cancel.store(0);
}

bool HttpRequest::openHandles()
{
    // errno tells the caller why when the descriptors cannot be had.
    CURLM* multi = curl_multi_init();
    {
        std::lock_guard g(m_stateLock);
        m_multi = multi;
    }
    m_easy = multi ? curl_easy_init() : nullptr;
    return m_easy != nullptr;
}

void HttpRequest::closeHandles()
{
    if (m_easy) {
        if (m_multi)
            curl_multi_remove_handle(static_cast<CURLM*>(m_multi), static_cast<CURL*>(m_easy));
        curl_easy_cleanup(static_cast<CURL*>(m_easy));
        m_easy = nullptr;
    }
    // The multi handle takes the connection and its wake-up pair with it.
    void* multi = nullptr;
    {
        std::lock_guard g(m_stateLock);
        std::swap(multi, m_multi);
    }
    if (multi)
        curl_multi_cleanup(static_cast<CURLM*>(multi));
    if (m_headers) {
        curl_slist_free_all(static_cast<curl_slist*>(m_headers));
        m_headers = nullptr;
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferPos = 0;
    m_headersDone = false;
    m_transferDone = false;
}

} // namespace strovix
