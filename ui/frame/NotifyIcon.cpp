#include "ui/frame/NotifyIcon.h"

#include "resources/Trace.h"
#include "ui/frame/StatusNotifierItem.h"
#include "ui/popup/PopupCommandIds.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>

wxDEFINE_EVENT(wxEVT_TRAY_CHANGED, wxCommandEvent);

// clang-format off
wxBEGIN_EVENT_TABLE(NotifyIcon, wxTaskBarIcon)
    EVT_MENU(wxID_ANY, NotifyIcon::OnMenu)
    EVT_TASKBAR_LEFT_DOWN(NotifyIcon::OnLButtonDown)
    EVT_TIMER(wxID_ANY, NotifyIcon::OnTrayReturnTimer)
wxEND_EVENT_TABLE();
// clang-format on

NotifyIcon::NotifyIcon(wxWindow* owner, const wxIcon& icon, const wxString& tooltip)
    : m_owner(owner), m_icon(icon), m_tooltip(tooltip), m_trayReturn(this) {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::NotifyIcon(%p)", this, owner);
    SetIcon(wxBitmapBundle(icon), tooltip);
    StatusNotifierItem::Handlers handlers;
    handlers.activate = [this] { OnLButtonDClick(); };
    handlers.trayChanged = [this](bool inTray) { OnStatusNotifierTray(inTray); };
    handlers.menu = [this] { return CreatePopupMenu(); };
    handlers.menuTarget = this;
    m_item = std::make_unique<StatusNotifierItem>(tooltip, icon, tooltip, handlers);
}

NotifyIcon::~NotifyIcon() {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::~NotifyIcon()", this);
    m_item.reset();
    RemoveIcon();
}

wxMenu* NotifyIcon::CreatePopupMenu() {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::CreatePopupMenu()", this);
    auto* menu = new wxMenu(wxEmptyString, 0);
    const size_t favorites = std::min(m_favoritesOnline.size(), MENU_FAVORITES);
    for (size_t i = 0; i < favorites; ++i) {
        // A name is no mnemonic.
        wxString label = m_favoritesOnline[i];
        label.Replace("&", "&&");
        menu->Append(ID_FAVORITE_FIRST + static_cast<int>(i), label);
    }
    if (favorites)
        menu->AppendSeparator();
    menu->AppendCheckItem(ID_PAUSE_POPUPS, _("P&ause pop-ups"));
    menu->Check(ID_PAUSE_POPUPS, m_popupsPaused);
    menu->Append(wxID_EXIT, _("E&xit"), _("Exit the application."));
    return menu;
}

void NotifyIcon::SetPopupsPaused(bool paused) {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::SetPopupsPaused(%d)", this, paused);
    m_popupsPaused = paused;
    ShowTooltip();
}

void NotifyIcon::SetFavoritesOnline(const wxArrayString& names) {
    if (m_favoritesKnown && names == m_favoritesOnline)
        return;
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::SetFavoritesOnline(%zu)", this, names.size());
    m_favoritesKnown = true;
    m_favoritesOnline = names;
    ShowTooltip();
}

void NotifyIcon::SetSiteSet(bool set) {
    if (set == m_siteSet)
        return;
    m_siteSet = set;
    ShowTooltip();
}

void NotifyIcon::ShowTooltip() {
    if (!m_item->IsInTray())
        SetIcon(wxBitmapBundle(m_icon), GetTooltip());
    m_item->SetToolTip(GetTooltip());
    m_item->MenuChanged();
}

bool NotifyIcon::IsInTray() const {
    return m_item->IsInTray() || (IsIconInstalled() && wxTaskBarIcon::IsAvailable());
}

// One icon at a time: a desktop that also bridges the old kind of tray icon would show both.
void NotifyIcon::OnStatusNotifierTray(bool inTray) {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::OnStatusNotifierTray(%d)", this, inTray);
    if (inTray)
        RemoveIcon();
    else
        SetIcon(wxBitmapBundle(m_icon), GetTooltip());
    if (!inTray)
        m_trayReturn.StartOnce(TRAY_RETURN_MILLISECONDS);
    if (wxWindow* owner = LiveOwner()) {
        wxCommandEvent changed(wxEVT_TRAY_CHANGED);
        changed.SetInt(inTray);
        owner->GetEventHandler()->AddPendingEvent(changed);
    }
}

// A hidden owner is reachable only through the tray: without one it is shown again.
void NotifyIcon::OnTrayReturnTimer(wxTimerEvent&) {
    wxWindow* owner = LiveOwner();
    if (!owner || owner->IsShown() || IsInTray())
        return;
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon: no tray any more; the owner comes back", this);
    wxCommandEvent show(wxEVT_MENU, wxID_OPEN);
    owner->GetEventHandler()->AddPendingEvent(show);
}

wxWindow* NotifyIcon::LiveOwner() const {
    wxWindow* owner = m_owner.get();
    if (!owner || owner->IsBeingDeleted() ||
        (wxTheApp && wxTheApp->IsScheduledForDestruction(owner)))
        return nullptr;
    return owner;
}

wxString NotifyIcon::GetTooltip() const {
    wxString name = m_siteSet ? m_tooltip : m_tooltip + ": " + _("No site set");
    if (m_favoritesKnown) {
        const int online = static_cast<int>(m_favoritesOnline.size());
        name += ": " + wxString::Format(
                           wxPLURAL("%d favourite online", "%d favourites online", online), online);
    }
    return m_popupsPaused ? wxString::Format(_("%s: pop-ups are paused"), name) : name;
}

int NotifyIcon::DoubleClickMilliseconds() {
    const int ms = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
    return ms > 0 ? ms : 500;
}

// Forwarded on a later turn of the loop. An owner already gone, or on its way out (Destroy()
// deletes it only at idle), gets nothing.
void NotifyIcon::OnMenu(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::OnMenu(%d)", this, event.GetId());
    const int favorite = event.GetId() - ID_FAVORITE_FIRST;
    if (favorite >= 0 && static_cast<size_t>(favorite) < MENU_FAVORITES) {
        // Gone from the list since the menu was made: nothing to open.
        if (static_cast<size_t>(favorite) >= m_favoritesOnline.size())
            return;
        event.SetString(m_favoritesOnline[static_cast<size_t>(favorite)]);
    }
    if (wxWindow* owner = LiveOwner())
        owner->GetEventHandler()->AddPendingEvent(event);
}

void NotifyIcon::OnLButtonDown(wxTaskBarIconEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::OnLButtonDown()", this);
    const auto now = std::chrono::steady_clock::now();
    const auto window = std::chrono::milliseconds(DoubleClickMilliseconds());
    if (m_pressPending && now - m_lastPress <= window) {
        m_pressPending = false;
        OnLButtonDClick();
        return;
    }
    m_pressPending = true;
    m_lastPress = now;
}

// Hides a shown owner and shows a hidden one, through the owner's own menu commands.
void NotifyIcon::OnLButtonDClick() {
    wxLogTrace(ROD_TRACE, "[%p]NotifyIcon::OnLButtonDClick()", this);
    wxWindow* owner = m_owner.get();
    if (!owner)
        return;
    wxCommandEvent command(wxEVT_MENU, owner->IsShown() ? wxID_CLOSE : wxID_OPEN);
    AddPendingEvent(command);
}
