// The base tree: one row per performer under the root, and the row lookup.
#include "tests/trees/TreeTestSupport.h"
#include "ui/trees/UserListTreeItemData.h"

using namespace treetest;

namespace {

class UserListTreeCtrlTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        m_tree =
            new UserListTreeCtrl(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, TREE_STYLE);
    }
    UserListTreeCtrl* m_tree = nullptr;
};

TEST_F(UserListTreeCtrlTest, ListAddDeleteAndChangeKeepOneRowPerPerformerUnderTheRoot) {
    const wxTreeItemId root = m_tree->GetRootItem();
    ASSERT_TRUE(root.IsOk());
    EXPECT_EQ(m_tree->GetItemText(root), "");
    EXPECT_EQ(m_tree->GetItemData(root), nullptr);
    EXPECT_EQ(m_tree->GetImageList(), nullptr);

    const UserList list = MakeList({{"alice", FREE}, {"bob", BUSY}, {"carol", 0}});
    const std::vector<std::string> order = SendList(m_tree, list);
    ASSERT_EQ(ChildTexts(m_tree, root), order);
    std::vector<Row> rows = Children(m_tree, root);
    for (const Row& row : rows) {
        EXPECT_TRUE(row.hasData);
        EXPECT_EQ(row.name, row.text);
        EXPECT_EQ(row.status, list.FindUser(row.name)->GetStatus());
        EXPECT_EQ(row.image, -1);
        EXPECT_EQ(row.selectedImage, -1);
    }

    // An addition goes last, without a check for duplicates.
    PostUser(m_tree, wxEVT_USER_ADDED, "dave", BUSY);
    PostUser(m_tree, wxEVT_USER_ADDED, "alice", PRIVATE);
    rows = Children(m_tree, root);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].text, "dave");
    EXPECT_EQ(rows[4].text, "alice");

    // A change stores the user in the first matching row only; the text stays.
    PostUser(m_tree, wxEVT_USER_CHANGED, "alice", User::ONLINE, FREE);
    const wxTreeItemId first = ChildNamed(m_tree, root, "alice");
    EXPECT_EQ(Children(m_tree, root).back().status, PRIVATE);
    const auto* data = static_cast<UserListTreeItemData*>(m_tree->GetItemData(first));
    EXPECT_EQ(data->GetUser().GetStatus(), static_cast<unsigned long>(User::ONLINE));
    EXPECT_EQ(m_tree->GetItemText(first), "alice");

    // Deletions of absent names change nothing; a deletion removes the first match.
    PostUser(m_tree, wxEVT_USER_DELETED, "nobody", FREE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "nobody", FREE, 0);
    EXPECT_EQ(Children(m_tree, root).size(), 5u);
    PostUser(m_tree, wxEVT_USER_DELETED, "alice", FREE);
    rows = Children(m_tree, root);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.back().text, "alice");
    EXPECT_EQ(rows.back().status, PRIVATE);

    // A second list adds every user again.
    PostList(m_tree, list);
    EXPECT_EQ(Children(m_tree, root).size(), 7u);
}

TEST_F(UserListTreeCtrlTest, NamesDifferingOnlyInCaseAreDifferentPerformers) {
    const wxTreeItemId root = m_tree->GetRootItem();
    PostUser(m_tree, wxEVT_USER_ADDED, "Anna", FREE);
    PostUser(m_tree, wxEVT_USER_ADDED, "anna", BUSY);
    EXPECT_FALSE(m_tree->FindItem(User("ANNA", 0), root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("Ann", 0), root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("Annaa", 0), root, true).IsOk());

    PostUser(m_tree, wxEVT_USER_CHANGED, "anna", PRIVATE, BUSY);
    PostUser(m_tree, wxEVT_USER_DELETED, "ANNA", FREE);
    const std::vector<Row> rows = Children(m_tree, root);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "Anna");
    EXPECT_EQ(rows[0].status, FREE);
    EXPECT_EQ(rows[1].name, "anna");
    EXPECT_EQ(rows[1].status, PRIVATE);

    PostUser(m_tree, wxEVT_USER_DELETED, "Anna", FREE);
    EXPECT_EQ(ChildTexts(m_tree, root), std::vector<std::string>{"anna"});
}

