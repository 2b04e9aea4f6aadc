#include "ui/popup/PopupDialog.h"

#include "core/SiteEndpoints.h"
#include "net/DownloadThread.h"
#include "resources/AccessibleWindow.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/popup/NotificationWindowHints.h"
#include "ui/popup/PopupHover.h"
#include "ui/popup/PopupPlaces.h"
#include "ui/popup/PopupSettings.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/ThumbnailDecoder.h"
#include "ui/popup/ThumbnailQueue.h"

#include <wx/dcclient.h>
#include <wx/log.h>
#include <wx/module.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>

wxDEFINE_EVENT(wxEVT_POPUP_STATE_CHANGED, wxCommandEvent);

namespace {

// The content panel's background, shared by every pop-up: decoded on the first paint and kept
// until the module ends, which releases it while the toolkit still runs.
wxBitmap* g_contentBackground = nullptr;

class PopupBackgroundModule : public wxModule {
public:
    bool OnInit() override { return true; }
    void OnExit() override {
        delete g_contentBackground;
        g_contentBackground = nullptr;
    }

private:
    wxDECLARE_DYNAMIC_CLASS(PopupBackgroundModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(PopupBackgroundModule, wxModule);

// The table's timer handler takes the destroy timer, whose identifier is any.
const int PLACE_TIMER_ID = wxID_HIGHEST + 1;

} // namespace

const wxSize PopupDialog::THUMBNAIL_SIZE(107, 82);
const wxSize PopupDialog::TITLE_BAR_SIZE(150, 18);
const wxSize PopupDialog::STYLE_BAR_SIZE(150, 12);
const wxColour PopupDialog::NAME_BACKGROUND(0x1F, 0x45, 0x96);
const wxColour PopupDialog::CONTENT_BACKGROUND(0x2D, 0x5B, 0xB8);
int PopupDialog::ms_shownCount = 0;
unsigned long PopupDialog::ms_made = 0;
std::vector<PopupDialog*> PopupDialog::ms_waiting;

// clang-format off
wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
    EVT_DOWNLOAD_FINISHED(wxID_ANY, PopupDialog::OnDownloadFinished)
    EVT_TIMER(wxID_ANY, PopupDialog::OnDestroyTimer)
    EVT_COMMAND(wxID_ANY, wxEVT_THUMBNAIL_NOT_STARTED, PopupDialog::OnThumbnailNotStarted)
wxEND_EVENT_TABLE();
// clang-format on

PopupDialog::PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                         const wxString& title, const wxPoint& pos, const wxSize& size, long style)
    // Borderless whatever the creator asked: without it the window manager adds a frame.
    : wxDialog(parent, id, title, pos, size, style | wxBORDER_NONE), m_user(user), m_kind(kind),
      m_sequence(++ms_made), m_placeTimer(this, PLACE_TIMER_ID) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::PopupDialog(%s, %d)", this, user.GetName(), kind);
    ImageStore* store = ImageStore::GetInstance();
    m_framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxSTATIC_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel = new wxPanel(m_framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxNO_BORDER | wxTAB_TRAVERSAL);
    m_titleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_titleBar"));
    m_styleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_styleBar_ONLINE"));
    m_profileImage =
        new wxStaticBitmap(m_contentPanel, wxID_ANY, store->GetBitmap("PopupDialog_profileImage"));
    m_nameLabel = new wxStaticText(m_contentPanel, wxID_ANY, _("New Face"), wxDefaultPosition,
                                   wxDefaultSize, wxALIGN_CENTRE | wxST_NO_AUTORESIZE);

    SetProperties();
    DoLayout();

    m_profileImage->SetCursor(wxCursor(wxCURSOR_HAND));
    m_profileImage->Connect(wxEVT_LEFT_DOWN, wxMouseEventHandler(PopupDialog::OnLeftDownForControl),
                            nullptr, this);

    m_titleBar->SetBitmap(store->GetBitmap("PopupDialog_titleBar"));
    if (kind == KIND_FREE)
        m_styleBar->SetBitmap(store->GetBitmap("PopupDialog_styleBar_FREE"));
    else if (kind == KIND_ONLINE)
        m_styleBar->SetBitmap(store->GetBitmap("PopupDialog_styleBar_ONLINE"));

    ShowName(user.GetName());
    // Set before it shows, so that a screen reader announces what happened when it appears.
    AccessibleWindow::Describe(
        this, AccessibleWindow::ROLE_NOTIFICATION,
        wxString::Format(kind == KIND_FREE ? _("%s, now free") : _("%s, now online"),
                         user.GetName()));
    AccessibleWindow::Describe(m_profileImage, AccessibleWindow::ROLE_IMAGE,
                               wxString::Format(_("Picture of %s"), user.GetName()));
    m_nameLabel->Connect(wxEVT_LEFT_DOWN, wxMouseEventHandler(PopupDialog::OnLeftDownForControl),
                         nullptr, this);

