#pragma once

#include "core/UserListEvent.h"
#include "ui/trees/UserListTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace treetest {

// Statuses as the site's category words build them.
constexpr unsigned long FREE = User::ONLINE | User::FREE;                // 0x03
constexpr unsigned long BUSY = User::ONLINE | User::BUSY | User::PUBLIC; // 0x0D
constexpr unsigned long PRIVATE = User::ONLINE | User::BUSY | User::PRIVATE;

// Style of the trees on the main frame's pages.
constexpr long TREE_STYLE =
    wxTR_HAS_BUTTONS | wxTR_NO_LINES | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxSUNKEN_BORDER;

UserList MakeList(std::initializer_list<std::pair<const char*, unsigned long>> users);
// The names in the list's own iteration order.
std::vector<std::string> IterationOrder(const UserList& list);

// Delivers the event as the refresh thread does (queued) and waits until it was handled.
void Post(wxEvtHandler* target, const wxEvent& event);
void PostList(wxEvtHandler* target, const UserList& list, int id = -1);
// Hands the list over synchronously and returns the names in the order in which the handler
// met them (a copied list may iterate in another order than the original).
std::vector<std::string> SendList(wxEvtHandler* target, const UserList& list, int id = -1);
void PostUser(wxEvtHandler* target, wxEventType type, const wxString& name, unsigned long status,
              unsigned long oldStatus = UserEvent::NO_OLD_STATUS);

struct Row {
    std::string text;
    bool hasData;
    std::string name; // the stored user's, when hasData
    unsigned long status;
    int image;
    int selectedImage;
};
std::vector<Row> Children(const wxTreeCtrl* tree, const wxTreeItemId& parent);
std::vector<std::string> ChildTexts(const wxTreeCtrl* tree, const wxTreeItemId& parent);
wxTreeItemId ChildNamed(const wxTreeCtrl* tree, const wxTreeItemId& parent,
                        const std::string& text);

// A shown top-level frame that owns the tree under test.
class TreeFrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Fails the test unless the built skin supplies these pictures (icon indices depend on it).
    static void RequireSkin(std::initializer_list<const char*> keys);

    wxFrame* m_frame = nullptr;
};

} // namespace treetest
