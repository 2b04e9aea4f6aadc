#include "net/CurlSession.h"

#include "core/ConnectionStatus.h"
#include "net/DownloadThreadsModule.h"
#include "net/ProxyEnvironment.h"
#include "resources/EventLog.h"

#include <wx/log.h>
#include <wx/thread.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include <dlfcn.h>
#include <strings.h>
#include <sys/socket.h>

namespace {

using Clock = CurlSession::Clock;
using FailureKind = FailureReason::Kind;

// One guard for the sessions to wake and the certificate authorities to trust.
std::mutex g_guard;
std::set<CURLM*> g_multis;
std::string g_caFile;
std::string g_caDirectory;
// Hosts whose move to https was logged.
std::set<std::string> g_movedHosts;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Scheme and host of an address, lower-case; a relative one is taken relative to base.
struct Place {
    std::string scheme;
    std::string host;
};
std::optional<Place> PlaceOf(const std::string& address, const std::string& base) {
    CURLU* url = curl_url();
    std::optional<Place> place;
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, address.c_str(), 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        place = Place{scheme, host};
        for (std::string* part : {&place->scheme, &place->host})
            std::transform(part->begin(), part->end(), part->begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    curl_free(scheme);
    curl_free(host);
    curl_url_cleanup(url);
    return place;
}

long Milliseconds(Clock::duration span) {
    return static_cast<long>(
        std::chrono::ceil<std::chrono::milliseconds>(std::max(span, Clock::duration::zero()))
            .count());
}

} // namespace

CurlSession::CurlSession() : m_easy(curl_easy_init()), m_multi(curl_multi_init()) {
    std::lock_guard<std::mutex> lock(g_guard);
    g_multis.insert(m_multi);
}

CurlSession::~CurlSession() {
    Detach();
    {
        // Never woken while it goes.
        std::lock_guard<std::mutex> lock(g_guard);
        g_multis.erase(m_multi);
    }
    curl_multi_cleanup(m_multi);
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headerList);
}

void CurlSession::Initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        // A lookup that a stop left behind ends later on libcurl's own thread: the library
        // must still be there then, also after the plug-in is gone.
        Dl_info info;
        if (dladdr(reinterpret_cast<void*>(&curl_easy_init), &info) && info.dli_fname)
            dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    });
    std::string file = Environment("CURL_CA_BUNDLE");
    if (file.empty())
        file = Environment("SSL_CERT_FILE");
    std::lock_guard<std::mutex> lock(g_guard);
    g_caFile = file;
    g_caDirectory = Environment("SSL_CERT_DIR");
}

void CurlSession::WakeAll() {
    std::lock_guard<std::mutex> lock(g_guard);
    for (CURLM* multi : g_multis)
        curl_multi_wakeup(multi);
}

bool CurlSession::StopRequested() {
    if (DownloadThreadsModule::Exiting())
        return true;
    // Threads that the toolkit does not know (and the main thread) are never asked to stop.
    wxThread* self = wxThread::IsMain() ? nullptr : wxThread::This();
    return self && self->TestDestroy();
}

void CurlSession::Configure(const Request& request) {
    curl_easy_reset(m_easy);
    curl_slist_free_all(m_headerList);
    m_headerList = nullptr;
    for (const std::string& header : request.headers)
        m_headerList = curl_slist_append(m_headerList, header.c_str());
    m_error[0] = '\0';
    curl_easy_setopt(m_easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    // A lookup that hangs must not hold the end of a transfer: it is left to finish alone.
    curl_easy_setopt(m_easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList);
    // Our headers (credentials among them) go to the site only, never to a proxy's CONNECT.
    curl_easy_setopt(m_easy, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl_easy_setopt(m_easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlSession::OnHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlSession::OnBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, &CurlSession::OnOpenSocket);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, &CurlSession::OnConnected);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, this);
    if (request.compressed)
        curl_easy_setopt(m_easy, CURLOPT_ACCEPT_ENCODING, "");
    if (request.proxy)
        curl_easy_setopt(m_easy, CURLOPT_PROXY, request.proxy->c_str());
    std::lock_guard<std::mutex> lock(g_guard);
    if (!g_caFile.empty())
        curl_easy_setopt(m_easy, CURLOPT_CAINFO, g_caFile.c_str());
    if (!g_caDirectory.empty())
        curl_easy_setopt(m_easy, CURLOPT_CAPATH, g_caDirectory.c_str());
}

