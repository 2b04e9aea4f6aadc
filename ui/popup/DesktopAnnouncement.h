#pragma once

#include "core/User.h"

#include <wx/event.h>
#include <wx/image.h>
#include <wx/timer.h>

#include <chrono>
#include <functional>

class DesktopNotifications;

// One announcement as a message of the desktop's notification service: sent at once with the
// performer's name and the kind of news ("NOW ONLINE" / "NOW FREE"), and replaced by one with
// the thumbnail when that has arrived. It holds its place among the announcements for the
// pop-up duration, or until the service closes the message, whichever comes first.
class DesktopAnnouncement : public wxEvtHandler {
public:
    // sent is called with the message once the service has given it its id; ended when the
    // place comes free (at most once), after which the owner deletes the announcement, though
    // not from within the call.
    DesktopAnnouncement(DesktopNotifications* service, const User& user, int kind,
                        const std::function<void(DesktopAnnouncement*)>& sent,
                        const std::function<void(DesktopAnnouncement*)>& ended);
    ~DesktopAnnouncement() override;

    const User& GetUser() const { return m_user; }
    // 0 until the service has answered.
    unsigned GetId() const { return m_id; }
    bool HasEnded() const { return m_ended; }
    // The message is gone (closed by the service, or the service is away).
    void End();

    // The kind of news as the pop-up's bar shows it.
    static wxString KindText(int kind);

private:
    void Send(unsigned replaces, const wxImage& image, int timeoutMs);
    void SendThumbnail(const wxImage& thumbnail);
    void OnSent(unsigned id);
    void OnDownloadFinished(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);

    DesktopNotifications* m_service;
    User m_user;
    int m_kind;
    std::function<void(DesktopAnnouncement*)> m_onSent;
    std::function<void(DesktopAnnouncement*)> m_onEnded;
    unsigned m_id = 0;
    bool m_ended = false;
    // A thumbnail that arrived before the id.
    wxImage m_thumbnail;
    // The message's time: it ends then, and a replacement keeps the time left.
    wxTimer m_timer;
    std::chrono::steady_clock::time_point m_deadline;
};
