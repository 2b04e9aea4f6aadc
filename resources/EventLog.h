#pragma once

#include <wx/ffile.h>
#include <wx/log.h>

#include <map>
#include <mutex>

// The program's log, as the toolkit's active log target: one line per event with its time
// and place, to the standard error and to "roduviriz.log" under $XDG_STATE_HOME/roduviriz/
// (default ~/.local/state/roduviriz/). The place is what a message names before its first
// ": " ("performer list: HTTP 403 from www.example.com"). A run of the same message at one
// place is one line, and when the run ends, "repeated N times", so that a site away for a night
// does not fill the disk; the file stays under MAX_FILE_BYTES, whose older part is kept as one
// old file (".1"). Passwords, credentials in addresses and credentials headers are masked.
// Errors also go on to the target that was active before (the host's), as they always did.
class EventLog : public wxLog {
public:
    static constexpr wxFileOffset MAX_FILE_BYTES = 1024 * 1024;

    // Makes a log the active target; Uninstall() ends the runs still open and puts the previous
    // target back. A log deleted otherwise deletes the previous target with it. GUI thread.
    static void Install();
    static void Uninstall();

    // The folder and the file.
    static wxString Folder();
    static wxString FilePath();

    // text with every password value and credentials header value masked.
    static wxString Masked(const wxString& text);

    ~EventLog() override;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message,
                     const wxLogRecordInfo& info) override;

private:
    struct Run {
        wxString text;
        unsigned long repeats = 0;
    };

    EventLog() = default;
    // Under m_guard.
    void Write(const wxString& place, const wxString& text);
    void EndRun(const wxString& place, Run& run);
    bool OpenFile();

    std::mutex m_guard;
    wxLog* m_previous = nullptr;
    std::map<wxString, Run> m_runs;
    wxFFile m_file;
    wxFileOffset m_size = 0;
    bool m_fileFailed = false;
};