bool CurlSession::Start(const Request& request) {
    Abandon();
    m_request = request;
    const auto scheme = request.url.find("://");
    m_scheme = scheme == std::string::npos ? "http" : request.url.substr(0, scheme);
    const auto hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    m_host = request.url.substr(hostStart, request.url.find('/', hostStart) - hostStart);
    m_started = Clock::now();
    m_reached.reset();
    m_connected = false;
    m_status = 0;
    m_headers.clear();
    m_headComplete = false;
    m_location.clear();
    m_announced = -1;
    m_bodyLength = -1;
    m_pending.clear();
    m_pendingRead = 0;
    m_failure = FailureReason();
    Configure(request);
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        Fail(FailureReason(FailureKind::OTHER, "cannot start a transfer"));
        return false;
    }
    m_attached = true;
    m_state = State::HEAD;
    if (Drive([this] { return m_headComplete; }) && m_headComplete)
        return true;
    if (!m_failure.IsSet())
        Fail(FailureReason(FailureKind::CONNECTION, "no reply from " + m_host));
    return false;
}

long CurlSession::Read(char* buffer, size_t size) {
    if (m_pendingRead == m_pending.size() && m_state == State::BODY) {
        m_pending.clear();
        m_pendingRead = 0;
        const auto start = Clock::now();
        m_readDeadline =
            start + std::min<Clock::duration>(m_request.timeout,
                                              std::max(m_bodyBudget, Clock::duration::zero()));
        Drive([this] { return m_pendingRead < m_pending.size(); });
        m_bodyBudget -= Clock::now() - start;
    }
    if (m_pendingRead < m_pending.size()) {
        const size_t count = std::min(size, m_pending.size() - m_pendingRead);
        std::copy_n(m_pending.data() + m_pendingRead, count, buffer);
        m_pendingRead += count;
        return static_cast<long>(count);
    }
    return m_failure.IsSet() ? -1 : 0;
}

void CurlSession::Abandon() {
    Detach();
    m_state = State::IDLE;
}

template <typename Ready>
bool CurlSession::Drive(Ready ready) {
    for (;;) {
        int running = 0;
        curl_multi_perform(m_multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy)
                Finish(message->data.result);
        }
        if (ready())
            return true;
        if (m_state == State::IDLE)
            return !m_failure.IsSet();
        if (StopRequested()) {
            Fail(FailureReason(FailureKind::STOPPED, "stopped"));
            return false;
        }
        FailureReason late;
        const Clock::time_point deadline = Deadline(&late);
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            Fail(late);
            return false;
        }
        curl_multi_poll(m_multi, nullptr, 0,
                        static_cast<int>(Milliseconds(std::min<Clock::duration>(
                            deadline - now, std::chrono::duration_cast<Clock::duration>(SLICE)))),
                        nullptr);
    }
}

Clock::time_point CurlSession::Deadline(FailureReason* late) const {
    if (m_state == State::BODY) {
        *late = FailureReason(FailureKind::TIME_OUT, "time-out reading the body from " + m_host);
        return m_readDeadline;
    }
    if (!m_reached) {
        *late = FailureReason(FailureKind::TIME_OUT, "time-out looking up " + m_host);
        return m_started + std::max(m_request.timeout, m_request.lookupTime);
    }
    *late =
        FailureReason(FailureKind::TIME_OUT, (m_connected ? "time-out waiting for the reply from "
                                                          : "time-out while connecting to ") +
                                                 m_host);
    return *m_reached + m_request.timeout;
}

