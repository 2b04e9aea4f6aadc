#pragma once

#include "core/User.h"
#include "ui/popup/SummaryTally.h"

#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>

class PopupHover;
class wxPanel;
class wxStaticBitmap;
class wxStaticText;

// One pop-up for many announcements: those that found no place on the screen, or those that
// came while pop-ups were paused. It tells how many there were and lists the first few names.
// Once it appears it keeps the top place of the work area for itself while it is there (the
// pop-ups have one place fewer meanwhile), and shows there as soon as no pop-up holds it; it closes
// after the usual duration and, when clicked, runs the action its creator gave it. It owns itself,
// like a pop-up.
class PopupSummary : public wxDialog {
public:
    using Reason = SummaryTally::Reason;
    static constexpr Reason REASON_OVERFLOW = SummaryTally::REASON_OVERFLOW;
    static constexpr Reason REASON_PAUSE = SummaryTally::REASON_PAUSE;

    PopupSummary(Reason reason, const std::function<void()>& onClick);
    ~PopupSummary() override;
    bool Destroy() override;

    // Counts one more announcement of the given kind (PopupDialog::KIND_ONLINE or KIND_FREE);
    // the time on screen starts again.
    void Add(const User& user, int kind);
    // Keeps the top place (from an older summary too) and shows itself there without taking
    // the focus, at once or when the pop-up that holds the place has gone.
    void Appear();
    // Shows the summary that waits for the top place, if the place has come free.
    static void ShowWaiting();
    bool IsWaitingForPlace() const { return m_waitsForPlace; }

    // Gets wxEVT_POPUP_STATE_CHANGED when it goes; null for none.
    void SetObserver(wxEvtHandler* observer) { m_observer = observer; }

    Reason GetReason() const { return m_tally.GetReason(); }
    int GetCount() const { return m_tally.GetCount(); }
    // The texts as they are shown once the pending update has run.
    wxString GetHeadline() const { return m_tally.GetHeadline(); }
    wxString GetNames() const { return m_tally.GetNames(); }
    wxStaticText* GetHeadlineLabel() const { return m_headline; }
    wxStaticText* GetNamesLabel() const { return m_namesLabel; }
    wxStaticBitmap* GetStyleBar() const { return m_styleBar; }
    wxTimer* GetDestroyTimer() const { return m_destroyTimer.get(); }

private:
    void DoLayout();
    void UpdateTexts();
    void StartDestroyTimer();
    void ReleaseTopPlace();
    bool TakeTopPlace();
    void LetGoOfPlace();
    void OnPlaceTimer(wxTimerEvent& event);
    void WatchClicks(wxWindow* window);

    void OnClick(wxMouseEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
    void OnPaintContentPanel(wxPaintEvent& event);

    SummaryTally m_tally;
    std::function<void()> m_onClick;
    wxPanel* m_framePanel;
    wxPanel* m_contentPanel;
    wxStaticBitmap* m_titleBar;
    wxStaticBitmap* m_styleBar;
    wxStaticText* m_headline;
    wxStaticText* m_namesLabel;
    bool m_updatePending = false;
    std::unique_ptr<wxTimer> m_destroyTimer;
    // Checks while shown that the work area still holds the summary.
    std::unique_ptr<wxTimer> m_placeTimer;
    wxPoint m_place;
    bool m_holdsPlace = false;
    bool m_waitsForPlace = false;
    std::unique_ptr<PopupHover> m_hover;
    wxWeakRef<wxEvtHandler> m_observer;

    // The summary that holds the top place.
    static PopupSummary* ms_holder;
};
