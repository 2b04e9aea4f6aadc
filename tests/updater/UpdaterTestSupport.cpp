#include "tests/updater/UpdaterTestSupport.h"

#include "core/Version.h"

#include <wx/app.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <sys/stat.h>

ProgramPathOverride::ProgramPathOverride(const std::string& programPath) {
    for (const wxString& argument : wxTheApp->argv.GetArguments())
        m_saved.push_back(argument.ToStdWstring());
    const std::wstring path = wxString::FromUTF8(programPath).ToStdWstring();
    const wchar_t* arguments[] = {path.c_str()};
    wxTheApp->argv.Init(1, arguments);
    wxTheApp->argc = 1;
}

ProgramPathOverride::~ProgramPathOverride() {
    std::vector<const wchar_t*> arguments;
    for (const std::wstring& argument : m_saved)
        arguments.push_back(argument.c_str());
    wxTheApp->argv.Init(static_cast<int>(arguments.size()), arguments.data());
    wxTheApp->argc = static_cast<int>(arguments.size());
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string MakePayload(const std::string& label, size_t size, unsigned seed) {
    std::string content = label + "\r\n";
    content.push_back('\0');
    std::mt19937 random(seed);
    while (content.size() < size)
        content.push_back(static_cast<char>(random() & 0xFF));
    return content;
}

std::string PercentEncode(const std::string& text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(hex[c >> 4]);
            encoded.push_back(hex[c & 0x0F]);
        }
    }
    return encoded;
}

std::vector<std::string> UpdateRequests(const std::vector<std::string>& logLines) {
    std::vector<std::string> requests;
    for (const std::string& line : logLines) {
        std::istringstream fields(line);
        std::string method, target;
        std::getline(fields, method, '\t');
        std::getline(fields, target, '\t');
        if (target.rfind("/cgi-bin/app/update.cgi", 0) == 0)
            requests.push_back(target);
    }
    return requests;
}

std::string UpdateRequest(const std::string& suffix) {
    return "/cgi-bin/app/update.cgi?version=" +
           std::string(Version::Plugin().GetString().utf8_str().data()) + suffix;
}
