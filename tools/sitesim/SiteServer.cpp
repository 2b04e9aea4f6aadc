#include "tools/sitesim/SiteServer.h"

#include "tools/sitesim/Accounts.h"
#include "tools/sitesim/ConnectionStream.h"
#include "tools/sitesim/Gzip.h"
#include "tools/sitesim/Population.h"
#include "tools/sitesim/Query.h"
#include "tools/sitesim/RequestLog.h"
#include "tools/sitesim/Thumbnails.h"
#include "tools/sitesim/UpdateService.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The connection whose request this thread is answering; a refused request aborts it.
thread_local ConnectionStream* t_connection = nullptr;

const char kScriptPath[] = "/include/js/online_performers.js";
const char kThumbPrefix[] = "/WebArchive/";
const char kThumbSuffix[] = "/thumbs/LinkedImage.jpg";
const char kControlPrefix[] = "/_control/";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsName(const std::string& text) {
    if (text.empty())
        return false;
    for (unsigned char c : text)
        if (!std::isalnum(c) && c != '_')
            return false;
    return true;
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

Reply NotFound() {
    return Reply{404, "text/html", "<html><body><h1>Not Found</h1></body></html>\n"};
}

} // namespace

SiteServer::SiteServer(const Parts& parts)
    : m_parts(parts), m_writer(parts.thumbnails, [this](int ms) { return Pause(ms); }),
      m_stopFd(eventfd(0, EFD_CLOEXEC)) {
    // Delayed answers and kept connections hold a worker each; keep plenty so that other
    // requests still get through.
    new_task_queue = [] { return new httplib::ThreadPool(64); };
    set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response);
        return HandlerResponse::Handled;
    });
    set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
        // The library announces its own keep-alive limits, which are not the site's; and it
        // gives a 304 a length of 0, which would be the list's.
        response.headers.erase("Keep-Alive");
        if (response.status == 304)
            response.headers.erase("Content-Length");
        if (response.get_header_value_count("Connection") > 1) {
            response.headers.erase("Connection");
            response.set_header("Connection", "close");
        }
    });
}

SiteServer::~SiteServer() {
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

void SiteServer::SetScriptFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scriptFile = path;
}

int SiteServer::Bind(const std::string& address, int port) {
    const int bound =
        port == 0 ? bind_to_any_port(address) : (bind_to_port(address, port) ? port : -1);
    // The library listens with a tiny backlog; tests open connections in bursts.
    if (bound > 0)
        ::listen(svr_sock_, SOMAXCONN);
    return bound;
}

bool SiteServer::Serve() {
    return listen_after_bind();
}

void SiteServer::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    const std::uint64_t one = 1;
    if (::write(m_stopFd, &one, sizeof one) < 0)
        std::perror("sitesim: waking kept connections");
    stop();
}