void CurlSession::HeadComplete() {
    m_headComplete = true;
    m_state = State::BODY;
    curl_off_t length = -1;
    if (curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
        length = -1;
    m_announced = length;
    // An encoded body arrives decoded: its announced length says nothing of what is read.
    const bool encoded = std::any_of(m_headers.begin(), m_headers.end(), [](const auto& header) {
        return strcasecmp(header.first.c_str(), "Content-Encoding") == 0 &&
               strcasecmp(header.second.c_str(), "identity") != 0;
    });
    m_bodyLength = encoded ? -1 : m_announced;
    m_bodyBudget =
        std::chrono::duration_cast<Clock::duration>(m_request.bodyWait) +
        std::chrono::seconds(
            m_announced > 0 ? m_announced / static_cast<long long>(m_request.earnRate) : 0);
}

bool CurlSession::MayFollow() {
    // Within libcurl's callback: the transfer ends when it returns, not here.
    char* current = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &current);
    const std::string from = current ? current : m_request.url;
    const std::optional<Place> source = PlaceOf(from, from);
    const std::optional<Place> target = PlaceOf(m_location, from);
    if (!source || !target) {
        m_failure = FailureReason(FailureKind::OTHER, "redirect to an unreadable address");
        return false;
    }
    const bool sameHost = source->host == target->host;
    if (m_request.secretQuery && !sameHost) {
        m_failure = FailureReason(FailureKind::OTHER,
                                  "redirect to another host (" + target->host + ") not followed");
        return false;
    }
    if (m_request.secretQuery && target->scheme != "https") {
        m_failure = FailureReason(FailureKind::OTHER, "redirect to plain http not followed");
        return false;
    }
    if ((m_status == 301 || m_status == 308) && sameHost && source->scheme == "http" &&
        target->scheme == "https") {
        bool first;
        {
            std::lock_guard<std::mutex> lock(g_guard);
            first = g_movedHosts.insert(source->host).second;
        }
        if (first)
            wxLogWarning("%s moved to https: switch on \"Secure connection (HTTPS)\" in the "
                         "preferences",
                         wxString::FromUTF8(source->host));
    }
    return true;
}

void CurlSession::Finish(CURLcode result) {
    if (result != CURLE_OK) {
        // A redirect refused in the head has its own reason already.
        Fail(m_failure.IsSet() ? m_failure : Explain(result));
        return;
    }
    // What came stays to be read; the connection goes back to the session's cache.
    Detach();
    m_state = State::IDLE;
}

void CurlSession::Fail(const FailureReason& reason) {
    m_failure = reason;
    m_pending.clear();
    m_pendingRead = 0;
    Detach();
    m_state = State::IDLE;
}

FailureReason CurlSession::Explain(CURLcode result) const {
    long connectCode = 0;
    curl_easy_getinfo(m_easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (connectCode == 407)
        return FailureReason::ProxyCredentials(ProxyAddress());
    // curl's text may quote an address that it could not take, credentials and all.
    std::string text =
        EventLog::Masked(wxString::FromUTF8(m_error[0] ? m_error : curl_easy_strerror(result)))
            .utf8_string();
    // The same failure reads the same each time ("... after 3 ms: ..." would not): runs of
    // it fold into one line of the log.
    if (const auto after = text.find(" after "); after != std::string::npos) {
        const auto digits = text.find_first_not_of("0123456789", after + 7);
        if (digits != std::string::npos && digits > after + 7 &&
            text.compare(digits, 3, " ms") == 0)
            text.erase(after, digits + 3 - after);
    }
    // The system's own reason tells a site that is down ("Connection refused") from a machine
    // that is offline ("Network is unreachable").
    long osError = 0;
    const bool socketFailure = result == CURLE_COULDNT_CONNECT || result == CURLE_SEND_ERROR ||
                               (result == CURLE_RECV_ERROR && !m_headComplete);
    if (socketFailure && curl_easy_getinfo(m_easy, CURLINFO_OS_ERRNO, &osError) == CURLE_OK &&
        osError != 0) {
        // In English as the rest of the line, and only where libcurl does not quote it itself
        // ("Recv failure: Connection reset by peer").
        const char* reason = strerrordesc_np(static_cast<int>(osError));
        if (reason && text.find(reason) == std::string::npos)
            text += std::string(" (") + reason + ")";
    }
    if (socketFailure && (osError == ENETUNREACH || osError == EHOSTUNREACH))
        return FailureReason(FailureKind::UNREACHABLE, text);
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return FailureReason(FailureKind::NAME_NOT_FOUND, text);
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
        return FailureReason(FailureKind::CONNECTION, text);
    case CURLE_OPERATION_TIMEDOUT:
        return FailureReason(FailureKind::TIME_OUT, text);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return FailureReason(FailureKind::CERTIFICATE, text);
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        if (m_headComplete) {
            curl_off_t received = 0;
            curl_easy_getinfo(m_easy, CURLINFO_SIZE_DOWNLOAD_T, &received);
            return FailureReason::BodyCut(static_cast<unsigned long long>(received), m_announced);
        }
        return FailureReason(FailureKind::CONNECTION, text);
    case CURLE_BAD_CONTENT_ENCODING:
        return FailureReason(FailureKind::UNREADABLE, text);
    default:
        return FailureReason(FailureKind::OTHER, text);
    }
}

