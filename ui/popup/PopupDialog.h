#pragma once

#include "core/User.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <functional>

class wxPanel;
class wxStaticBitmap;
class wxStaticText;

// The small notification window that announces one performer. It fetches the thumbnail in
// the background, shows itself (without taking the activation or the focus) stacked at the
// bottom right of the work area only when that download has ended, opens the preview page on
// a click on the picture or the name, and destroys itself when its timer runs out. It owns
// itself: whoever creates it keeps no pointer.
class PopupDialog : public wxDialog {
public:
    enum { KIND_ONLINE = 1, KIND_FREE = 2 };

    // Size of the shown thumbnail; pictures are squeezed to it.
    static const wxSize THUMBNAIL_SIZE;
    // Pictures whose header announces a larger side are not decoded: the placeholder is
    // shown instead.
    static const int MAX_PICTURE_SIDE = 4096;
    // Seconds a thumbnail download may go without an answer before the placeholder is shown.
    static const int THUMBNAIL_TIMEOUT_SECONDS = 10;
    // Seconds a pop-up stays when "/PopupDialog/duration" is missing.
    static const int DEFAULT_DURATION = 8;

    // Gives the screen's work area; the default is wxGetClientDisplayRect. A null function
    // restores the default (for tests).
    using WorkAreaProvider = std::function<wxRect()>;
    static void SetWorkAreaProvider(const WorkAreaProvider& provider);

    // Pop-ups placed on screen and not yet destroyed: the next one goes above them.
    static int GetShownCount() { return ms_shownCount; }

    PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
    ~PopupDialog() override;

    const User& GetUser() const { return m_user; }
    int GetKind() const { return m_kind; }
    wxStaticBitmap* GetProfileImage() const { return m_profileImage; }
    wxStaticText* GetNameLabel() const { return m_nameLabel; }
    wxStaticBitmap* GetStyleBar() const { return m_styleBar; }
    wxStaticBitmap* GetTitleBar() const { return m_titleBar; }

private:
    void SetProperties();
    void DoLayout();
    void RequestThumbnail();
    void PlaceAndShow();
    static wxBitmap DecodeThumbnail(const unsigned char* data, size_t length);

    void OnDownloadFinished(wxCommandEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
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
    wxTimer* m_destroyTimer = nullptr;
    // Only a pop-up that was counted when shown lowers the count again.
    bool m_counted = false;

    static int ms_shownCount;

    wxDECLARE_EVENT_TABLE();
};