    NotificationWindowHints::Apply(this);
    // Bound handlers come before the table's.
    Bind(wxEVT_TIMER, &PopupDialog::OnPlaceTimer, this, PLACE_TIMER_ID);

    m_contentPanel->Connect(wxEVT_PAINT, wxPaintEventHandler(PopupDialog::OnPaintContentPanel),
                            nullptr, this);

    if (PopupSettings::HoldWhileHovered())
        m_hover = std::make_unique<PopupHover>(this, [this](bool over) {
            if (!m_destroyTimer)
                return;
            if (over)
                m_destroyTimer->Stop();
            else
                StartDestroyTimer();
        });

    ThumbnailQueue::Request(this, m_user.GetName());
}

PopupDialog::~PopupDialog() {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::~PopupDialog()", this);
    Unqueue();
    delete m_destroyTimer;
    if (m_counted) {
        --ms_shownCount;
        PopupPlaces::Release(m_place);
        ShowWaiting();
    }
    NotifyObserver();
}

bool PopupDialog::Destroy() {
    Unqueue();
    return wxDialog::Destroy();
}

void PopupDialog::Unqueue() {
    ThumbnailQueue::Withdraw(this);
    ms_waiting.erase(std::remove(ms_waiting.begin(), ms_waiting.end(), this), ms_waiting.end());
}

// The blues are dark enough for white text to reach a contrast of 4.5:1 (WCAG AA).
void PopupDialog::SetProperties() {
    SetTitle(_("Popup"));
    SetSize(PopupPlaces::POPUP_SIZE);
    m_titleBar->SetInitialSize(TITLE_BAR_SIZE);
    m_styleBar->SetInitialSize(STYLE_BAR_SIZE);
    m_profileImage->SetInitialSize(THUMBNAIL_SIZE);
    m_nameLabel->SetInitialSize(wxSize(108, 18));
    m_nameLabel->SetBackgroundColour(NAME_BACKGROUND);
    m_nameLabel->SetForegroundColour(*wxWHITE);
    m_nameLabel->SetFont(wxFont(10, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL,
                                false, wxEmptyString, wxFONTENCODING_DEFAULT));
    m_contentPanel->SetBackgroundColour(CONTENT_BACKGROUND);
}

// A name too long for the label ends in an ellipsis; the tooltip has it whole.
void PopupDialog::ShowName(const wxString& name) {
    const int room = m_nameLabel->GetSize().x - 4;
    wxClientDC dc(m_nameLabel);
    dc.SetFont(m_nameLabel->GetFont());
    const wxString shown = wxControl::Ellipsize(name, dc, wxELLIPSIZE_END, room);
    m_nameLabel->SetLabel(shown);
    if (shown != name)
        m_nameLabel->SetToolTip(name);
}

// The name label only stretches across the panel: centring flags beside wxEXPAND mean nothing
// in a vertical sizer, and the toolkit rejects them.
void PopupDialog::DoLayout() {
    auto* contentSizer = new wxBoxSizer(wxVERTICAL);
    contentSizer->Add(-1, 8, 0, wxEXPAND | wxALL, 0);
    contentSizer->Add(m_profileImage, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 3);
    contentSizer->Add(m_nameLabel, 0, wxEXPAND | wxBOTTOM, 5);
    m_contentPanel->SetAutoLayout(true);
    m_contentPanel->SetSizer(contentSizer);
    contentSizer->Fit(m_contentPanel);
    contentSizer->SetSizeHints(m_contentPanel);

    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(m_titleBar, 0, 0, 0);
    frameSizer->Add(m_styleBar, 0, 0, 0);
    frameSizer->Add(m_contentPanel, 1, wxEXPAND | wxALL, 0);
    m_framePanel->SetAutoLayout(true);
    m_framePanel->SetSizer(frameSizer);
    frameSizer->Fit(m_framePanel);
    frameSizer->SetSizeHints(m_framePanel);

    auto* dialogSizer = new wxBoxSizer(wxVERTICAL);
    dialogSizer->Add(m_framePanel, 1, wxEXPAND | wxALL, 0);
    SetAutoLayout(true);
    SetSizer(dialogSizer);
    Layout();
}

