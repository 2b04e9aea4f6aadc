#include "tools/sitesim/SiteServer.h"

#include "tools/sitesim/Accounts.h"
#include "tools/sitesim/ConnectionStream.h"
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
#include <memory>
#include <random>
#include <sstream>
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

// Filler that is harmless in any of the site's text formats.
const std::string& Padding() {
    static const std::string line = "// ............................................ padding\n";
    static const std::string block = [] {
        std::string b;
        while (b.size() < 64 * 1024)
            b += line;
        return b;
    }();
    return block;
}

} // namespace

SiteServer::SiteServer(const Parts& parts) : m_parts(parts) {
    // Delayed answers hold a worker each; keep plenty so that other requests still get through.
    new_task_queue = [] { return new httplib::ThreadPool(32); };
    set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response);
        return HandlerResponse::Handled;
    });
}

void SiteServer::SetScriptFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scriptFile = path;
}

int SiteServer::Bind(int port) {
    const int bound =
        port == 0 ? bind_to_any_port("127.0.0.1") : (bind_to_port("127.0.0.1", port) ? port : -1);
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
    stop();
}

bool SiteServer::Pause(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

bool SiteServer::process_and_close_socket(int socket) {
    // One request per connection, as the site's clients speak HTTP/1.0.
    ConnectionStream stream(socket, 5000);
    t_connection = &stream;
    bool closed = false;
    const bool ok = process_request(stream, true, closed, nullptr);
    t_connection = nullptr;
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return ok;
}

void SiteServer::Handle(const httplib::Request& request, httplib::Response& response) {
    m_parts.log.Write(request.method, request.target, request.get_header_value("Host"));
    const std::size_t mark = request.target.find('?');
    const std::string path = request.target.substr(0, mark);
    const std::string query = mark == std::string::npos ? "" : request.target.substr(mark + 1);

    if (StartsWith(path, kControlPrefix)) {
        // Only the machine itself may script the site.
        const Reply reply =
            request.remote_addr.rfind("127.", 0) == 0 ? Control(path, query) : Reply::Text(403, "");
        Deliver(reply, std::nullopt, response);
        return;
    }

    const std::optional<FaultTable::Fault> fault = m_faults.Take(request.target);
    if (fault && fault->mode == FaultTable::Mode::Refuse) {
        t_connection->Abort();
        return;
    }
    if (fault && fault->mode == FaultTable::Mode::Delay && !Pause(fault->delayMs)) {
        t_connection->Abort();
        return;
    }
    if (request.method != "GET") {
        Deliver(Reply::Text(405, "GET only\n"), fault, response);
        return;
    }
    Deliver(Answer(request, path, query), fault, response);
}

Reply SiteServer::Answer(const httplib::Request& request, const std::string& path,
                         const std::string& query) {
    if (path == kScriptPath)
        return Script();
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

Reply SiteServer::Script() {
    std::string file;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        file = m_scriptFile;
    }
    if (file.empty())
        return Reply{200, "application/javascript", m_parts.population.Script()};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return NotFound();
    std::ostringstream content;
    content << in.rdbuf();
    return Reply{200, "application/javascript", content.str()};
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
    if (command == "script") {
        const std::string file = q.Get("file");
        if (!file.empty() && (file[0] != '/' || !std::ifstream(file)))
            return Reply::Text(404, "no readable file " + file + "\n");
        SetScriptFile(file);
        return Reply::Text(200, "ok\n");
    }
    return Reply::Text(404, "unknown control " + command + "\n");
}

void SiteServer::Deliver(Reply reply, const std::optional<FaultTable::Fault>& fault,
                         httplib::Response& response) {
    using Mode = FaultTable::Mode;
    response.status = reply.status;
    if (!fault) {
        response.set_content(reply.body, reply.contentType);
        return;
    }
    switch (fault->mode) {
    case Mode::Error500:
        response.status = 500;
        response.set_content("<html><body><h1>Internal Server Error</h1></body></html>\n",
                             "text/html");
        return;
    case Mode::Redirect302:
        // What a captive portal answers: a page, but not the one asked for.
        response.status = 302;
        response.set_header("Location", "http://portal.example/login");
        response.set_content("<html><body><a href=\"http://portal.example/login\">Sign in</a>"
                             "</body></html>\n",
                             "text/html");
        return;
    case Mode::Cut: {
        if (reply.body.size() < 2) {
            t_connection->Abort(); // Nothing to cut in half: drop the answer instead.
            return;
        }
        auto body = std::make_shared<std::string>(std::move(reply.body));
        const std::size_t half = body->size() / 2;
        response.set_content_provider(
            body->size(), reply.contentType,
            [body, half](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                // Returning false after the first half closes the connection mid-body.
                return offset < half && sink.write(body->data() + offset, half - offset);
            });
        return;
    }
    case Mode::Garbage: {
        std::string noise(std::max<std::size_t>(reply.body.size(), 512), '\0');
        std::mt19937 random(std::random_device{}());
        for (auto& c : noise)
            c = static_cast<char>(random() & 0xFF);
        response.status = 200;
        response.set_content(noise, reply.contentType);
        return;
    }
    case Mode::BigImage:
        response.status = 200;
        response.set_content(m_parts.thumbnails.Huge(), "image/jpeg");
        return;
    case Mode::BigBody: {
        response.status = 200;
        response.set_content_provider(
            fault->bytes, reply.contentType,
            [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                const std::string& block = Padding();
                const std::size_t from = offset % block.size();
                return sink.write(block.data() + from, std::min(length, block.size() - from));
            });
        return;
    }
    case Mode::CtParam:
        response.set_content(reply.body, reply.contentType + "; charset=binary");
        return;
    case Mode::NoLength: {
        auto body = std::make_shared<std::string>(std::move(reply.body));
        response.set_content_provider(
            reply.contentType, [body](std::size_t, httplib::DataSink& sink) {
                const bool ok = body->empty() || sink.write(body->data(), body->size());
                sink.done();
                return ok;
            });
        return;
    }
    case Mode::Drip: {
        auto body = std::make_shared<std::string>(std::move(reply.body));
        const int pace = fault->delayMs;
        response.set_content_provider(
            body->size(), reply.contentType,
            [this, body, pace](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return sink.write(body->data() + offset, 1) && Pause(pace);
            });
        return;
    }
    case Mode::Stall: {
        auto body = std::make_shared<std::string>(std::move(reply.body));
        const int silence = fault->delayMs;
        response.set_content_provider(
            reply.contentType, [this, body, silence](std::size_t, httplib::DataSink& sink) {
                if (!sink.write(body->data(), body->size() / 2) || !Pause(silence))
                    return false;
                sink.done();
                return true;
            });
        return;
    }
    case Mode::Refuse: // Handled before the answer was made.
    case Mode::Delay:  // The wait is over: the answer goes out as it is.
        break;
    }
    response.set_content(reply.body, reply.contentType);
}
