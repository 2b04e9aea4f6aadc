#include "ui/popup/PopupDialog.h"

#include "core/SiteEndpoints.h"
#include "net/DownloadThread.h"
#include "resources/AccessibleWindow.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/popup/PopupHover.h"
#include "ui/popup/PopupPlaces.h"
#include "ui/popup/PopupSettings.h"
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

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

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

} // namespace

const wxSize PopupDialog::THUMBNAIL_SIZE(107, 82);
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

// Clicks must not activate the pop-up either (showing it is covered by ShowWithoutActivating):
// the window asks the window manager never to give it the input focus. GTK is linked by the
// toolkit only, so its function is looked up at run time.
void PopupDialog::RefuseInputFocus(wxTopLevelWindow* window) {
#ifdef __WXGTK__
    using SetAcceptFocus = void (*)(void* gtkWindow, int setting);
    static const auto setAcceptFocus =
        reinterpret_cast<SetAcceptFocus>(dlsym(RTLD_DEFAULT, "gtk_window_set_accept_focus"));
    if (setAcceptFocus && window->GetHandle())
        setAcceptFocus(window->GetHandle(), 0);
#else
    wxUnusedVar(window);
#endif
}

PopupDialog::PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                         const wxString& title, const wxPoint& pos, const wxSize& size, long style)
    // Borderless whatever the creator asked: without it the window manager adds a frame.
    : wxDialog(parent, id, title, pos, size, style | wxBORDER_NONE), m_user(user), m_kind(kind),
      m_sequence(++ms_made) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialog::PopupDialog(%s, %d)", this, user.GetName(), kind);
    ImageStore* store = ImageStore::GetInstance();
    m_framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxSTATIC_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel = new wxPanel(m_framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxNO_BORDER | wxTAB_TRAVERSAL);
    m_titleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_titleBar"));
    m_styleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_styleBar_ONLINE"),
                           wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER);
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

    m_nameLabel->SetLabel(user.GetName());
    // Set before it shows, so that a screen reader announces what happened when it appears.
    AccessibleWindow::Describe(
        this, AccessibleWindow::ROLE_NOTIFICATION,
        wxString::Format(kind == KIND_FREE ? _("%s, now free") : _("%s, now online"),
                         user.GetName()));
    AccessibleWindow::Describe(m_profileImage, AccessibleWindow::ROLE_IMAGE,
                               wxString::Format(_("Picture of %s"), user.GetName()));
    m_nameLabel->Connect(wxEVT_LEFT_DOWN, wxMouseEventHandler(PopupDialog::OnLeftDownForControl),
                         nullptr, this);

    RefuseInputFocus(this);

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

void PopupDialog::SetProperties() {
    SetTitle(_("Popup"));
    SetSize(PopupPlaces::POPUP_SIZE);
    m_titleBar->SetInitialSize(wxSize(144, 18));
    m_styleBar->SetInitialSize(wxSize(144, 12));
    m_profileImage->SetInitialSize(THUMBNAIL_SIZE);
    m_nameLabel->SetInitialSize(wxSize(108, 18));
    m_nameLabel->SetBackgroundColour(wxColour(90, 146, 239));
    m_nameLabel->SetForegroundColour(wxColour(255, 255, 255));
    m_nameLabel->SetFont(wxFont(10, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL,
                                false, wxEmptyString, wxFONTENCODING_DEFAULT));
    m_contentPanel->SetBackgroundColour(wxColour(99, 150, 255));
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

// The count decides the place, as it always did; only a place outside the work area is
// refused, and the pop-up waits for one instead.
void PopupDialog::PlaceAndShow() {
    if (ms_shownCount >= PopupPlaces::GetFreeForPopups()) {
        // Oldest first, whichever picture came first.
        if (std::find(ms_waiting.begin(), ms_waiting.end(), this) == ms_waiting.end())
            ms_waiting.insert(std::upper_bound(ms_waiting.begin(), ms_waiting.end(), this,
                                               [](const PopupDialog* a, const PopupDialog* b) {
                                                   return a->m_sequence < b->m_sequence;
                                               }),
                              this);
        return;
    }
    ms_waiting.erase(std::remove(ms_waiting.begin(), ms_waiting.end(), this), ms_waiting.end());
    const int below = ms_shownCount++;
    m_counted = true;
    Move(PopupPlaces::GetPosition(below));
    ShowWithoutActivating();
    // The time runs from the moment the pop-up appears, however long it waited.
    m_destroyTimer = new wxTimer(this, wxID_ANY);
    StartDestroyTimer();
    NotifyObserver();
}

void PopupDialog::ShowWaiting() {
    while (!ms_waiting.empty() && ms_shownCount < PopupPlaces::GetFreeForPopups())
        ms_waiting.front()->PlaceAndShow();
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
