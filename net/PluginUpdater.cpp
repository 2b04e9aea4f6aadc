#include "net/PluginUpdater.h"

#include "core/HttpGet.h"
#include "core/SiteEndpoints.h"
#include "core/Version.h"
#include "net/wxHTTP2.h"
#include "resources/Trace.h"
#include "resources/Util.h"

#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/wfstream.h>

#include <memory>
#include <vector>

namespace {
// A silent update service must not hold the host's GUI thread for long: each wait for an
// answer or the next bytes, and the head of the reply altogether.
const long SOCKET_TIMEOUT_SECONDS = 5;
const char* const FILE_CONTENT_TYPE = "application/octet-stream";
const char* const STAGED_SUFFIX = ".new";
} // namespace

wxFileName PluginUpdater::SkinFileName() {
    wxFileName name = Util::GetApplicationFileName();
    name.SetExt("skin");
    return name;
}

wxFileName PluginUpdater::CatalogueFileName() {
    wxFileName name = Util::GetApplicationFileName();
    name.AppendDir("ja");
    name.AppendDir("LC_MESSAGES");
    name.SetExt("mo");
    return name;
}

wxFileName PluginUpdater::ManifestFileName() {
    wxFileName name = Util::GetApplicationFileName();
    name.SetExt("manifest");
    return name;
}

void PluginUpdater::InstallStaged(const wxFileName& target) {
    wxLogTrace(ROD_TRACE, "[static]PluginUpdater::InstallStaged(%s)", target.GetFullPath());
    const wxString staged = target.GetFullPath() + STAGED_SUFFIX;
    if (!wxFileName::FileExists(staged))
        return;
    // Failures stay silent: the staged file is simply tried again at the next call.
    wxLogNull quiet;
    wxRenameFile(staged, target.GetFullPath());
}

bool PluginUpdater::DownloadFile(const wxString& url, const wxString& path) {
    wxLogTrace(ROD_TRACE, "[static]PluginUpdater::DownloadFile(%s, %s)", url, path);
    // A failure is never the user's business here, only the log's: the file is just not
    // produced.
    FailureReason why;
    if (Fetch(url, path, &why))
        return true;
    if (why.IsSet())
        wxLogWarning("update: %s", why.GetText());
    return false;
}

bool PluginUpdater::Fetch(const wxString& url, const wxString& path, FailureReason* why) {
    // Our client, never the toolkit's, whose time-out applies to each read alone: a trickling
    // service would hold the GUI thread without limit. See CurlSession for the deadlines. The
    // length check below needs the body as sent: no compression.
    wxHTTP2 client;
    client.SetTimeout(SOCKET_TIMEOUT_SECONDS);
    client.SetCompression(false);
    // Declared after the client so that it is released before the connection it reads from.
    std::unique_ptr<wxInputStream> in(HttpGet::Open(client, url, why));
    if (!in)
        return false;

    // Another type is the service's way of saying that it has nothing: no failure.
    if (client.GetHeader("Content-Type") != FILE_CONTENT_TYPE)
        return false;
    // No header counts as zero, so an unannounced body fails the length check below.
    const wxString lengthText = client.GetHeader("Content-Length");
    wxULongLong_t announced = 0;
    if (!lengthText.empty() && !lengthText.ToULongLong(&announced)) {
        *why = FailureReason(FailureReason::Kind::UNREADABLE,
                             "a Content-Length of \"" + lengthText + "\"");
        return false;
    }

    std::unique_ptr<wxFileOutputStream> out;
    {
        wxLogNull quiet;
        out = std::make_unique<wxFileOutputStream>(path);
    }
    if (!out->IsOk()) {
        *why = FailureReason(FailureReason::Kind::OTHER, "cannot write " + path);
        return false;
    }

    // Copied by hand so that a read error (a dropped or timed-out connection) is told apart
    // from the end of the body, and every byte written is counted.
    std::vector<char> buffer(64 * 1024);
    wxULongLong_t written = 0;
    for (;;) {
        in->Read(buffer.data(), buffer.size());
        const size_t got = in->LastRead();
        if (got > 0 && !out->WriteAll(buffer.data(), got)) {
            *why = FailureReason(FailureReason::Kind::OTHER, "cannot write " + path);
            break;
        }
        written += got;
        const wxStreamError state = in->GetLastError();
        if (state == wxSTREAM_EOF)
            break;
        if (state != wxSTREAM_NO_ERROR) {
            *why = client.GetFailure();
            break;
        }
    }
    in.reset();
    wxLogNull quiet;
    if (!out->Close() && !why->IsSet())
        *why = FailureReason(FailureReason::Kind::OTHER, "cannot write " + path);
    const wxULongLong onDisk = wxFileName::GetSize(path);
    if (!why->IsSet() && lengthText.empty() && written > 0)
        *why = FailureReason(FailureReason::Kind::UNREADABLE, "no Content-Length");
    else if (!why->IsSet() && (written != announced || onDisk != wxULongLong(announced)))
        *why = FailureReason::BodyCut(written, static_cast<long long>(announced));
    if (why->IsSet()) {
        wxRemoveFile(path);
        return false;
    }
    return true;
}

wxFileName* PluginUpdater::GetNewPluginFileName() {
    wxLogTrace(ROD_TRACE, "[static]PluginUpdater::GetNewPluginFileName(void)");
    // The host holds on to the pointer; the object lives until the module is unloaded.
    static wxFileName newPlugin;

    const wxString request =
        SiteEndpoints::WebUrl("/cgi-bin/app/update.cgi?version=" + Version::Plugin().GetString());
    const wxFileName skin = SkinFileName();
    const wxFileName catalogue = CatalogueFileName();
    const wxFileName manifest = ManifestFileName();
    InstallStaged(skin);
    InstallStaged(catalogue);
    InstallStaged(manifest);

    newPlugin.Assign(Util::GetPluginFileName().GetFullPath() + STAGED_SUFFIX);
    const wxString modulePath = newPlugin.GetFullPath();
    if (!DownloadFile(request, modulePath))
        return nullptr;
    // An empty module can never be loaded: put in place, it would leave the host without its
    // plug-in, and with it without the updater that could repair that.
    if (wxFileName::GetSize(modulePath) == 0) {
        wxRemoveFile(modulePath);
        return nullptr;
    }

    const int answer = wxMessageBox(_("The new plugin will be installed."), _("Confirm"),
                                    wxYES_NO | wxCENTRE | wxICON_INFORMATION);
    if (answer != wxYES) {
        wxRemoveFile(modulePath);
        return nullptr;
    }

    // A companion that fails simply stays as it is; the others are still fetched.
    DownloadFile(request + "&type=skin", skin.GetFullPath() + STAGED_SUFFIX);
    // The catalogue's folder does not exist before the first catalogue is installed.
    {
        wxLogNull quiet;
        wxFileName::Mkdir(catalogue.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    }
    DownloadFile(request + "&type=mo", catalogue.GetFullPath() + STAGED_SUFFIX);
    DownloadFile(request + "&type=manifest", manifest.GetFullPath() + STAGED_SUFFIX);
    return &newPlugin;
}

extern "C" __attribute__((visibility("default"))) wxFileName* GetNewPluginFileName() {
    wxLogTrace(ROD_TRACE, "[extern]GetNewPluginFileName(void)");
    return PluginUpdater::GetNewPluginFileName();
}
