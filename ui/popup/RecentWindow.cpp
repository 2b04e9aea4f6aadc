#include "ui/popup/RecentWindow.h"

#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/popup/RecentAnnouncements.h"
#include "ui/popup/RecentListCtrl.h"

#include <wx/log.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include <algorithm>

RecentWindow::RecentWindow(RecentAnnouncements* list)
    : wxFrame(nullptr, wxID_ANY, _("Recent"), wxDefaultPosition, wxSize(380, 320),
              wxDEFAULT_FRAME_STYLE | wxFRAME_TOOL_WINDOW),
      m_list(list) {
    wxLogTrace(ROD_TRACE, "[%p]RecentWindow::RecentWindow()", this);
    if (ImageStore* store = ImageStore::GetInstance())
        SetIcon(store->GetIcon("Application_icon"));
    m_listCtrl = new RecentListCtrl(this, list);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_listCtrl, 1, wxEXPAND, 0);
    SetSizer(sizer);
    // Wide enough for every column (their widths follow the translations) and a scroll bar.
    int columns = 0;
    for (int column = 0; column < m_listCtrl->GetColumnCount(); ++column)
        columns += m_listCtrl->GetColumnWidth(column);
    const int scrollBar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, m_listCtrl);
    SetClientSize(std::max(GetClientSize().x, columns + std::max(scrollBar, 0) + 8),
                  GetClientSize().y);
    m_list->SetListener([this] { m_listCtrl->ScheduleReload(); });
    // Escape closes it, as it does a dialog.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE && event.GetModifiers() == wxMOD_NONE)
            Close();
        else
            event.Skip();
    });
}

RecentWindow::~RecentWindow() {
    wxLogTrace(ROD_TRACE, "[%p]RecentWindow::~RecentWindow()", this);
    Detach();
}

void RecentWindow::Detach() {
    if (!m_list)
        return;
    m_list->SetListener(nullptr);
    m_list = nullptr;
    m_listCtrl->Detach();
}
