#include "ui/popup/PopupDialogManager.h"

#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/announce/AnnouncementSettings.h"
#include "ui/popup/NotificationPresenter.h"
#include "ui/popup/PopupCommandIds.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupPlaces.h"
#include "ui/popup/PopupSettings.h"
#include "ui/popup/PopupWindowPresenter.h"
#include "ui/popup/RecentWindow.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/tokenzr.h>
#include <wx/toplevel.h>

#include <algorithm>

namespace {

// How soon a full screen that begins or ends is noticed.
constexpr int HOLD_CHECK_MS = 500;

// A window that was closed lives on until idle time.
bool IsGoing(wxWindow* window) {
    return !window || window->IsBeingDeleted() ||
           (wxTheApp && wxTheApp->IsScheduledForDestruction(window));
}

} // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(PopupDialogManager, wxEvtHandler)
    EVT_USER_ADDED(PopupDialogManager::OnUserAdded)
    EVT_USER_CHANGED(PopupDialogManager::OnUserChanged)
    EVT_USER_DELETED(PopupDialogManager::OnUserDeleted)
wxEND_EVENT_TABLE();
// clang-format on

PopupDialogManager::PopupDialogManager() {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::PopupDialogManager()", this);
    Bind(wxEVT_POPUP_STATE_CHANGED, &PopupDialogManager::OnPopupStateChanged, this);
    const auto onSummaryClick = [this](SummaryTally::Reason reason) { OnSummaryClick(reason); };
    m_windows = std::make_unique<PopupWindowPresenter>(&m_recent, this, onSummaryClick);
    m_notifications = std::make_unique<NotificationPresenter>(&m_recent, this, onSummaryClick);
    m_holdTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &PopupDialogManager::OnHoldTimer, this, m_holdTimer.GetId());
    m_holdTimer.Start(HOLD_CHECK_MS);
}

PopupDialogManager::~PopupDialogManager() {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::~PopupDialogManager()", this);
    if (RecentWindow* window = m_recentWindow.get()) {
        window->Detach();
        window->Destroy();
    }
}

// An addition is a change from status 0; a return within the grace is a change from the
// status the performer had when it went missing.
void PopupDialogManager::OnUserAdded(UserEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::OnUserAdded(%s)", this,
               event.GetUser().GetName());
    UserEvent changed(event);
    changed.SetEventType(wxEVT_USER_CHANGED);
    changed.SetOldStatus(0);
    unsigned long before = 0;
    const unsigned long missed =
        event.GetListNumber()
            ? m_grace.CameBack(event.GetUser().GetName(), event.GetListNumber(), &before)
            : 0;
    if (missed && missed <= static_cast<unsigned long>(PopupSettings::GraceRefreshes()))
        changed.SetOldStatus(before);
    ProcessEvent(changed);
}

void PopupDialogManager::OnUserDeleted(UserEvent& event) {
    if (event.GetListNumber())
        m_grace.Left(event.GetUser().GetName(), event.GetUser().GetStatus(), event.GetListNumber());
}

void PopupDialogManager::OnUserChanged(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::OnUserChanged(%s, %lx -> %lx)", this,
               user.GetName(), event.GetOldStatus(), user.GetStatus());
    const int kind = KindOfNews(event.GetOldStatus(), user.GetStatus());
    if (!kind)
        return;
    if (m_gate.Ask(user.GetName()) == AnnouncementGate::MUTED) {
        m_recent.Add(user.GetName(), kind, RecentAnnouncements::MUTED);
        return;
    }
    if (OnlyFavoritesWanted() && !IsFavorite(user.GetName())) {
        m_recent.Add(user.GetName(), kind, RecentAnnouncements::FILTERED);
        return;
    }
    Announce(user, kind);
}

void PopupDialogManager::OnHoldTimer(wxTimerEvent&) {
    CheckHold();
}

