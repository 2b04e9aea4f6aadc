#include "tests/trees/TreeTestSupport.h"

#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"
#include "ui/trees/UserListTreeItemData.h"

#include <wx/app.h>

#include <algorithm>

namespace treetest {

UserList MakeList(std::initializer_list<std::pair<const char*, unsigned long>> users) {
    UserList list;
    for (const auto& u : users)
        list.AddUser(User(wxString::FromUTF8(u.first), u.second));
    return list;
}

static void Post(wxEvtHandler* target, const wxEvent& event) {
    target->AddPendingEvent(event);
    ASSERT_TRUE(WaitFor([] { return !wxTheApp->HasPendingEvents(); }));
}

void PostList(wxEvtHandler* target, const UserList& list, int id) {
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, id);
    event.SetUserList(list);
    Post(target, event);
}

void PostUser(wxEvtHandler* target, wxEventType type, const wxString& name, unsigned long status,
              unsigned long oldStatus) {
    Post(target, UserEvent(User(name, status), type, oldStatus));
}

std::vector<std::string> SendList(wxEvtHandler* target, const UserList& list) {
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
    event.SetUserList(list);
    target->ProcessEvent(event);
    std::vector<std::string> names;
    for (const auto& entry : event.GetUserList())
        names.push_back(entry.first.utf8_string());
    return names;
}

std::vector<Row> Children(const wxTreeCtrl* tree, const wxTreeItemId& parent) {
    std::vector<Row> rows;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
         child = tree->GetNextChild(parent, cookie)) {
        Row row{tree->GetItemText(child).utf8_string(),
                false,
                "",
                0,
                tree->GetItemImage(child, wxTreeItemIcon_Normal),
                tree->GetItemImage(child, wxTreeItemIcon_Selected)};
        if (const auto* data = static_cast<const UserListTreeItemData*>(tree->GetItemData(child))) {
            row.hasData = true;
            row.name = data->GetUser().GetName().utf8_string();
            row.status = data->GetUser().GetStatus();
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Texts(const wxTreeCtrl* tree, const wxTreeItemId& parent, bool sorted) {
    std::vector<std::string> texts;
    for (const Row& row : Children(tree, parent))
        texts.push_back(row.text);
    if (sorted)
        std::sort(texts.begin(), texts.end());
    return texts;
}

wxTreeItemId ChildNamed(const wxTreeCtrl* tree, const wxTreeItemId& parent,
                        const std::string& text) {
    wxTreeItemIdValue cookie;
    wxTreeItemId child = tree->GetFirstChild(parent, cookie);
    while (child.IsOk() && tree->GetItemText(child).utf8_string() != text)
        child = tree->GetNextChild(parent, cookie);
    return child;
}

void TreeFrameTest::SetUp() {
    m_frame = new wxFrame(nullptr, wxID_ANY, "trees", wxPoint(0, 0), wxSize(320, 480));
    m_frame->Show();
    PumpEvents();
}

void TreeFrameTest::TearDown() {
    m_frame->Destroy();
    PumpEvents(20);
}

void TreeFrameTest::RequireSkin(std::initializer_list<const char*> keys) {
    ImageStore* store = ImageStore::GetInstance();
    ASSERT_NE(store, nullptr);
    for (const char* key : keys)
        ASSERT_TRUE(store->GetBitmap(key).IsOk()) << "the built skin lacks " << key;
}

} // namespace treetest
