#pragma once

#include <cstdint>
#include <string>
#include <vector>

// sitesim's command line.
class SiteOptions {
public:
    std::string address = "127.0.0.1";
    int port = 0;
    std::string logFile;
    int performers = 80;
    double tickSeconds = 5;
    std::uint32_t seed = 0;
    bool seeded = false;
    std::string scriptFile;
    std::vector<std::string> accounts;
    std::string updatesDir;
    std::string latest;
    int keepAliveMs = 5000;
    bool help = false;

    // False with a message in error when the command line is wrong.
    bool Parse(int argc, char** argv, std::string* error);
    static const char* Usage();
};