// Only the own pop-ups are held; asking the display costs two round trips, so only while the
// setting is on.
void PopupDialogManager::CheckHold() {
    const bool held = AnnouncementSettings::Read().holdFullScreen &&
                      &Presenter() == m_windows.get() && m_fullScreen.IsActiveWindowFullScreen();
    if (held == m_gate.IsHeld())
        return;
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::CheckHold(): held %d", this, held);
    const bool wasQuiet = IsQuiet();
    m_gate.SetHeld(held);
    QuietChanged(wasQuiet, RecentAnnouncements::HELD);
}

void PopupDialogManager::Announce(const User& user, int kind) {
    if (IsQuiet()) {
        m_recent.Add(user.GetName(), kind,
                     m_gate.IsPaused() ? RecentAnnouncements::PAUSED : RecentAnnouncements::HELD);
        Presenter().Fold(SummaryTally::REASON_PAUSE, user, kind);
        return;
    }
    const unsigned long id = m_recent.Add(user.GetName(), kind, RecentAnnouncements::WAITING);
    m_waiting.push_back({user, kind, id});
    Accompany(user, kind, AnnouncementSettings::Read());
    Place();
}

void PopupDialogManager::Accompany(const User& user, int kind,
                                   const AnnouncementSettings& settings) {
    m_sound.PlayForAnnouncement(settings.sound, settings.soundFile);
    m_command.Run(settings.command, user.GetName(),
                  SiteEndpoints::PreviewUrl("/preview.shtml?" + user.GetName()),
                  kind == PopupDialog::KIND_FREE ? "free" : "online");
}

void PopupDialogManager::OnPopupStateChanged(wxCommandEvent&) {
    Place();
}

PopupSummary* PopupDialogManager::GetSummary() const {
    return m_windows->GetSummary();
}

AnnouncementPresenter& PopupDialogManager::Presenter() {
    if (PopupSettings::GetStyle() == PopupSettings::STYLE_DESKTOP && m_notifications->IsAvailable())
        return *m_notifications;
    return *m_windows;
}

// The oldest announcements take the free places; the rest wait, unless more wait than fit on
// the screen or a summary is already there to take them.
void PopupDialogManager::Place() {
    if (IsQuiet())
        return;
    AnnouncementPresenter& presenter = Presenter();
    // The work area is asked once: that is a round trip to the display, and a flood comes here
    // once per performer.
    const int places = PopupPlaces::GetCount();
    int free = std::max(0, places - presenter.TakenPlaces());
    const bool hasSummary = presenter.HasOverflowSummary();
    const bool newSummary = !hasSummary && static_cast<int>(m_waiting.size()) - free > places;
    // A new summary is about to take the top place.
    if (newSummary)
        free = std::max(0, free - 1);
    if (hasSummary || newSummary) {
        const size_t keep = std::min(m_waiting.size(), static_cast<size_t>(free));
        for (size_t i = keep; i < m_waiting.size(); ++i) {
            presenter.Fold(SummaryTally::REASON_OVERFLOW, m_waiting[i].user, m_waiting[i].kind);
            m_recent.SetOutcome(m_waiting[i].recentId, RecentAnnouncements::FOLDED);
        }
        m_waiting.erase(m_waiting.begin() + static_cast<long>(keep), m_waiting.end());
    }
    if (newSummary)
        presenter.ShowSummary(SummaryTally::REASON_OVERFLOW);
    for (; free > 0 && !m_waiting.empty(); --free) {
        presenter.Present(m_waiting.front());
        m_waiting.pop_front();
    }
}

// Announcements still to come are withdrawn and counted for the summary at the end of the
// pause; those up stay until their time is up.
void PopupDialogManager::SetPaused(bool paused) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::SetPaused(%d)", this, paused);
    if (paused == m_gate.IsPaused())
        return;
    const bool wasQuiet = IsQuiet();
    m_gate.SetPaused(paused);
    QuietChanged(wasQuiet, RecentAnnouncements::PAUSED);
}