std::string CurlSession::ProxyAddress() const {
    const std::string address = m_request.proxy
                                    ? ProxyEnvironment::WithoutCredentials(*m_request.proxy)
                                    : ProxyEnvironment::Address(m_scheme);
    const auto scheme = address.find("://");
    return scheme == std::string::npos ? address : address.substr(scheme + 3);
}

void CurlSession::Detach() {
    if (!m_attached)
        return;
    curl_off_t body = 0;
    long headers = 0;
    curl_easy_getinfo(m_easy, CURLINFO_SIZE_DOWNLOAD_T, &body);
    curl_easy_getinfo(m_easy, CURLINFO_HEADER_SIZE, &headers);
    ConnectionStatus::TransferEnded(static_cast<unsigned long long>(body) +
                                    static_cast<unsigned long long>(headers));
    curl_multi_remove_handle(m_multi, m_easy);
    m_attached = false;
}

size_t CurlSession::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* session = static_cast<CurlSession*>(self);
    const size_t length = size * count;
    const std::string line(data, length);
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new reply: an interim one (100 Continue) gives way to the final one.
        const auto space = line.find(' ');
        session->m_status = space == std::string::npos ? 0 : std::atol(line.c_str() + space + 1);
        session->m_headers.clear();
        session->m_location.clear();
        return length;
    }
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty()) {
        if (session->m_status < 200 || session->m_headComplete)
            return length;
        // libcurl follows this one: the head to come is the final one. A refused redirect
        // ends the transfer (a short count is an error to libcurl).
        if (IsRedirect(session->m_status) && !session->m_location.empty())
            return session->MayFollow() ? length : 0;
        session->HeadComplete();
        return length;
    }
    const auto colon = trimmed.find(':');
    if (colon != std::string::npos) {
        std::string name = Trimmed(trimmed.substr(0, colon));
        std::string value = Trimmed(trimmed.substr(colon + 1));
        if (strcasecmp(name.c_str(), "Location") == 0)
            session->m_location = value;
        session->m_headers.emplace_back(std::move(name), std::move(value));
    }
    return length;
}

size_t CurlSession::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* session = static_cast<CurlSession*>(self);
    const size_t length = size * count;
    session->m_pending.append(data, length);
    // A body of no announced length earns its waiting as it flows.
    if (session->m_announced < 0)
        session->m_bodyBudget +=
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                static_cast<double>(length) / static_cast<double>(session->m_request.earnRate)));
    return length;
}

curl_socket_t CurlSession::OnOpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
    auto* session = static_cast<CurlSession*>(self);
    if (!session->m_reached)
        session->m_reached = Clock::now();
    // Not inherited by programs started meanwhile (the browser), which would keep it open.
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int CurlSession::OnConnected(void* self, char*, char*, int, int) {
    auto* session = static_cast<CurlSession*>(self);
    session->m_connected = true;
    if (!session->m_reached)
        session->m_reached = Clock::now();
    return CURL_PREREQFUNC_OK;
}
