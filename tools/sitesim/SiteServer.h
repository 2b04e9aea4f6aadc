#pragma once

#include "tools/sitesim/FaultTable.h"
#include "tools/sitesim/Reply.h"

#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <optional>
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

    // Serve this file as the performer script; empty serves the population.
    void SetScriptFile(const std::string& path);
    // The port listened on (a free one for 0), or -1.
    int Bind(int port);
    // Serves until Shutdown(); false when it could not.
    bool Serve();
    // Ends Serve() and every delayed answer; safe from any thread.
    void Shutdown();

private:
    bool process_and_close_socket(int socket) override;

    void Handle(const httplib::Request& request, httplib::Response& response);
    Reply Answer(const httplib::Request& request, const std::string& path,
                 const std::string& query);
    Reply Control(const std::string& path, const std::string& query);
    Reply Script();
    Reply Thumbnail(const std::string& path);
    Reply Preview(const std::string& query);
    static Reply Echo(const httplib::Request& request);
    void Deliver(Reply reply, const std::optional<FaultTable::Fault>& fault,
                 httplib::Response& response);
    // Sleeps ms unless the site shuts down first; false then.
    bool Pause(int ms);

    Parts m_parts;
    FaultTable m_faults;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::string m_scriptFile;
};
