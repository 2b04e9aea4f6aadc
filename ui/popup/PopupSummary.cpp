#include "ui/popup/PopupSummary.h"

#include "resources/AccessibleWindow.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/popup/NotificationWindowHints.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupHover.h"
#include "ui/popup/PopupPlaces.h"
#include "ui/popup/PopupSettings.h"

#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {
const int TEXT_WIDTH = 136;
const int DESTROY_TIMER_ID = wxID_HIGHEST + 1;
const int PLACE_TIMER_ID = wxID_HIGHEST + 2;
} // namespace

PopupSummary* PopupSummary::ms_holder = nullptr;

PopupSummary::PopupSummary(Reason reason, const std::function<void()>& onClick)
    : wxDialog(nullptr, wxID_ANY, _("Popup summary"), wxDefaultPosition, PopupPlaces::POPUP_SIZE,
               wxSTAY_ON_TOP | wxDIALOG_NO_PARENT | wxBORDER_NONE),
      m_tally(reason), m_onClick(onClick),
      m_destroyTimer(std::make_unique<wxTimer>(this, DESTROY_TIMER_ID)),
      m_placeTimer(std::make_unique<wxTimer>(this, PLACE_TIMER_ID)) {
    wxLogTrace(ROD_TRACE, "[%p]PopupSummary::PopupSummary(%d)", this, int(reason));
    ImageStore* store = ImageStore::GetInstance();
    m_framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxSTATIC_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel = new wxPanel(m_framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxNO_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel->SetBackgroundColour(PopupDialog::CONTENT_BACKGROUND);
    m_titleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_titleBar"));
    m_styleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_styleBar_ONLINE"));
    m_titleBar->SetInitialSize(PopupDialog::TITLE_BAR_SIZE);
    m_styleBar->SetInitialSize(PopupDialog::STYLE_BAR_SIZE);
    m_headline = new wxStaticText(m_contentPanel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                  wxSize(TEXT_WIDTH, 46), wxALIGN_CENTRE | wxST_NO_AUTORESIZE);
    m_headline->SetForegroundColour(*wxWHITE);
    m_headline->SetFont(wxFont(9, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD));
    m_namesLabel = new wxStaticText(m_contentPanel, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                    wxSize(TEXT_WIDTH, 62), wxALIGN_CENTRE | wxST_NO_AUTORESIZE);
    m_namesLabel->SetForegroundColour(*wxWHITE);
    m_namesLabel->SetFont(wxFont(9, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
    DoLayout();

    WatchClicks(this);
    NotificationWindowHints::Apply(this);
    m_contentPanel->Bind(wxEVT_PAINT, &PopupSummary::OnPaintContentPanel, this);
    Bind(wxEVT_TIMER, &PopupSummary::OnPlaceTimer, this, PLACE_TIMER_ID);
    Bind(wxEVT_TIMER, &PopupSummary::OnDestroyTimer, this, DESTROY_TIMER_ID);
    if (PopupSettings::HoldWhileHovered())
        m_hover = std::make_unique<PopupHover>(this, [this](bool over) {
            if (over)
                m_destroyTimer->Stop();
            else
                StartDestroyTimer();
        });
}

PopupSummary::~PopupSummary() {
    wxLogTrace(ROD_TRACE, "[%p]PopupSummary::~PopupSummary()", this);
    ReleaseTopPlace();
    if (wxEvtHandler* observer = m_observer.get()) {
        wxCommandEvent changed(wxEVT_POPUP_STATE_CHANGED, wxID_ANY);
        observer->AddPendingEvent(changed);
    }
}

bool PopupSummary::Destroy() {
    ReleaseTopPlace();
    return wxDialog::Destroy();
}

// The place goes back to the pop-ups, and those waiting for one may come.
void PopupSummary::ReleaseTopPlace() {
    LetGoOfPlace();
    m_waitsForPlace = false;
    if (ms_holder != this)
        return;
    ms_holder = nullptr;
    PopupPlaces::SetTopReserved(false);
    PopupDialog::ShowWaiting();
}

void PopupSummary::LetGoOfPlace() {
    if (m_holdsPlace)
        PopupPlaces::Release(m_place);
    m_holdsPlace = false;
}

void PopupSummary::DoLayout() {
    auto* contentSizer = new wxBoxSizer(wxVERTICAL);
    contentSizer->Add(-1, 4, 0, wxEXPAND, 0);
    contentSizer->Add(m_headline, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 2);
    contentSizer->Add(m_namesLabel, 0, wxALIGN_CENTER_HORIZONTAL, 0);
    m_contentPanel->SetSizer(contentSizer);

    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(m_titleBar, 0, 0, 0);
    frameSizer->Add(m_styleBar, 0, 0, 0);
    frameSizer->Add(m_contentPanel, 1, wxEXPAND, 0);
    m_framePanel->SetSizer(frameSizer);

    auto* dialogSizer = new wxBoxSizer(wxVERTICAL);
    dialogSizer->Add(m_framePanel, 1, wxEXPAND, 0);
    SetSizer(dialogSizer);
    SetSize(PopupPlaces::POPUP_SIZE);
    Layout();
}

// Anywhere on the summary.
void PopupSummary::WatchClicks(wxWindow* window) {
    window->SetCursor(wxCursor(wxCURSOR_HAND));
    window->Bind(wxEVT_LEFT_DOWN, &PopupSummary::OnClick, this);
    for (wxWindow* child : window->GetChildren())
        WatchClicks(child);
}

void PopupSummary::Add(const User& user, int kind) {
    m_tally.Add(user.GetName(), kind);
    // A flood adds hundreds at once: the texts are set, and the time started again, once it
    // is over.
    if (!m_updatePending) {
        m_updatePending = true;
        CallAfter(&PopupSummary::UpdateTexts);
    }
}

// An older summary hands the place over without giving it back to the pop-ups meanwhile.
void PopupSummary::Appear() {
    if (ms_holder && ms_holder != this)
        ms_holder->LetGoOfPlace();
    ms_holder = this;
    PopupPlaces::SetTopReserved(true);
    UpdateTexts();
    m_waitsForPlace = true;
    TakeTopPlace();
}

void PopupSummary::ShowWaiting() {
    if (ms_holder && ms_holder->m_waitsForPlace)
        ms_holder->TakeTopPlace();
}

// A pop-up shown before the summary came may hold the top place still: the summary waits
// until it has gone rather than cover it.
bool PopupSummary::TakeTopPlace() {
    const wxPoint top = PopupPlaces::GetPosition(PopupPlaces::GetCount() - 1);
    if (!PopupPlaces::IsFree(top))
        return false;
    m_waitsForPlace = false;
    PopupPlaces::Hold(top);
    m_place = top;
    m_holdsPlace = true;
    Move(top);
    ShowWithoutActivating();
    StartDestroyTimer();
    m_placeTimer->Start(PopupPlaces::CHECK_MS);
    return true;
}

// The work area shrank under the summary, or its monitor went: it moves to the new top place,
// or hides until that is free.
void PopupSummary::OnPlaceTimer(wxTimerEvent&) {
    if (!m_holdsPlace || PopupPlaces::IsInWorkArea(m_place))
        return;
    LetGoOfPlace();
    m_waitsForPlace = true;
    if (!TakeTopPlace()) {
        m_placeTimer->Stop();
        m_destroyTimer->Stop();
        Hide();
    }
}

void PopupSummary::UpdateTexts() {
    m_updatePending = false;
    m_headline->SetLabel(GetHeadline());
    m_headline->Wrap(TEXT_WIDTH);
    m_namesLabel->SetLabel(GetNames());
    // Named with what it folds before it first shows: its appearance is announced with that.
    wxString names = GetNames();
    names.Replace("\n", ", ");
    AccessibleWindow::Describe(this, AccessibleWindow::ROLE_NOTIFICATION,
                               wxString::Format(_("%s: %s"), GetHeadline(), names));
    const char* bar =
        m_tally.IsAllFree() ? "PopupDialog_styleBar_FREE" : "PopupDialog_styleBar_ONLINE";
    m_styleBar->SetBitmap(ImageStore::GetInstance()->GetBitmap(bar));
    if (IsShown())
        StartDestroyTimer();
}

void PopupSummary::StartDestroyTimer() {
    if (m_hover && m_hover->IsOver())
        return;
    m_destroyTimer->StartOnce(static_cast<int>(PopupSettings::Duration() * 1000));
}

void PopupSummary::OnClick(wxMouseEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]PopupSummary::OnClick()", this);
    if (m_onClick)
        m_onClick();
}

void PopupSummary::OnDestroyTimer(wxTimerEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]PopupSummary::OnDestroyTimer()", this);
    Destroy();
}

void PopupSummary::OnPaintContentPanel(wxPaintEvent&) {
    PopupDialog::PaintContentBackground(m_contentPanel);
}
