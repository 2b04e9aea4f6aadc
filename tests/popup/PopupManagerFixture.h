#pragma once

#include "tests/popup/PopupTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/PopupCommandIds.h"
#include "ui/popup/PopupDialogManager.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <algorithm>
#include <ostream>
#include <vector>

// A pop-up manager fed with user events by hand, with the site of PopupSiteTest, and the main
// frame's menu as the manager sees it.
inline constexpr unsigned long ONLINE_FREE_PUBLIC =
    User::ONLINE | User::FREE | User::PUBLIC; // 0x0B
inline constexpr unsigned long ONLINE_BUSY_PUBLIC =
    User::ONLINE | User::BUSY | User::PUBLIC; // 0x0D

struct Announcement {
    wxString name;
    int kind;
    bool operator==(const Announcement& other) const {
        return name == other.name && kind == other.kind;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Announcement& a) {
    return out << a.name.utf8_str().data() << "/" << a.kind;
}

class PopupDialogManagerTest : public PopupSiteTest {
protected:
    void TearDown() override {
        if (m_frame) {
            m_frame->Destroy();
            PumpEvents();
        }
        wxTheApp->SetTopWindow(nullptr);
        PopupSiteTest::TearDown();
    }

    // The pop-ups that handling this one event created.
    std::vector<Announcement> Send(wxEvent& event) {
        const std::vector<PopupDialog*> before = LivePopups();
        m_manager.ProcessEvent(event);
        std::vector<Announcement> made;
        for (PopupDialog* popup : LivePopups())
            if (std::find(before.begin(), before.end(), popup) == before.end())
                made.push_back({popup->GetUser().GetName(), popup->GetKind()});
        return made;
    }

    std::vector<Announcement> Added(const wxString& name, unsigned long status) {
        UserEvent event(User(name, status), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
        return Send(event);
    }

    std::vector<Announcement> Changed(const wxString& name, unsigned long from, unsigned long to) {
        UserEvent event(User(name, to), wxEVT_USER_CHANGED, from);
        return Send(event);
    }

    // As the refresh thread sends them: missing from list number list on, or back in it.
    std::vector<Announcement> Left(const wxString& name, unsigned long status, unsigned long list) {
        UserEvent event(User(name, status), wxEVT_USER_DELETED, UserEvent::NO_OLD_STATUS);
        event.SetListNumber(list);
        return Send(event);
    }
    std::vector<Announcement> Back(const wxString& name, unsigned long status, unsigned long list) {
        UserEvent event(User(name, status), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
        event.SetListNumber(list);
        return Send(event);
    }

    // The main frame's menu as the manager sees it through the top window.
    void MakeFrame(bool enabled, bool checked) {
        m_frame = new wxFrame(nullptr, wxID_ANY, "favourites switch");
        auto* bar = new wxMenuBar;
        auto* tool = new wxMenu;
        tool->AppendCheckItem(ID_POPUP_ONLY_FAVORITE, "&PopupOnlyFavorite");
        bar->Append(tool, "&Tool");
        m_frame->SetMenuBar(bar);
        bar->Check(ID_POPUP_ONLY_FAVORITE, checked);
        bar->Enable(ID_POPUP_ONLY_FAVORITE, enabled);
        wxTheApp->SetTopWindow(m_frame);
    }

    void SetItem(bool enabled, bool checked) {
        m_frame->GetMenuBar()->Check(ID_POPUP_ONLY_FAVORITE, checked);
        m_frame->GetMenuBar()->Enable(ID_POPUP_ONLY_FAVORITE, enabled);
    }

    PopupDialogManager m_manager;
    wxFrame* m_frame = nullptr;
};

using List = std::vector<Announcement>;
