#include "ui/popup/PopupWindowPresenter.h"

#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupPlaces.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/RecentAnnouncements.h"

#include <wx/app.h>

#include <algorithm>

namespace {

// A window that was closed lives on until idle time.
bool IsGoing(wxWindow* window) {
    return !window || window->IsBeingDeleted() ||
           (wxTheApp && wxTheApp->IsScheduledForDestruction(window));
}

} // namespace

PopupWindowPresenter::PopupWindowPresenter(
    RecentAnnouncements* recent, wxEvtHandler* observer,
    const std::function<void(SummaryTally::Reason)>& onSummaryClick)
    : m_recent(recent), m_observer(observer), m_onSummaryClick(onSummaryClick) {}

PopupWindowPresenter::~PopupWindowPresenter() {
    DestroyPopups();
}

// A pop-up still waiting for its picture would otherwise appear after the program's window
// closed, and every pop-up left keeps the program running until its own timer ends.
void PopupWindowPresenter::DestroyPopups() {
    // Collected first: destroying may change the list of top-level windows.
    std::vector<wxWindow*> popups;
    for (wxWindow* window : wxTopLevelWindows)
        // A C++ cast: the toolkit's cast converts the pointer before it checks the class.
        if (dynamic_cast<PopupDialog*>(window) || dynamic_cast<PopupSummary*>(window))
            if (!window->IsBeingDeleted())
                popups.push_back(window);
    for (wxWindow* popup : popups)
        popup->Destroy();
}

PopupSummary* PopupWindowPresenter::GetSummary() const {
    PopupSummary* summary = m_summary.get();
    return IsGoing(summary) ? nullptr : summary;
}

// A pop-up that went without appearing could not fetch its picture.
void PopupWindowPresenter::Settle() {
    for (const Made& made : m_made) {
        PopupDialog* popup = made.popup.get();
        if (popup && popup->IsShown())
            m_recent->SetOutcome(made.recentId, RecentAnnouncements::SHOWN);
        else if (IsGoing(popup))
            m_recent->SetOutcome(made.recentId, RecentAnnouncements::NOT_SHOWN);
    }
    m_made.erase(std::remove_if(m_made.begin(), m_made.end(),
                                [](const Made& made) {
                                    return IsGoing(made.popup.get()) || made.popup->IsShown();
                                }),
                 m_made.end());
}

int PopupWindowPresenter::TakenPlaces() {
    Settle();
    return (PopupPlaces::IsTopReserved() ? 1 : 0) + PopupDialog::GetShownCount() +
           static_cast<int>(m_made.size());
}

void PopupWindowPresenter::Present(const Announcement& announcement) {
    auto* popup =
        new PopupDialog(announcement.user, announcement.kind, nullptr, wxID_ANY, wxEmptyString,
                        wxDefaultPosition, wxDefaultSize, wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
    popup->SetObserver(m_observer);
    m_made.push_back({popup, announcement.recentId});
}

PopupSummary* PopupWindowPresenter::NewSummary(SummaryTally::Reason reason) {
    const auto onClick = m_onSummaryClick;
    auto* summary = new PopupSummary(reason, [onClick, reason] { onClick(reason); });
    summary->SetObserver(m_observer);
    return summary;
}

void PopupWindowPresenter::Fold(SummaryTally::Reason reason, const User& user, int kind) {
    wxWeakRef<PopupSummary>& made =
        reason == SummaryTally::REASON_PAUSE ? m_pauseSummary : m_newOverflow;
    PopupSummary* summary = reason == SummaryTally::REASON_OVERFLOW ? GetSummary() : nullptr;
    if (!summary) {
        if (IsGoing(made.get()))
            made = NewSummary(reason);
        summary = made.get();
    }
    summary->Add(user, kind);
}

void PopupWindowPresenter::ShowSummary(SummaryTally::Reason reason) {
    wxWeakRef<PopupSummary>& made =
        reason == SummaryTally::REASON_PAUSE ? m_pauseSummary : m_newOverflow;
    PopupSummary* summary = made.get();
    made = nullptr;
    if (IsGoing(summary))
        return;
    PopupSummary* older = GetSummary();
    m_summary = summary;
    summary->Appear();
    if (older)
        older->Destroy();
}

// Pop-ups still to come are destroyed; those on screen stay until their time is up.
std::vector<AnnouncementPresenter::Announcement> PopupWindowPresenter::Withdraw() {
    Settle();
    std::vector<Announcement> withdrawn;
    for (const Made& made : m_made) {
        withdrawn.push_back({made.popup->GetUser(), made.popup->GetKind(), made.recentId});
        made.popup->Destroy();
    }
    m_made.clear();
    return withdrawn;
}
