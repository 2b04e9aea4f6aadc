#pragma once

#include "tools/sitesim/FaultTable.h"
#include "tools/sitesim/ListValidator.h"
#include "tools/sitesim/Reply.h"
#include "tools/sitesim/ReplyWriter.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

class Accounts;
class ConnectionStream;
class Population;
class RequestLog;
class Thumbnails;
class UpdateService;

// The simulated site on 127.0.0.1: the site's services, the request log, and the control path
// that scripts faults and moves the population at run time.
class SiteServer : public httplib::Server {
public:
    struct Parts {
        Population& population;
        RequestLog& log;
        Accounts& accounts;
        Thumbnails& thumbnails;
        UpdateService& updates;
    };

    explicit SiteServer(const Parts& parts);
    ~SiteServer() override;

    // Serve this file as the performer script; empty serves the population.
    void SetScriptFile(const std::string& path);
    // How long a kept connection may wait for its next request; 0 keeps none.
    void SetKeepAlive(int ms) { m_keepAliveMs = ms; }
    // The port listened on (a free one for 0), or -1.
    int Bind(const std::string& address, int port);
    // Serves until Shutdown(); false when it could not.
    bool Serve();
    // Ends Serve(), every delayed answer and every kept connection; safe from any thread.
    void Shutdown();

private:
    bool process_and_close_socket(int socket) override;

    void Handle(const httplib::Request& request, httplib::Response& response);
    // conditional: a request that holds the current list is answered 304.
    Reply Answer(const httplib::Request& request, const std::string& path, const std::string& query,
                 bool conditional);
    Reply Control(const std::string& path, const std::string& query);
    Reply Script(const httplib::Request& request, bool conditional);
    Reply Thumbnail(const std::string& path);
    Reply Preview(const std::string& query);
    static Reply Echo(const httplib::Request& request);
    void Log(const httplib::Request& request, bool gzip, int status);
    // Sleeps ms unless the site shuts down first; false then.
    bool Pause(int ms);

    Parts m_parts;
    FaultTable m_faults;
    ReplyWriter m_writer;
    ListValidator m_validator;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::string m_scriptFile;
    std::atomic<int> m_keepAliveMs{5000};
    // Readable once the site shuts down, which wakes kept connections that wait.
    int m_stopFd = -1;
};