bool SiteServer::Pause(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

bool SiteServer::process_and_close_socket(int socket) {
    ConnectionStream stream(socket, 5000);
    t_connection = &stream;
    bool ok = true;
    for (bool first = true;; first = false) {
        const int idleMs = m_keepAliveMs;
        if (!first && (idleMs <= 0 || !stream.WaitForRequest(idleMs, m_stopFd)))
            break;
        bool closed = false;
        bool http10 = false;
        ok = process_request(stream, idleMs <= 0, closed, [&http10](httplib::Request& request) {
            http10 = request.version == "HTTP/1.0";
        });
        // An HTTP/1.0 client keeps a connection only on a promise the site does not give.
        if (!ok || closed || http10 || stream.Aborted() || stream.EndsAfterReply())
            break;
    }
    t_connection = nullptr;
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return ok;
}

void SiteServer::Log(const httplib::Request& request, bool gzip, int status) {
    std::string notes;
    const auto note = [&notes](bool present, const char* word) {
        if (present)
            notes += (notes.empty() ? "" : ",") + std::string(word);
    };
    note(gzip, "gzip");
    note(request.has_header("If-None-Match"), "if-none-match");
    note(request.has_header("If-Modified-Since"), "if-modified-since");
    note(status == 304, "304");
    m_parts.log.Write(request.method, request.target, request.get_header_value("Host"), notes);
}

void SiteServer::Handle(const httplib::Request& request, httplib::Response& response) {
    const bool gzip = Gzip::Accepted(request.get_header_value("Accept-Encoding"));
    const std::size_t mark = request.target.find('?');
    const std::string path = request.target.substr(0, mark);
    const std::string query = mark == std::string::npos ? "" : request.target.substr(mark + 1);

    if (StartsWith(path, kControlPrefix)) {
        // Only the machine itself may script the site.
        const Reply reply =
            request.remote_addr.rfind("127.", 0) == 0 ? Control(path, query) : Reply::Text(403, "");
        Log(request, gzip, reply.status);
        m_writer.Write(reply, gzip, response);
        return;
    }

    const std::optional<FaultTable::Fault> fault = m_faults.Take(request.target);
    const bool delayed = fault && fault->mode == FaultTable::Mode::Delay;
    if (fault && fault->mode == FaultTable::Mode::Refuse) {
        Log(request, gzip, 0);
        t_connection->Abort();
        return;
    }
    // The answer is made at once; a delay holds it back as it is.
    const Reply reply = request.method != "GET" ? Reply::Text(405, "GET only\n")
                                                : Answer(request, path, query, !fault || delayed);
    if (!fault || delayed)
        m_writer.Write(reply, gzip, response);
    else
        m_writer.WriteFault(reply, *fault, *t_connection, response);
    Log(request, gzip, response.status);
    if (delayed && !Pause(fault->delayMs))
        t_connection->Abort();
}

Reply SiteServer::Answer(const httplib::Request& request, const std::string& path,
                         const std::string& query, bool conditional) {
    if (path == kScriptPath)
        return Script(request, conditional);
    if (path == "/zirovudaroro") {
        const Query q(query);
        const auto favourites = m_parts.accounts.Check(q.Get("username"), q.Get("password"));
        return favourites ? Reply::Text(200, Accounts::ReplyBody(*favourites))
                          : Reply::Text(403, "");
    }
    if (StartsWith(path, kThumbPrefix) && EndsWith(path, kThumbSuffix))
        return Thumbnail(path);
    if (path == "/preview.shtml")
        return Preview(query);
    if (path == "/cgi-bin/app/update.cgi") {
        const Query q(query);
        return m_parts.updates.Answer(q.Get("version"), q.Get("type"));
    }
    if (path == "/_echo")
        return Echo(request);
    return NotFound();
}

Reply SiteServer::Script(const httplib::Request& request, bool conditional) {
    std::string file;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        file = m_scriptFile;
    }
    Reply reply{200, "application/javascript", ""};
    if (file.empty()) {
        reply.body = m_parts.population.Script();
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return NotFound();
        std::ostringstream content;
        content << in.rdbuf();
        reply.body = content.str();
    }
    const ListValidator::Stamp stamp = m_validator.Observe(reply.body);
    reply.headers = {{"ETag", stamp.etag},
                     {"Last-Modified", ListValidator::HttpDate(stamp.modified)}};
    if (conditional && ListValidator::NotModified(stamp, request.get_header_value("If-None-Match"),
                                                  request.get_header_value("If-Modified-Since"))) {
        reply.status = 304;
        reply.body.clear();
    }
    return reply;
}

Reply SiteServer::Thumbnail(const std::string& path) {
    const std::size_t start = sizeof kThumbPrefix - 1;
    const std::string name =
        Query::Decode(path.substr(start, path.size() - start - (sizeof kThumbSuffix - 1)));
    if (!IsName(name) || (!m_parts.population.Knows(name) && !m_parts.accounts.IsFavourite(name)))
        return NotFound();
    return Reply{200, "image/jpeg", m_parts.thumbnails.For(name)};
}

