#include "tests/support/BrowserRecorder.h"

#include "tests/support/TestEnvironment.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <wx/filename.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace {

const char RECORD_VARIABLE[] = "ROD_BROWSER_RECORD";
const char* const WEB_TYPES[] = {"x-scheme-handler/http", "text/html"};

std::string Applications() {
    return TestEnvironment::Home() + "/.local/share/applications";
}

std::string MimeAppsList() {
    return TestEnvironment::Home() + "/.config/mimeapps.list";
}

void WriteFile(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
}

// A program that appends its arguments, after the given mark, to the file the test names.
void WriteRecorderScript(const std::string& path, const std::string& mark) {
    WriteFile(path,
              std::string("#!/bin/sh\n[ -n \"${") + RECORD_VARIABLE + ":-}\" ] || exit 0\n" +
                  "env > \"$" + RECORD_VARIABLE + ".env\"\nprintf '" + mark +
                  "%s\\n' \"$*\" >> \"$" + RECORD_VARIABLE + "\"\n",
              0755);
}

void WriteEntry(const std::string& id, const std::string& program, bool terminal) {
    WriteFile(Applications() + "/" + id, "[Desktop Entry]\nType=Application\nName=" + id +
                                             "\nExec=\"" + program +
                                             "\" %u\nTerminal=" + (terminal ? "true" : "false") +
                                             "\nMimeType=text/html;x-scheme-handler/http;\n");
}

std::string Defaults(const std::string& id) {
    std::string text = "[Default Applications]\n";
    for (const char* type : WEB_TYPES)
        text += std::string(type) + "=" + id + "\n";
    return text;
}

// Every program the desktop offers for web pages right now, as a "Removed Associations" group.
std::string RemoveEveryWebProgram() {
    std::string text = "[Removed Associations]\n";
    for (const char* type : WEB_TYPES) {
        text += std::string(type) + "=";
        GList* programs = g_app_info_get_all_for_type(type);
        for (GList* each = programs; each; each = each->next)
            text += std::string(g_app_info_get_id(G_APP_INFO(each->data))) + ";";
        g_list_free_full(programs, g_object_unref);
        text += "\n";
    }
    return text;
}

// The program the desktop's database offers for the type now, by its desktop id; "" for none.
std::string DefaultFor(const char* type) {
    GAppInfo* program = g_app_info_get_default_for_type(type, FALSE);
    if (!program)
        return "";
    const std::string id = g_app_info_get_id(program);
    g_object_unref(program);
    return id;
}

// The database reads its folders once and then only watches them; a change counts once every
// folder's monitor has reported it, that is once the database offers the expected program.
bool ChangeAndWait(const std::function<void()>& change, const std::string& expected) {
    change();
    return WaitFor(
        [&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            for (const char* type : WEB_TYPES)
                if (DefaultFor(type) != expected)
                    return false;
            return true;
        },
        10000);
}

// The recorder lives under a folder with a space and capitals, the decoy beside it.
void InstallOnce() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    const std::string folder = TestEnvironment::Home() + "/Web Browsers/Recorder";
    wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL);
    wxFileName::Mkdir(Applications(), 0700, wxPATH_MKDIR_FULL);
    wxFileName::Mkdir(TestEnvironment::Home() + "/.config", 0700, wxPATH_MKDIR_FULL);
    EXPECT_TRUE(ChangeAndWait(
        [&] {
            WriteRecorderScript(folder + "/Record Browser", "");
            WriteRecorderScript(folder + "/decoy", "decoy: ");
            WriteEntry("rod-recorder.desktop", folder + "/Record Browser", false);
            WriteEntry("rod-terminal-browser.desktop", folder + "/Record Browser", true);
            WriteEntry("rod-decoy.desktop", folder + "/decoy", false);
            WriteFile(Applications() + "/defaults.list", Defaults("rod-decoy.desktop"));
            WriteFile(MimeAppsList(), Defaults("rod-recorder.desktop"));
        },
        "rod-recorder.desktop"))
        << "the application database did not see the recorder";
}

} // namespace

BrowserRecorder::BrowserRecorder() {
    InstallOnce();
    m_record = TestEnvironment::MakeTempDir("browser") + "/launches.txt";
    setenv(RECORD_VARIABLE, m_record.c_str(), 1);
}

BrowserRecorder::~BrowserRecorder() {
    unsetenv(RECORD_VARIABLE);
    if (m_choice != Choice::RECORDER) {
        EXPECT_TRUE(Choose(Choice::RECORDER));
    }
}

std::vector<std::string> BrowserRecorder::Launches() const {
    std::vector<std::string> lines;
    std::ifstream in(m_record);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> BrowserRecorder::LastEnvironment() const {
    std::vector<std::string> lines;
    std::ifstream in(m_record + ".env");
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

bool BrowserRecorder::Choose(Choice choice) {
    // The system's lists stand in for the decoy; without a program for the user there is none.
    std::string list, expected, defaults = Defaults("rod-decoy.desktop");
    switch (choice) {
    case Choice::RECORDER:
        list = Defaults("rod-recorder.desktop");
        expected = "rod-recorder.desktop";
        break;
    case Choice::NOTHING:
        list = RemoveEveryWebProgram();
        defaults = "[Default Applications]\n";
        break;
    case Choice::TERMINAL_PROGRAM:
        list = Defaults("rod-terminal-browser.desktop");
        expected = "rod-terminal-browser.desktop";
        break;
    }
    m_choice = choice;
    return ChangeAndWait(
        [&] {
            WriteFile(MimeAppsList(), list);
            WriteFile(Applications() + "/defaults.list", defaults);
        },
        expected);
}
