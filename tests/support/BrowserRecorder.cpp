#include "tests/support/BrowserRecorder.h"

#include "tests/support/TestEnvironment.h"

#include <wx/filename.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

BrowserRecorder::BrowserRecorder() {
    const std::string data = TestEnvironment::Home() + "/.local/share";
    const std::string apps = data + "/applications";
    wxFileName::Mkdir(apps, 0700, wxPATH_MKDIR_FULL);
    m_dir = TestEnvironment::MakeTempDir("browser");
    m_record = m_dir + "/launches.txt";

    // wx's reading of the desktop entry lower-cases its command, so the script's path has
    // no capitals (the private HOME has some).
    static int instances = 0;
    m_scriptDir =
        "/tmp/rod-browser-" + std::to_string(getpid()) + "-" + std::to_string(++instances);
    wxFileName::Mkdir(m_scriptDir, 0700, wxPATH_MKDIR_FULL);
    const std::string script = m_scriptDir + "/record-browser";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\necho \"$@\" >> '" << m_record << "'\n";
    }
    chmod(script.c_str(), 0755);
    {
        std::ofstream out(apps + "/rodrecorder.desktop");
        out << "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" << script
            << " %u\nMimeType=text/html;\n";
    }
    {
        std::ofstream out(apps + "/defaults.list");
        out << "[Default Applications]\ntext/html=rodrecorder.desktop\n";
    }
    {
        std::ofstream out(apps + "/mimeapps.list");
        out << "[Default Applications]\ntext/html=rodrecorder.desktop\n";
    }
    setenv("XDG_DATA_HOME", data.c_str(), 1);
}

BrowserRecorder::~BrowserRecorder() {
    const std::string apps = TestEnvironment::Home() + "/.local/share/applications";
    std::remove((apps + "/rodrecorder.desktop").c_str());
    std::remove((apps + "/defaults.list").c_str());
    std::remove((apps + "/mimeapps.list").c_str());
    wxFileName::Rmdir(m_scriptDir, wxPATH_RMDIR_RECURSIVE);
}

std::vector<std::string> BrowserRecorder::Launches() const {
    std::vector<std::string> lines;
    std::ifstream in(m_record);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool BrowserRecorder::WaitForLaunches(size_t count, int timeoutMs) const {
    return WaitFor([&] { return Launches().size() >= count; }, timeoutMs);
}

void BrowserRecorder::Clear() const {
    std::remove(m_record.c_str());
}
