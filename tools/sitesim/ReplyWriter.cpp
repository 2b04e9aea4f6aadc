#include "tools/sitesim/ReplyWriter.h"

#include "tools/sitesim/ConnectionStream.h"
#include "tools/sitesim/Gzip.h"
#include "tools/sitesim/Thumbnails.h"

#include <algorithm>
#include <memory>
#include <random>

namespace {

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

ReplyWriter::ReplyWriter(Thumbnails& thumbnails, std::function<bool(int)> pause)
    : m_thumbnails(thumbnails), m_pause(std::move(pause)) {}

void ReplyWriter::SetBody(httplib::Response& response, std::string body, const std::string& type) {
    if (body.empty()) {
        // An empty body is no provider's job: the library announces a length of 0 itself.
        response.set_content("", type);
        return;
    }
    auto shared = std::make_shared<const std::string>(std::move(body));
    response.set_content_provider(
        shared->size(), type,
        [shared](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(shared->data() + offset, std::min(length, shared->size() - offset));
        });
}

void ReplyWriter::AddHeaders(const Reply& reply, httplib::Response& response) {
    for (const auto& header : reply.headers)
        response.set_header(header.first, header.second);
}

void ReplyWriter::Write(const Reply& reply, bool gzip, httplib::Response& response) const {
    response.status = reply.status;
    AddHeaders(reply, response);
    const bool text = Gzip::Compressible(reply.contentType);
    if (text)
        response.set_header("Vary", "Accept-Encoding");
    if (reply.status == 304)
        return;
    if (text && gzip && !reply.body.empty()) {
        response.set_header("Content-Encoding", "gzip");
        SetBody(response, Gzip::Compress(reply.body), reply.contentType);
        return;
    }
    SetBody(response, reply.body, reply.contentType);
}

void ReplyWriter::Cut(std::string body, const std::string& type, ConnectionStream& connection,
                      httplib::Response& response) {
    if (body.size() < 2) {
        connection.Abort(); // Nothing to cut in half: drop the answer instead.
        return;
    }
    auto shared = std::make_shared<const std::string>(std::move(body));
    const std::size_t half = shared->size() / 2;
    response.set_content_provider(
        shared->size(), type,
        [shared, half](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            // Returning false after the first half closes the connection mid-body.
            return offset < half && sink.write(shared->data() + offset, half - offset);
        });
}

void ReplyWriter::WriteFault(Reply reply, const FaultTable::Fault& fault,
                             ConnectionStream& connection, httplib::Response& response) const {
    using Mode = FaultTable::Mode;
    response.status = reply.status;
    switch (fault.mode) {
    case Mode::Error500:
        response.status = 500;
        SetBody(response, "<html><body><h1>Internal Server Error</h1></body></html>\n",
                "text/html");
        return;
    case Mode::Redirect302:
        // What a captive portal answers: a page, but not the one asked for.
        response.status = 302;
        response.set_header("Location", "http://portal.example/login");
        SetBody(response,
                "<html><body><a href=\"http://portal.example/login\">Sign in</a></body></html>\n",
                "text/html");
        return;
    case Mode::Cut:
        AddHeaders(reply, response);
        Cut(std::move(reply.body), reply.contentType, connection, response);
        return;
    case Mode::GzipCut:
        AddHeaders(reply, response);
        response.set_header("Content-Encoding", "gzip");
        Cut(Gzip::Compress(reply.body), reply.contentType, connection, response);
        return;
    case Mode::Garbage: {
        std::string noise(std::max<std::size_t>(reply.body.size(), 512), '\0');
        std::mt19937 random(std::random_device{}());
        for (auto& c : noise)
            c = static_cast<char>(random() & 0xFF);
        response.status = 200;
        SetBody(response, std::move(noise), reply.contentType);
        return;
    }
    case Mode::BigImage:
        response.status = 200;
        SetBody(response, m_thumbnails.Huge(), "image/jpeg");
        return;
    case Mode::BigBody:
        response.status = 200;
        response.set_content_provider(
            fault.bytes, reply.contentType,
            [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                const std::string& block = Padding();
                const std::size_t from = offset % block.size();
                return sink.write(block.data() + from, std::min(length, block.size() - from));
            });
        return;
    case Mode::Html:
        response.status = 200;
        SetBody(response, "<html><body><h1>Down for maintenance</h1></body></html>\n", "text/html");
        return;
    case Mode::Empty:
        response.status = 200;
        SetBody(response, "", reply.contentType);
        return;
    case Mode::TooManyRequests:
        response.status = 429;
        response.set_header("Retry-After", std::to_string((fault.delayMs + 999) / 1000));
        SetBody(response, "<html><body><h1>Too Many Requests</h1></body></html>\n", "text/html");
        return;
    case Mode::CtParam:
        AddHeaders(reply, response);
        SetBody(response, std::move(reply.body), reply.contentType + "; charset=binary");
        return;
    case Mode::NoLength: {
        AddHeaders(reply, response);
        // Only the connection's end tells where the body ends.
        response.set_header("Connection", "close");
        connection.EndAfterReply();
        auto body = std::make_shared<const std::string>(std::move(reply.body));
        response.set_content_provider(
            reply.contentType, [body](std::size_t, httplib::DataSink& sink) {
                const bool ok = body->empty() || sink.write(body->data(), body->size());
                sink.done();
                return ok;
            });
        return;
    }
    case Mode::Drip: {
        AddHeaders(reply, response);
        auto body = std::make_shared<const std::string>(std::move(reply.body));
        const int pace = fault.delayMs;
        const auto pause = m_pause;
        response.set_content_provider(
            body->size(), reply.contentType,
            [body, pace, pause](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return sink.write(body->data() + offset, 1) && pause(pace);
            });
        return;
    }
    case Mode::Stall: {
        AddHeaders(reply, response);
        response.set_header("Connection", "close");
        connection.EndAfterReply();
        auto body = std::make_shared<const std::string>(std::move(reply.body));
        const int silence = fault.delayMs;
        const auto pause = m_pause;
        response.set_content_provider(
            reply.contentType, [body, silence, pause](std::size_t, httplib::DataSink& sink) {
                if (!sink.write(body->data(), body->size() / 2) || !pause(silence))
                    return false;
                sink.done();
                return true;
            });
        return;
    }
    case Mode::Refuse: // Handled before the answer was made.
    case Mode::Delay:  // Handled around the plain answer.
        break;
    }
    SetBody(response, std::move(reply.body), reply.contentType);
}