Reply SiteServer::Preview(const std::string& query) {
    const std::string name = Query::Decode(query);
    const auto state = m_parts.population.StateOf(name);
    if (!state && !m_parts.accounts.IsFavourite(name))
        return NotFound();
    static const char* const shows[] = {"offline",   "online",           "online and free to chat",
                                        "in a show", "in a public show", "in a private show"};
    const std::string show = state ? shows[static_cast<int>(*state)] : "offline";
    const std::string safe = HtmlEscape(name);
    return Reply{200, "text/html",
                 "<html><head><title>" + safe + "</title></head>\n<body>\n<h1>" + safe +
                     "</h1>\n<img src=\"/WebArchive/" + safe +
                     "/thumbs/LinkedImage.jpg\" width=\"320\" height=\"240\">\n<p>" + safe +
                     " is " + show + ".</p>\n</body></html>\n"};
}

Reply SiteServer::Echo(const httplib::Request& request) {
    std::string body;
    for (const auto& header : request.headers) {
        // The library files the peer's address among the headers; the client sent none of these.
        if (header.first == "REMOTE_ADDR" || header.first == "REMOTE_PORT" ||
            header.first == "LOCAL_ADDR" || header.first == "LOCAL_PORT")
            continue;
        body += header.first + ": " + header.second + "\n";
    }
    return Reply::Text(200, body);
}

Reply SiteServer::Control(const std::string& path, const std::string& query) {
    const Query q(query);
    const std::string command = path.substr(sizeof kControlPrefix - 1);
    if (command == "fault") {
        const auto mode = FaultTable::ParseMode(q.Get("mode"));
        if (!mode || q.Get("path").empty())
            return Reply::Text(
                400, "usage: fault?path=PREFIX&mode=MODE[&count=K][&for=MS][&ms=N][&bytes=N]\n");
        FaultTable::Fault fault;
        fault.mode = *mode;
        fault.remaining = std::atoi(q.Get("count", "-1").c_str());
        if (fault.remaining == 0)
            fault.remaining = -1;
        if (const int span = std::atoi(q.Get("for", "0").c_str()); span > 0)
            fault.until = std::chrono::steady_clock::now() + std::chrono::milliseconds(span);
        fault.delayMs = std::atoi(q.Get("ms", "5000").c_str());
        fault.bytes =
            std::strtoull(q.Get("bytes", std::to_string(fault.bytes)).c_str(), nullptr, 10);
        m_faults.Add(q.Get("path"), fault);
        return Reply::Text(200, "ok\n");
    }
    if (command == "clear") {
        m_faults.Clear();
        return Reply::Text(200, "ok\n");
    }
    if (command == "tick") {
        m_parts.population.Step();
        return Reply::Text(200, "ok\n");
    }
    if (command == "set") {
        const std::string name = q.Get("name");
        const auto state = Population::ParseState(q.Get("state"));
        if (!IsName(name) || !state)
            return Reply::Text(
                400, "usage: set?name=NAME&state=offline|online|free|busy|public|private\n");
        m_parts.population.Set(name, *state);
        return Reply::Text(200, "ok\n");
    }
    if (command == "population")
        return Reply::Text(200, m_parts.population.Listing());
    if (command == "keepalive") {
        const std::string ms = q.Get("ms");
        char* end = nullptr;
        const long value = std::strtol(ms.c_str(), &end, 10);
        if (ms.empty() || *end != '\0' || value < 0 || value > 3600000)
            return Reply::Text(400, "usage: keepalive?ms=N (0 to 3600000)\n");
        SetKeepAlive(static_cast<int>(value));
        return Reply::Text(200, "ok\n");
    }
    if (command == "script") {
        const std::string file = q.Get("file");
        if (!file.empty() && (file[0] != '/' || !std::ifstream(file)))
            return Reply::Text(404, "no readable file " + file + "\n");
        SetScriptFile(file);
        return Reply::Text(200, "ok\n");
    }
    return Reply::Text(404, "unknown control " + command + "\n");
}
