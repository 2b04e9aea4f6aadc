#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

// Every file name of the updater derives from the program's argv[0]: while one of these
// lives, the application claims to be the given program path (tests keep BUILD/bin untouched).
class ProgramPathOverride {
public:
    explicit ProgramPathOverride(const std::string& programPath);
    ~ProgramPathOverride();
    ProgramPathOverride(const ProgramPathOverride&) = delete;
    ProgramPathOverride& operator=(const ProgramPathOverride&) = delete;

private:
    std::vector<std::wstring> m_saved;
};

void WriteFile(const std::string& path, const std::string& content);
// The file's bytes; "<missing>" when it cannot be read (so a comparison shows why it failed).
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// Binary content of the given size that differs for each seed (with NUL and CR LF bytes).
std::string MakePayload(const std::string& label, size_t size, unsigned seed);

std::string PercentEncode(const std::string& text);

// The path and query of every update-service request in a sitesim request log, in order.
std::vector<std::string> UpdateRequests(const std::vector<std::string>& logLines);
// "/cgi-bin/app/update.cgi?version=<the plug-in's version>" followed by suffix.
std::string UpdateRequest(const std::string& suffix = "");