// Rows made by hand in the shape the derived trees use: groups without data, user rows below.
TEST_F(UserListTreeCtrlTest, FindItemSearchesAChildsSubtreeBeforeTheChildAndComparesNamesOnly) {
    const wxTreeItemId root = m_tree->GetRootItem();
    const wxTreeItemId group = m_tree->AppendItem(root, "group");
    const wxTreeItemId outer =
        m_tree->AppendItem(root, "outer", -1, -1, new UserListTreeItemData(User("eve", FREE)));
    const wxTreeItemId inner =
        m_tree->AppendItem(outer, "inner", -1, -1, new UserListTreeItemData(User("eve", BUSY)));
    const wxTreeItemId grouped =
        m_tree->AppendItem(group, "x", -1, -1, new UserListTreeItemData(User("zoe", 0)));
    const wxTreeItemId later =
        m_tree->AppendItem(root, "y", -1, -1, new UserListTreeItemData(User("zoe", FREE)));

    // The inner row of "outer" comes before "outer" itself; the status plays no part.
    EXPECT_EQ(m_tree->FindItem(User("eve", 0), root, true), inner);
    EXPECT_EQ(m_tree->FindItem(User("eve", 0), root, false), outer);
    EXPECT_EQ(m_tree->FindItem(User("zoe", BUSY), root, true), grouped);
    EXPECT_EQ(m_tree->FindItem(User("zoe", BUSY), root, false), later);
    EXPECT_EQ(m_tree->FindItem(User("zoe", 0), group, false), grouped);
    // Rows without data never match, whatever their text.
    EXPECT_FALSE(m_tree->FindItem(User("group", 0), root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("", 0), root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("eve", 0), group, true).IsOk());
}

// The lookup must see every way rows come and go, whichever path answers it.
TEST_F(UserListTreeCtrlTest, FindItemFollowsRowsAsTheyAreInsertedRemovedAndRenamed) {
    const wxTreeItemId root = m_tree->GetRootItem();
    const wxTreeItemId group = m_tree->AppendItem(root, "group");
    const wxTreeItemId other = m_tree->AppendItem(root, "other");
    const wxTreeItemId solo =
        m_tree->AppendItem(group, "solo", -1, -1, new UserListTreeItemData(User("solo", FREE)));

    EXPECT_EQ(m_tree->FindItem(User("solo", 0), root, true), solo);
    EXPECT_EQ(m_tree->FindItem(User("solo", 0), group, false), solo);
    EXPECT_FALSE(m_tree->FindItem(User("solo", 0), root, false).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("solo", 0), other, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("solo", 0), solo, true).IsOk());

    // Inserted in front and after another row: the first in the walk wins.
    const wxTreeItemId front =
        m_tree->PrependItem(group, "front", -1, -1, new UserListTreeItemData(User("solo", 0)));
    EXPECT_EQ(m_tree->FindItem(User("solo", 0), root, true), front);
    const wxTreeItemId after = m_tree->InsertItem(other, wxTreeItemId(), "after", -1, -1,
                                                  new UserListTreeItemData(User("late", 0)));
    EXPECT_EQ(m_tree->FindItem(User("late", 0), root, true), after);
    m_tree->Delete(front);
    EXPECT_EQ(m_tree->FindItem(User("solo", 0), root, true), solo);

    // A stored user that changes its name is found under the new name only.
    static_cast<UserListTreeItemData*>(m_tree->GetItemData(solo))->SetUser(User("renamed", 0));
    EXPECT_FALSE(m_tree->FindItem(User("solo", 0), root, true).IsOk());
    EXPECT_EQ(m_tree->FindItem(User("renamed", 0), group, false), solo);

    // Data replaced by hand: the old object goes back to the caller and out of the lookup.
    auto* replaced = static_cast<UserListTreeItemData*>(m_tree->GetItemData(solo));
    m_tree->SetItemData(solo, new UserListTreeItemData(User("fresh", 0)));
    delete replaced;
    EXPECT_FALSE(m_tree->FindItem(User("renamed", 0), root, true).IsOk());
    EXPECT_EQ(m_tree->FindItem(User("fresh", 0), root, true), solo);

    m_tree->DeleteChildren(group);
    m_tree->DeleteChildren(other);
    EXPECT_FALSE(m_tree->FindItem(User("fresh", 0), root, true).IsOk());
    EXPECT_FALSE(m_tree->FindItem(User("late", 0), root, true).IsOk());
}

} // namespace
