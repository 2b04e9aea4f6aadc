// sitesim: the performer site as a local process, for the demo and the network tests.
#include "tools/sitesim/Accounts.h"
#include "tools/sitesim/Population.h"
#include "tools/sitesim/RequestLog.h"
#include "tools/sitesim/SiteOptions.h"
#include "tools/sitesim/SiteServer.h"
#include "tools/sitesim/Thumbnails.h"
#include "tools/sitesim/Ticker.h"
#include "tools/sitesim/UpdateService.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <random>
#include <thread>

int main(int argc, char** argv) {
    SiteOptions options;
    std::string error;
    if (!options.Parse(argc, argv, &error)) {
        std::fprintf(stderr, "sitesim: %s\n%s", error.c_str(), SiteOptions::Usage());
        return 2;
    }
    if (options.help) {
        std::fputs(SiteOptions::Usage(), stdout);
        return 0;
    }

    // Every thread started from here on leaves SIGTERM and SIGINT to the waiter below.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Accounts accounts;
    for (const auto& entry : options.accounts)
        if (!accounts.Add(entry)) {
            std::fprintf(stderr, "sitesim: bad account %s (NAME:PASSWORD:fav1,fav2,...)\n",
                         entry.c_str());
            return 2;
        }
    RequestLog log(options.logFile);
    if (!options.logFile.empty() && !log.IsOpen()) {
        std::fprintf(stderr, "sitesim: cannot write the log %s\n", options.logFile.c_str());
        return 1;
    }
    Population population(options.performers,
                          options.seeded ? options.seed : std::random_device{}());
    Thumbnails thumbnails;
    UpdateService updates(options.updatesDir, options.latest);
    SiteServer server({population, log, accounts, thumbnails, updates});
    server.SetScriptFile(options.scriptFile);
    server.SetKeepAlive(options.keepAliveMs);

    const int port = server.Bind(options.address, options.port);
    if (port <= 0) {
        std::fprintf(stderr, "sitesim: cannot listen on %s:%d\n", options.address.c_str(),
                     options.port);
        return 1;
    }
    std::printf("PORT %d\n", port);
    std::fflush(stdout);

    std::thread waiter([&server, endSignals] {
        int signal = 0;
        sigwait(&endSignals, &signal);
        server.Shutdown();
    });
    bool served;
    {
        Ticker ticker(options.tickSeconds, [&population] { population.Step(); });
        served = server.Serve();
    }
    // Serve() can also end on its own (a broken listening socket): release the waiter then.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return served ? 0 : 1;
}
