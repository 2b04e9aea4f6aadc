#include "ui/popup/DesktopAnnouncement.h"

#include "net/DownloadThread.h"
#include "resources/Trace.h"
#include "ui/popup/DesktopNotifications.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupSettings.h"
#include "ui/popup/ThumbnailDecoder.h"
#include "ui/popup/ThumbnailQueue.h"

#include <wx/log.h>
#include <wx/weakref.h>

#include <memory>

DesktopAnnouncement::DesktopAnnouncement(DesktopNotifications* service, const User& user, int kind,
                                         const std::function<void(DesktopAnnouncement*)>& sent,
                                         const std::function<void(DesktopAnnouncement*)>& ended)
    : m_service(service), m_user(user), m_kind(kind), m_onSent(sent), m_onEnded(ended),
      m_timer(this) {
    wxLogTrace(ROD_TRACE, "[%p]DesktopAnnouncement::DesktopAnnouncement(%s, %d)", this,
               user.GetName(), kind);
    Bind(wxEVT_DOWNLOAD_FINISHED, &DesktopAnnouncement::OnDownloadFinished, this);
    Bind(wxEVT_TIMER, &DesktopAnnouncement::OnTimer, this);
    const int timeoutMs = static_cast<int>(PopupSettings::Duration() * 1000);
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    m_timer.StartOnce(timeoutMs);
    Send(0, wxImage(), timeoutMs);
    ThumbnailQueue::Request(this, user.GetName());
}

DesktopAnnouncement::~DesktopAnnouncement() {
    wxLogTrace(ROD_TRACE, "[%p]DesktopAnnouncement::~DesktopAnnouncement()", this);
    ThumbnailQueue::Withdraw(this);
}

wxString DesktopAnnouncement::KindText(int kind) {
    return kind == PopupDialog::KIND_FREE ? _("NOW FREE") : _("NOW ONLINE");
}

void DesktopAnnouncement::Send(unsigned replaces, const wxImage& image, int timeoutMs) {
    DesktopNotifications::Message message;
    message.summary = m_user.GetName();
    message.body = KindText(m_kind);
    message.image = image;
    message.timeoutMs = timeoutMs;
    // The reply may come after this announcement has gone.
    wxWeakRef<DesktopAnnouncement> self(this);
    m_service->Notify(replaces, message, [self](unsigned id) {
        if (self)
            self->OnSent(id);
    });
}

void DesktopAnnouncement::OnSent(unsigned id) {
    wxLogTrace(ROD_TRACE, "[%p]DesktopAnnouncement::OnSent(%u)", this, id);
    // A replacement the service refused leaves the message that is up.
    if (!id || m_id) {
        if (!m_id)
            End();
        return;
    }
    m_id = id;
    if (m_onSent)
        m_onSent(this);
    if (m_thumbnail.IsOk()) {
        SendThumbnail(m_thumbnail);
        m_thumbnail = wxImage();
    }
}

// With the time the message has left: a replacement does not make it stay longer.
void DesktopAnnouncement::SendThumbnail(const wxImage& thumbnail) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_deadline - std::chrono::steady_clock::now());
    if (!m_ended && left.count() > 0)
        Send(m_id, thumbnail, static_cast<int>(left.count()));
}

// A picture that is no image, or none at all, leaves the message as it is.
void DesktopAnnouncement::OnDownloadFinished(wxCommandEvent& event) {
    std::unique_ptr<unsigned char[]> data(static_cast<unsigned char*>(event.GetClientData()));
    event.SetClientData(nullptr);
    if (!data)
        wxLogWarning("thumbnail of %s: %s", m_user.GetName(), event.GetString());
    if (!data || m_ended || event.GetInt() <= 0)
        return;
    const wxBitmap bitmap =
        ThumbnailDecoder::Decode(data.get(), static_cast<size_t>(event.GetInt()),
                                 PopupDialog::THUMBNAIL_SIZE, PopupDialog::MAX_PICTURE_SIDE);
    if (!bitmap.IsOk())
        return;
    if (m_id)
        SendThumbnail(bitmap.ConvertToImage());
    else
        m_thumbnail = bitmap.ConvertToImage();
}

void DesktopAnnouncement::OnTimer(wxTimerEvent&) {
    End();
}

void DesktopAnnouncement::End() {
    if (m_ended)
        return;
    m_ended = true;
    m_timer.Stop();
    if (m_onEnded)
        m_onEnded(this);
}
