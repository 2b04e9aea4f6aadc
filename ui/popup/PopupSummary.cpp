#include "ui/popup/PopupSummary.h"

#include "resources/AccessibleWindow.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
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
}

PopupSummary* PopupSummary::ms_holder = nullptr;

PopupSummary::PopupSummary(Reason reason, const std::function<void()>& onClick)
    : wxDialog(nullptr, wxID_ANY, _("Popup summary"), wxDefaultPosition, PopupPlaces::POPUP_SIZE,
               wxSTAY_ON_TOP | wxDIALOG_NO_PARENT | wxBORDER_NONE),
      m_tally(reason), m_onClick(onClick), m_destroyTimer(std::make_unique<wxTimer>(this)) {
    wxLogTrace(ROD_TRACE, "[%p]PopupSummary::PopupSummary(%d)", this, int(reason));
    ImageStore* store = ImageStore::GetInstance();
    m_framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxSTATIC_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel = new wxPanel(m_framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxNO_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel->SetBackgroundColour(wxColour(99, 150, 255));
    m_titleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_titleBar"));
    m_styleBar =
        new wxStaticBitmap(m_framePanel, wxID_ANY, store->GetBitmap("PopupDialog_styleBar_ONLINE"),
                           wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER);
    m_titleBar->SetInitialSize(wxSize(144, 18));
    m_styleBar->SetInitialSize(wxSize(144, 12));
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
    PopupDialog::RefuseInputFocus(this);
    m_contentPanel->Bind(wxEVT_PAINT, &PopupSummary::OnPaintContentPanel, this);
    Bind(wxEVT_TIMER, &PopupSummary::OnDestroyTimer, this);
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
    if (ms_holder != this)
        return;
    ms_holder = nullptr;
    PopupPlaces::SetTopReserved(false);
    PopupDialog::ShowWaiting();
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
    ms_holder = this;
    PopupPlaces::SetTopReserved(true);
    UpdateTexts();
    Move(PopupPlaces::GetPosition(PopupPlaces::GetCount() - 1));
    ShowWithoutActivating();
    StartDestroyTimer();
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
