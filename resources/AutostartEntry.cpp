#include "resources/AutostartEntry.h"

#include "resources/Util.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/textfile.h>
#include <wx/utils.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// One argument of the entry's "Exec" key: quoted where the entry format asks for it, then
// escaped as the key's string value.
wxString ExecArgument(const wxString& argument) {
    wxString value = argument;
    if (argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != wxString::npos) {
        value = "\"";
        for (const wxUniChar c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                value += '\\';
            value += c;
        }
        value += "\"";
    }
    value.Replace("%", "%%");
    value.Replace("\\", "\\\\");
    value.Replace("\n", "\\n");
    return value;
}

wxString Contents() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Roduviriz\n"
           "Comment=See who is online at Kestova\n"
           "Exec=" +
           ExecArgument(AutostartEntry::GetCommand()) +
           "\n"
           "Icon=roduviriz\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

wxString Reason(int error) {
    return wxString::FromUTF8(strerror(error));
}

// Through a file beside it and a rename, so a failure never leaves half an entry.
bool WriteEntry(const wxString& path, wxString* why) {
    const wxString folder = wxFileName(path).GetPath();
    if (!wxFileName::DirExists(folder) && !wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL)) {
        *why = wxString::Format(_("The folder %s cannot be created."), folder);
        return false;
    }
    const wxString temporary = path + ".new";
    const std::string text = Contents().utf8_string();
    const int fd = ::open(temporary.fn_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written =
        fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    int error = errno;
    if (fd >= 0 && ::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.fn_str(), path.fn_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.fn_str());
        *why = wxString::Format(_("%s cannot be written: %s"), path, Reason(error));
    }
    return written;
}

} // namespace

wxString AutostartEntry::GetPath() {
    wxString config;
    // The variable counts only when it names an absolute folder.
    if (!wxGetEnv("XDG_CONFIG_HOME", &config) || !wxIsAbsolutePath(config))
        config = wxGetHomeDir() + "/.config";
    return config + "/autostart/roduviriz.desktop";
}

bool AutostartEntry::IsEnabled() {
    const wxString path = GetPath();
    if (!wxFileName::FileExists(path))
        return false;
    wxLogNull quiet;
    wxTextFile file;
    if (!file.Open(path, wxConvUTF8))
        return true; // there, though unreadable to us: the session still starts it
    bool inEntry = false;
    for (size_t i = 0; i < file.GetLineCount(); ++i) {
        wxString line = file[i];
        line.Trim(true).Trim(false);
        if (line.StartsWith("[")) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const wxString key = line.BeforeFirst('=').Trim(true);
        const wxString value = line.AfterFirst('=').Trim(false);
        if (inEntry && ((key == "Hidden" && value == "true") ||
                        (key == "X-GNOME-Autostart-enabled" && value == "false")))
            return false;
    }
    return true;
}

bool AutostartEntry::SetEnabled(bool enabled, wxString* why) {
    const wxString path = GetPath();
    if (enabled)
        return WriteEntry(path, why);
    if (::unlink(path.fn_str()) == 0 || errno == ENOENT)
        return true;
    *why = wxString::Format(_("%s cannot be removed: %s"), path, Reason(errno));
    return false;
}

wxString AutostartEntry::GetCommand() {
    wxFileName program = Util::GetApplicationFileName();
    program.MakeAbsolute();
    program.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    // Installed, the program lives in PREFIX/lib[/ARCH]/roduviriz/, a folder of its own name.
    wxFileName prefix(program.GetPath(), wxEmptyString);
    if (prefix.GetDirCount() == 0 || prefix.GetDirs().Last() != program.GetName())
        return program.GetFullPath();
    for (int up = 0; up < 3 && prefix.GetDirCount() > 1; ++up) {
        prefix.RemoveLastDir();
        const wxFileName launcher(prefix.GetPath() + "/bin", program.GetFullName());
        if (launcher.IsFileExecutable())
            return launcher.GetFullPath();
    }
    return program.GetFullPath();
}
