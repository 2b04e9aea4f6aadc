#include "tools/sitesim/SiteOptions.h"

#include <cstdlib>

namespace {

bool ToLong(const std::string& text, long low, long high, long* value) {
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

} // namespace

const char* SiteOptions::Usage() {
    return "usage: sitesim [--address A] [--port P] [--log FILE] [--performers N] [--tick S] "
           "[--seed N]\n"
           "               [--script FILE] [--account NAME:PASSWORD:fav1,fav2,...]...\n"
           "               [--updates DIR --latest VERSION] [--keep-alive MS]\n"
           "A stand-in for the performer site on 127.0.0.1. Prints \"PORT <n>\" once it listens.\n"
           "Text replies are gzip-compressed for requests whose Accept-Encoding takes gzip; the\n"
           "performer script carries an ETag and a Last-Modified and is answered 304 Not\n"
           "Modified to a request that holds it (If-None-Match, else If-Modified-Since).\n"
           "  --address A      the IPv4 address to listen on (default 127.0.0.1)\n"
           "  --port P         port to listen on; 0 (default) takes a free one\n"
           "  --log FILE       one line per request: METHOD<TAB>PATH?QUERY<TAB>HOST, and where\n"
           "                   there are any <TAB>NOTES: gzip,if-none-match,if-modified-since,304\n"
           "  --performers N   size of the simulated population (default 80)\n"
           "  --tick S         seconds between population steps (default 5, 0 = none)\n"
           "  --seed N         makes the population and its steps repeatable\n"
           "  --script FILE    serve this file as the performer script\n"
           "  --account N:P:F  an account for the login check (repeatable)\n"
           "  --updates DIR    offer roduviriz.{so,skin,mo,manifest} from DIR\n"
           "  --latest V       the version the offered files carry\n"
           "  --keep-alive MS  close a kept connection MS after its last reply when no other\n"
           "                   request came (default 5000; 0: one request per connection)\n"
           "Control (GET, loopback only): /_control/fault?path=PREFIX&mode=refuse|delay|500|302|\n"
           "  cut|gzipcut|garbage|bigimage|bigbody|ctparam|nolength|drip|stall|html|empty|429\n"
           "  [&count=K][&for=MS][&ms=N][&bytes=N] (drip: a byte every N ms; stall: half the\n"
           "  body, no length, N ms of silence; gzipcut: the body gzip-compressed, cut in the\n"
           "  middle; html: 200 with a maintenance page; empty: 200 with no body; 429: with\n"
           "  Retry-After of N ms in whole seconds; faults send bodies\n"
           "  plain and ignore If-None-Match and If-Modified-Since, delay excepted),\n"
           "  /_control/clear, /_control/tick,\n"
           "  /_control/set?name=X&state=offline|online|free|busy|public|private,\n"
           "  /_control/population, /_control/script?file=/abs/path, /_control/keepalive?ms=N\n";
}

bool SiteOptions::Parse(int argc, char** argv, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            help = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = "missing value for " + option;
            return false;
        }
        const std::string value = argv[++i];
        long number = 0;
        if (option == "--address") {
            address = value;
        } else if (option == "--port") {
            if (!ToLong(value, 0, 65535, &number)) {
                *error = "bad port " + value;
                return false;
            }
            port = static_cast<int>(number);
        } else if (option == "--log") {
            logFile = value;
        } else if (option == "--performers") {
            if (!ToLong(value, 0, 100000, &number)) {
                *error = "bad performer count " + value;
                return false;
            }
            performers = static_cast<int>(number);
        } else if (option == "--tick") {
            char* end = nullptr;
            tickSeconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || tickSeconds < 0) {
                *error = "bad tick " + value;
                return false;
            }
        } else if (option == "--seed") {
            if (!ToLong(value, 0, 0xFFFFFFFFL, &number)) {
                *error = "bad seed " + value;
                return false;
            }
            seed = static_cast<std::uint32_t>(number);
            seeded = true;
        } else if (option == "--script") {
            scriptFile = value;
        } else if (option == "--account") {
            accounts.push_back(value);
        } else if (option == "--updates") {
            updatesDir = value;
        } else if (option == "--latest") {
            latest = value;
        } else if (option == "--keep-alive") {
            if (!ToLong(value, 0, 3600000, &number)) {
                *error = "bad keep-alive time " + value;
                return false;
            }
            keepAliveMs = static_cast<int>(number);
        } else {
            *error = "unknown option " + option;
            return false;
        }
    }
    if (!updatesDir.empty() && latest.empty()) {
        *error = "--updates needs --latest";
        return false;
    }
    return true;
}