void PopupDialogManager::QuietChanged(bool wasQuiet, RecentAnnouncements::Outcome outcome) {
    if (wasQuiet == IsQuiet())
        return;
    if (!IsQuiet()) {
        m_windows->ShowSummary(SummaryTally::REASON_PAUSE);
        m_notifications->ShowSummary(SummaryTally::REASON_PAUSE);
        Place();
        return;
    }
    AnnouncementPresenter& presenter = Presenter();
    // Oldest first: pop-ups made came before those still waiting. (A desktop notification is
    // up as soon as it is presented.)
    std::vector<Announcement> withdrawn = m_windows->Withdraw();
    withdrawn.insert(withdrawn.end(), m_waiting.begin(), m_waiting.end());
    m_waiting.clear();
    for (const Announcement& announcement : withdrawn) {
        m_recent.SetOutcome(announcement.recentId, outcome);
        presenter.Fold(SummaryTally::REASON_PAUSE, announcement.user, announcement.kind);
    }
}

void PopupDialogManager::PlaySound(const AnnouncementSettings& settings) {
    m_sound.Play(settings.sound, settings.soundFile);
}

// Not in the places' account: it is shown at once, in addition to what is up.
void PopupDialogManager::AnnounceTest(PopupSettings::Style style,
                                      const AnnouncementSettings& settings) {
    const User sample(SAMPLE_NAME, User::ONLINE | User::FREE | User::PUBLIC);
    m_recent.Add(sample.GetName(), PopupDialog::KIND_ONLINE, RecentAnnouncements::TEST);
    AnnouncementPresenter& presenter =
        style == PopupSettings::STYLE_DESKTOP && m_notifications->IsAvailable()
            ? static_cast<AnnouncementPresenter&>(*m_notifications)
            : *m_windows;
    // No entry of Recent has the id 0: the presenter's outcome leaves "test" as it is.
    presenter.Present({sample, PopupDialog::KIND_ONLINE, 0});
    Accompany(sample, PopupDialog::KIND_ONLINE, settings);
}

void PopupDialogManager::OnSummaryClick(SummaryTally::Reason reason) {
    if (reason == SummaryTally::REASON_PAUSE)
        ShowRecent();
    else
        ShowMainWindow();
}

void PopupDialogManager::ShowRecent() {
    RecentWindow* window = m_recentWindow.get();
    if (IsGoing(window)) {
        window = new RecentWindow(&m_recent);
        m_recentWindow = window;
    }
    window->Show();
    window->Raise();
}

// Un-minimised and in front, also from the tray.
void PopupDialogManager::ShowMainWindow() {
    auto* top = dynamic_cast<wxTopLevelWindow*>(wxTheApp ? wxTheApp->GetTopWindow() : nullptr);
    if (IsGoing(top))
        return;
    top->Show(true);
    if (top->IsIconized())
        top->Iconize(false);
    top->Raise();
}

// "No old status" has every bit set, BUSY among them; it is no evidence of having been busy.
int PopupDialogManager::KindOfNews(unsigned long oldStatus, unsigned long newStatus) {
    if (oldStatus == 0 && (newStatus & User::ONLINE))
        return PopupDialog::KIND_ONLINE;
    if (oldStatus != UserEvent::NO_OLD_STATUS && (oldStatus & User::BUSY) &&
        (newStatus & User::FREE))
        return PopupDialog::KIND_FREE;
    return 0;
}

// The main frame keeps the item disabled until favourites are loaded, so only an enabled and
// checked item restricts the pop-ups.
bool PopupDialogManager::OnlyFavoritesWanted() {
    wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    // A C++ cast: the toolkit's cast converts the pointer before it checks the class.
    auto* frame = dynamic_cast<wxFrame*>(top);
    wxMenuBar* menuBar = frame ? frame->GetMenuBar() : nullptr;
    wxMenuItem* item = menuBar ? menuBar->FindItem(ID_POPUP_ONLY_FAVORITE) : nullptr;
    return item && item->IsEnabled() && item->IsCheckable() && item->IsChecked();
}

// "/favorites" is a list of names each followed by ","; names compare exactly.
bool PopupDialogManager::IsFavorite(const wxString& name) {
    const wxString favorites = ImageStore::GetConfig()->Read("/favorites", wxString());
    wxStringTokenizer tokens(favorites, ",");
    while (tokens.HasMoreTokens())
        if (tokens.GetNextToken() == name)
            return true;
    return false;
}
