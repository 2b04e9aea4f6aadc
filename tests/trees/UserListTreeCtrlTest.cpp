// The base tree: one row per performer under the root, and the row lookup.
#include "tests/trees/TreeTestSupport.h"
#include "ui/trees/UserListTreeItemData.h"

using namespace treetest;

namespace {

class UserListTreeCtrlTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        m_tree = Make<UserListTreeCtrl>();
        m_root = m_tree->GetRootItem();
    }
    User Named(const char* name) { return User(name, 0); }
    UserListTreeItemData* DataOf(const wxTreeItemId& item) {
        return static_cast<UserListTreeItemData*>(m_tree->GetItemData(item));
    }
    UserListTreeCtrl* m_tree = nullptr;
    wxTreeItemId m_root;
};

TEST_F(UserListTreeCtrlTest, EventsKeepOneRowPerPerformerUnderTheRoot) {
    EXPECT_EQ(m_tree->GetItemData(m_root), nullptr);
    EXPECT_EQ(m_tree->GetImageList(), nullptr);

    const UserList list = MakeList({{"alice", FREE}, {"bob", BUSY}, {"carol", 0}});
    const std::vector<std::string> order = SendList(m_tree, list);
    EXPECT_EQ(Texts(m_tree, m_root), order);
    for (const Row& row : Children(m_tree, m_root)) {
        EXPECT_EQ(row.name, row.text);
        EXPECT_EQ(row.status, list.FindUser(row.name)->GetStatus());
        EXPECT_EQ(row.image, -1);
        EXPECT_EQ(row.selectedImage, -1);
    }

    // Additions go last, without a check for duplicates; a change reaches the first row of
    // the name and leaves its text; a deletion removes the first row of the name.
    PostUser(m_tree, wxEVT_USER_ADDED, "dave", BUSY);
    PostUser(m_tree, wxEVT_USER_ADDED, "alice", PRIVATE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "alice", User::ONLINE, FREE);
    std::vector<Row> rows = Children(m_tree, m_root);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].text, "dave");
    EXPECT_EQ(rows[4].status, PRIVATE);
    EXPECT_EQ(DataOf(ChildNamed(m_tree, m_root, "alice"))->GetUser().GetStatus(), User::ONLINE);

    PostUser(m_tree, wxEVT_USER_DELETED, "nobody", FREE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "nobody", FREE, 0);
    PostUser(m_tree, wxEVT_USER_DELETED, "alice", FREE);
    rows = Children(m_tree, m_root);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.back().text, "alice");
    EXPECT_EQ(rows.back().status, PRIVATE);

    // Letter case makes another performer.
    PostUser(m_tree, wxEVT_USER_ADDED, "Bob", FREE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "BOB", PRIVATE, FREE);
    PostUser(m_tree, wxEVT_USER_DELETED, "bob", BUSY);
    rows = Children(m_tree, m_root);
    EXPECT_EQ(rows.back().name, "Bob");
    EXPECT_EQ(rows.back().status, FREE);
    EXPECT_FALSE(ChildNamed(m_tree, m_root, "bob").IsOk());

    // A second list adds every user again.
    PostList(m_tree, list);
    EXPECT_EQ(m_tree->GetChildrenCount(m_root), 7u);
}

// Rows made by hand in the shape the derived trees use: groups without data, user rows below.
TEST_F(UserListTreeCtrlTest, FindItemSearchesAChildsSubtreeBeforeTheChildAndComparesNamesOnly) {
    const wxTreeItemId group = m_tree->AppendItem(m_root, "group");
    const wxTreeItemId outer =
        m_tree->AppendItem(m_root, "outer", -1, -1, new UserListTreeItemData(User("eve", FREE)));
    const wxTreeItemId inner =
        m_tree->AppendItem(outer, "inner", -1, -1, new UserListTreeItemData(User("eve", BUSY)));
    const wxTreeItemId grouped =
        m_tree->AppendItem(group, "x", -1, -1, new UserListTreeItemData(Named("zoe")));
    const wxTreeItemId later =
        m_tree->AppendItem(m_root, "y", -1, -1, new UserListTreeItemData(User("zoe", FREE)));

    EXPECT_EQ(m_tree->FindItem(Named("eve"), m_root, true), inner);
    EXPECT_EQ(m_tree->FindItem(Named("eve"), m_root, false), outer);
    EXPECT_EQ(m_tree->FindItem(User("zoe", BUSY), m_root, true), grouped);
    EXPECT_EQ(m_tree->FindItem(User("zoe", BUSY), m_root, false), later);
    EXPECT_FALSE(m_tree->FindItem(Named("group"), m_root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(Named("Eve"), m_root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(Named("eve"), group, true).IsOk());
}

// The lookup must see every way rows come and go, whichever path answers it.
TEST_F(UserListTreeCtrlTest, FindItemFollowsRowsAsTheyAreInsertedRemovedAndRenamed) {
    const wxTreeItemId group = m_tree->AppendItem(m_root, "group");
    const wxTreeItemId other = m_tree->AppendItem(m_root, "other");
    const wxTreeItemId solo =
        m_tree->AppendItem(group, "solo", -1, -1, new UserListTreeItemData(Named("solo")));
    EXPECT_EQ(m_tree->FindItem(Named("solo"), group, false), solo);
    EXPECT_FALSE(m_tree->FindItem(Named("solo"), m_root, false).IsOk());
    EXPECT_FALSE(m_tree->FindItem(Named("solo"), other, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(Named("solo"), solo, true).IsOk());

    const wxTreeItemId front =
        m_tree->PrependItem(group, "front", -1, -1, new UserListTreeItemData(Named("solo")));
    EXPECT_EQ(m_tree->FindItem(Named("solo"), m_root, true), front);
    const wxTreeItemId after = m_tree->InsertItem(other, wxTreeItemId(), "after", -1, -1,
                                                  new UserListTreeItemData(Named("late")));
    EXPECT_EQ(m_tree->FindItem(Named("late"), m_root, true), after);
    m_tree->Delete(front);
    EXPECT_EQ(m_tree->FindItem(Named("solo"), m_root, true), solo);

    DataOf(solo)->SetUser(Named("renamed"));
    EXPECT_FALSE(m_tree->FindItem(Named("solo"), m_root, true).IsOk());
    EXPECT_EQ(m_tree->FindItem(Named("renamed"), group, false), solo);

    // Replaced data goes back to the caller and out of the lookup.
    UserListTreeItemData* replaced = DataOf(solo);
    m_tree->SetItemData(solo, new UserListTreeItemData(Named("fresh")));
    delete replaced;
    EXPECT_FALSE(m_tree->FindItem(Named("renamed"), m_root, true).IsOk());
    EXPECT_EQ(m_tree->FindItem(Named("fresh"), m_root, true), solo);

    m_tree->DeleteChildren(group);
    m_tree->DeleteChildren(other);
    EXPECT_FALSE(m_tree->FindItem(Named("fresh"), m_root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(Named("late"), m_root, true).IsOk());
}

} // namespace
