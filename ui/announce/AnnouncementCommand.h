#pragma once

#include <wx/string.h>

#include <set>

// Runs the user's command on an announcement. The command line is split into its program and
// arguments as a shell would split it (quotes, backslashes) but never handed to a shell; then
// "{name}", "{url}" and "{kind}" are replaced within each argument, so that whatever a
// performer's name holds arrives as text in one argument. The program is not waited for; one
// that cannot be started, or that ends with a failure, is logged with the reason. GUI thread.
class AnnouncementCommand {
public:
    AnnouncementCommand() = default;
    // Children still running are no longer watched: their end is not reported.
    ~AnnouncementCommand();
    AnnouncementCommand(const AnnouncementCommand&) = delete;
    AnnouncementCommand& operator=(const AnnouncementCommand&) = delete;

    // Nothing for an empty command line. False when the program could not be started.
    bool Run(const wxString& commandLine, const wxString& name, const wxString& url,
             const wxString& kind);

private:
    struct Child;
    static void OnChildEnded(int pid, int status, void* data);

    std::set<unsigned> m_watches;
};
