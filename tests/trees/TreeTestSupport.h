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
constexpr unsigned long FREE = User::ONLINE | User::FREE;
constexpr unsigned long BUSY = User::ONLINE | User::BUSY | User::PUBLIC;
constexpr unsigned long PRIVATE = User::ONLINE | User::BUSY | User::PRIVATE;

UserList MakeList(std::initializer_list<std::pair<const char*, unsigned long>> users);

// Queued as the refresh thread posts, then waited for until handled.
void PostList(wxEvtHandler* target, const UserList& list, int id = -1);
void PostUser(wxEvtHandler* target, wxEventType type, const wxString& name, unsigned long status,
              unsigned long oldStatus = UserEvent::NO_OLD_STATUS);
// Synchronous; returns the names in the order the handler met them (a copied list may
// iterate in another order than the original).
std::vector<std::string> SendList(wxEvtHandler* target, const UserList& list);

struct Row {
    std::string text;
    bool hasData;
    std::string name; // of the stored user
    unsigned long status;
    int image;
    int selectedImage;
};
std::vector<Row> Children(const wxTreeCtrl* tree, const wxTreeItemId& parent);
std::vector<std::string> Texts(const wxTreeCtrl* tree, const wxTreeItemId& parent,
                               bool sorted = false);
wxTreeItemId ChildNamed(const wxTreeCtrl* tree, const wxTreeItemId& parent,
                        const std::string& text);

// A shown frame that owns the tree under test; Make() creates the tree with the style of the
// main frame's pages.
class TreeFrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    template <typename Tree>
    Tree* Make() {
        auto* tree = new Tree(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTR_HAS_BUTTONS | wxTR_NO_LINES | wxTR_LINES_AT_ROOT |
                                  wxTR_HIDE_ROOT | wxSUNKEN_BORDER);
        m_frame->SendSizeEvent();
        return tree;
    }
    // Icon indices follow the order of addition only when the skin has every picture.
    static void RequireSkin(std::initializer_list<const char*> keys);

    wxFrame* m_frame = nullptr;
};

} // namespace treetest
