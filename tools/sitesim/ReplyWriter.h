#pragma once

#include "tools/sitesim/FaultTable.h"
#include "tools/sitesim/Reply.h"

#include <httplib.h>

#include <functional>

class ConnectionStream;
class Thumbnails;

// Puts a service's reply on the wire: as it is, gzip-compressed where the client takes it, or
// shaped by a scripted fault. Every body goes out through a provider with its length, since the
// HTTP library would otherwise compress text on its own, in codings of its choosing.
class ReplyWriter {
public:
    // pause(ms) sleeps unless the site shuts down first, and is false then.
    ReplyWriter(Thumbnails& thumbnails, std::function<bool(int)> pause);

    // gzip: the request takes gzip. Text is compressed then; other types never are.
    void Write(const Reply& reply, bool gzip, httplib::Response& response) const;
    // Any mode but Refuse and Delay, which come before and around the reply. A fault sends the
    // body plain (gzipcut excepted, which always compresses), and keeps the reply's own headers
    // only where the reply's own body goes out.
    void WriteFault(Reply reply, const FaultTable::Fault& fault, ConnectionStream& connection,
                    httplib::Response& response) const;

private:
    static void SetBody(httplib::Response& response, std::string body, const std::string& type);
    static void AddHeaders(const Reply& reply, httplib::Response& response);
    // The whole length announced, half of the body sent, then the connection dropped.
    static void Cut(std::string body, const std::string& type, ConnectionStream& connection,
                    httplib::Response& response);

    Thumbnails& m_thumbnails;
    std::function<bool(int)> m_pause;
};