void PopupDialog::OnDownloadFinished(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::OnDownloadFinished(%d)", this, event.GetInt());
    auto* data = static_cast<unsigned char*>(event.GetClientData());
    const size_t length = data && event.GetInt() > 0 ? size_t(event.GetInt()) : 0;
    // Only the first finished event counts; a stray second one is only released.
    const bool first = !m_thumbnailArrived;
    m_thumbnailArrived = true;
    wxBitmap bitmap;
    if (data && first)
        bitmap = ThumbnailDecoder::Decode(data, length, THUMBNAIL_SIZE, MAX_PICTURE_SIDE);
    delete[] data;
    if (!first)
        return;

    if (!bitmap.IsOk()) {
        wxLogWarning("thumbnail of %s: %s", m_user.GetName(),
                     data ? wxString("not a picture that can be shown") : event.GetString());
        bitmap = ImageStore::GetInstance()->GetBitmap("PopupDialog_profileImage");
    }
    m_profileImage->SetBitmap(bitmap);
    PlaceAndShow();
}

// The lowest free place: after a lower pop-up has gone, a new one fills its place instead of
// covering one still up. One that finds no place waits for one.
void PopupDialog::PlaceAndShow() {
    wxPoint where;
    if (!PopupPlaces::TakeLowestFree(&where)) {
        Wait();
        return;
    }
    ms_waiting.erase(std::remove(ms_waiting.begin(), ms_waiting.end(), this), ms_waiting.end());
    ++ms_shownCount;
    m_counted = true;
    m_place = where;
    Move(where);
    ShowWithoutActivating();
    // The time runs from the moment the pop-up appears, however long it waited.
    delete m_destroyTimer;
    m_destroyTimer = new wxTimer(this, wxID_ANY);
    StartDestroyTimer();
    m_placeTimer.Start(PopupPlaces::CHECK_MS);
    NotifyObserver();
}

// Oldest first, whichever picture came first.
void PopupDialog::Wait() {
    if (std::find(ms_waiting.begin(), ms_waiting.end(), this) == ms_waiting.end())
        ms_waiting.insert(std::upper_bound(ms_waiting.begin(), ms_waiting.end(), this,
                                           [](const PopupDialog* a, const PopupDialog* b) {
                                               return a->m_sequence < b->m_sequence;
                                           }),
                          this);
}

// The summary comes first: it only waits for the top place, which no pop-up takes meanwhile.
void PopupDialog::ShowWaiting() {
    PopupSummary::ShowWaiting();
    // Each round either shows the oldest or leaves it waiting, when no place is free.
    for (size_t left = ms_waiting.size() + 1; !ms_waiting.empty() && ms_waiting.size() < left;) {
        left = ms_waiting.size();
        ms_waiting.front()->PlaceAndShow();
    }
}

// The work area shrank under the pop-up, or its monitor went: it moves to a place in the new
// area, or hides and waits for one.
void PopupDialog::OnPlaceTimer(wxTimerEvent&) {
    if (PopupPlaces::IsInWorkArea(m_place))
        return;
    PopupPlaces::Release(m_place);
    wxPoint where;
    if (PopupPlaces::TakeLowestFree(&where)) {
        m_place = where;
        Move(where);
        return;
    }
    m_placeTimer.Stop();
    delete m_destroyTimer;
    m_destroyTimer = nullptr;
    m_counted = false;
    --ms_shownCount;
    Hide();
    Wait();
    NotifyObserver();
}

// Not while the pointer holds the pop-up; it starts from the full duration when it leaves.
void PopupDialog::StartDestroyTimer() {
    if (m_hover && m_hover->IsOver())
        return;
    m_destroyTimer->StartOnce(static_cast<int>(PopupSettings::Duration() * 1000));
}

void PopupDialog::NotifyObserver() {
    if (wxEvtHandler* observer = m_observer.get()) {
        wxCommandEvent changed(wxEVT_POPUP_STATE_CHANGED, wxID_ANY);
        observer->AddPendingEvent(changed);
    }
}

// A pop-up appears only when its download has ended; one that cannot start never appears.
void PopupDialog::OnThumbnailNotStarted(wxCommandEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::OnThumbnailNotStarted()", this);
    Destroy();
}

void PopupDialog::OnDestroyTimer(wxTimerEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::OnDestroyTimer()", this);
    delete m_destroyTimer;
    m_destroyTimer = nullptr;
    Destroy();
}

// Clicks on the picture or the name; the pop-up stays open.
void PopupDialog::OnLeftDownForControl(wxMouseEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::OnLeftDownForControl()", this);
    Util::LaunchBrowser(SiteEndpoints::PreviewUrl("/preview.shtml?" + m_user.GetName()));
}

void PopupDialog::OnPaintContentPanel(wxPaintEvent&) {
    PaintContentBackground(m_contentPanel);
}

void PopupDialog::PaintContentBackground(wxWindow* panel) {
    if (!g_contentBackground)
        g_contentBackground =
            new wxBitmap(ImageStore::GetInstance()->GetBitmap("PopupDialog_contentPanel"));
    wxPaintDC dc(panel);
    if (g_contentBackground->IsOk())
        dc.DrawBitmap(*g_contentBackground, 0, 0, true);
}
