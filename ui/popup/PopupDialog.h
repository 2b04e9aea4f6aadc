#pragma once

#include "core/User.h"

#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>
#include <vector>

class PopupHover;
class wxPanel;
class wxStaticBitmap;
class wxStaticText;

// Posted to a pop-up's observer when the pop-up has appeared and when it goes: places on the
// screen and thumbnail downloads may have come free.
wxDECLARE_EVENT(wxEVT_POPUP_STATE_CHANGED, wxCommandEvent);

// The small notification window that announces one performer. It fetches the thumbnail in
// the background, shows itself (without taking the activation or the focus) stacked at the
// bottom right of the work area only when that download has ended (never, when it cannot
// start), opens the preview page on a click on the picture or the name, and destroys itself when
// its timer runs out. It owns itself: whoever creates it keeps no pointer.
//
// Each pop-up takes the lowest place that no other holds, and never leaves the work area: one
// that would not fit waits, hidden and not counted, until a place comes free (oldest first).
// A shown pop-up stays where it is unless the work area no longer holds it (a panel grew, a
// monitor went): then it moves to a free place, or waits for one.
class PopupDialog : public wxDialog {
public:
    enum { KIND_ONLINE = 1, KIND_FREE = 2 };

    // Size of the shown thumbnail; pictures are squeezed to it.
    static const wxSize THUMBNAIL_SIZE;
    // The skin's bars fill the pop-up's width.
    static const wxSize TITLE_BAR_SIZE;
    static const wxSize STYLE_BAR_SIZE;
    // Behind the name, and behind the content where the skin has no picture for it.
    static const wxColour NAME_BACKGROUND;
    static const wxColour CONTENT_BACKGROUND;
    // Pictures whose header announces a larger side are not decoded: the placeholder is
    // shown instead.
    static const int MAX_PICTURE_SIDE = 4096;

    // Pop-ups placed on screen and not yet destroyed.
    static int GetShownCount() { return ms_shownCount; }
    // Pop-ups whose thumbnail has arrived but that wait for a place.
    static int GetWaitingCount() { return static_cast<int>(ms_waiting.size()); }
    // Shows waiting pop-ups, oldest first, while places are free.
    static void ShowWaiting();

    // Paints the content panel's background picture (from a paint handler of panel).
    static void PaintContentBackground(wxWindow* panel);

    PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
    ~PopupDialog() override;
    // A pop-up on its way out no longer waits for a place or a download.
    bool Destroy() override;

    // Gets wxEVT_POPUP_STATE_CHANGED events from now on, while it exists; null for none.
    void SetObserver(wxEvtHandler* observer) { m_observer = observer; }

    const User& GetUser() const { return m_user; }
    int GetKind() const { return m_kind; }
    wxStaticBitmap* GetProfileImage() const { return m_profileImage; }
    wxStaticText* GetNameLabel() const { return m_nameLabel; }
    wxStaticBitmap* GetStyleBar() const { return m_styleBar; }
    wxStaticBitmap* GetTitleBar() const { return m_titleBar; }
    // Running while the pop-up is shown, stopped while it is held under the pointer.
    wxTimer* GetDestroyTimer() const { return m_destroyTimer; }

private:
    void SetProperties();
    void ShowName(const wxString& name);
    void DoLayout();
    void PlaceAndShow();
    void Wait();
    void StartDestroyTimer();
    void NotifyObserver();
    void Unqueue();

    void OnDownloadFinished(wxCommandEvent& event);
    void OnThumbnailNotStarted(wxCommandEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
    void OnPlaceTimer(wxTimerEvent& event);
    void OnLeftDownForControl(wxMouseEvent& event);
    void OnPaintContentPanel(wxPaintEvent& event);

    wxStaticBitmap* m_titleBar;
    wxStaticBitmap* m_styleBar;
    wxStaticBitmap* m_profileImage;
    wxStaticText* m_nameLabel;
    wxPanel* m_contentPanel;
    wxPanel* m_framePanel;
    User m_user;
    int m_kind;
    // Order of making, for the order of showing waiting pop-ups.
    unsigned long m_sequence;
    wxTimer* m_destroyTimer = nullptr;
    // Checks while shown that the work area still holds the pop-up.
    wxTimer m_placeTimer;
    wxPoint m_place;
    // Only a pop-up that was counted when shown lowers the count again.
    bool m_counted = false;
    bool m_thumbnailArrived = false;
    wxWeakRef<wxEvtHandler> m_observer;
    // Only while "/PopupDialog/holdWhileHovered" was on when the pop-up was made.
    std::unique_ptr<PopupHover> m_hover;

    static int ms_shownCount;
    static unsigned long ms_made;
    static std::vector<PopupDialog*> ms_waiting;

    wxDECLARE_EVENT_TABLE();
};
