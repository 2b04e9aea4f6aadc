#include "ui/announce/AnnouncementCommand.h"

#include "resources/Trace.h"

#include <wx/log.h>

#include <glib.h>

#include <string>
#include <vector>

struct AnnouncementCommand::Child {
    AnnouncementCommand* owner;
    wxString program;
    unsigned watch = 0;
};

namespace {

std::string Substituted(std::string argument, const std::string& name, const std::string& url,
                        const std::string& kind) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"{name}", &name}, {"{url}", &url}, {"{kind}", &kind}};
    // One pass from left to right: a name that holds "{url}" stays as it is.
    std::string result;
    size_t at = 0;
    while (at < argument.size()) {
        bool replaced = false;
        for (const auto& [field, value] : fields) {
            const size_t length = std::char_traits<char>::length(field);
            if (argument.compare(at, length, field) == 0) {
                result += *value;
                at += length;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            result += argument[at++];
    }
    return result;
}

} // namespace

AnnouncementCommand::~AnnouncementCommand() {
    // The watch's data goes with its source.
    for (unsigned watch : m_watches)
        g_source_remove(watch);
}

bool AnnouncementCommand::Run(const wxString& commandLine, const wxString& name,
                              const wxString& url, const wxString& kind) {
    if (wxString(commandLine).Trim(true).Trim(false).empty())
        return true;
    gchar** parsed = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(commandLine.utf8_str(), nullptr, &parsed, &error)) {
        wxLogWarning("command: %s cannot be read: %s", commandLine,
                     wxString::FromUTF8(error->message));
        g_error_free(error);
        return false;
    }
    std::vector<std::string> arguments;
    for (gchar** part = parsed; *part; ++part)
        arguments.push_back(
            Substituted(*part, name.utf8_string(), url.utf8_string(), kind.utf8_string()));
    g_strfreev(parsed);
    std::vector<gchar*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const wxString program = wxString::FromUTF8(arguments.front());
    GPid pid = 0;
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                G_SPAWN_STDIN_FROM_DEV_NULL);
    if (!g_spawn_async(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid, &error)) {
        wxLogWarning("command: %s could not be started: %s", program,
                     wxString::FromUTF8(error->message));
        g_error_free(error);
        return false;
    }
    wxLogTrace(ROD_TRACE, "[%p]AnnouncementCommand::Run(%s): pid %d", this, program, int(pid));
    auto* child = new Child{this, program};
    child->watch = g_child_watch_add_full(
        G_PRIORITY_DEFAULT, pid,
        [](GPid ended, gint status, gpointer data) { OnChildEnded(ended, status, data); }, child,
        [](gpointer data) { delete static_cast<Child*>(data); });
    m_watches.insert(child->watch);
    return true;
}

// On the GUI thread: the toolkit's main loop dispatches the watch.
void AnnouncementCommand::OnChildEnded(int pid, int status, void* data) {
    auto* child = static_cast<Child*>(data);
    child->owner->m_watches.erase(child->watch);
    GError* error = nullptr;
    if (!g_spawn_check_wait_status(status, &error)) {
        wxLogWarning("command: %s failed: %s", child->program, wxString::FromUTF8(error->message));
        g_error_free(error);
    }
    g_spawn_close_pid(pid);
}
