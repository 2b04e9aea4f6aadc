// The all-users tree: one group row, icons by status, the count in the label.
#include "ui/trees/AllTreeCtrl.h"
#include "tests/trees/TreeTestSupport.h"

#include <wx/imaglist.h>

#include <map>

using namespace treetest;

namespace {

// Image list indices when the skin has all three pictures.
constexpr int GROUP_ICON = 0;
constexpr int FREE_ICON = 1;
constexpr int BUSY_ICON = 2;

class AllTreeCtrlTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        RequireSkin({"UserListTreeCtrl_onlineGroupIcon", "UserListTreeCtrl_freeIcon",
                     "UserListTreeCtrl_busyIcon"});
        m_tree = Make<AllTreeCtrl>();
        m_group = m_tree->GetGroupItem();
    }
    std::string Label() const { return m_tree->GetItemText(m_group).utf8_string(); }

    AllTreeCtrl* m_tree = nullptr;
    wxTreeItemId m_group;
};

TEST_F(AllTreeCtrlTest, TheGroupRowLoadsUntilTheFirstListThenCounts) {
    EXPECT_EQ(m_tree->GetImageList()->GetImageCount(), 3);
    EXPECT_EQ(m_tree->GetImageList()->GetSize(), wxSize(16, 16));
    const std::vector<Row> top = Children(m_tree, m_tree->GetRootItem());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].text, "Online (Loading)");
    EXPECT_FALSE(top[0].hasData);
    EXPECT_EQ(top[0].image, GROUP_ICON);
    EXPECT_EQ(top[0].selectedImage, GROUP_ICON);
    EXPECT_TRUE(m_tree->ItemHasChildren(m_group));
    EXPECT_FALSE(m_tree->IsExpanded(m_group));

    PostUser(m_tree, wxEVT_USER_CHANGED, "alice", FREE, BUSY);
    EXPECT_EQ(Label(), "Online (Loading)");
    PostList(m_tree, UserList());
    EXPECT_EQ(Label(), "Online (0)");
    EXPECT_TRUE(m_tree->IsExpanded(m_group));
}

TEST_F(AllTreeCtrlTest, TheFirstListMakesRowsUnderTheGroupWithIconsByStatus) {
    const UserList list = MakeList({{"free", FREE},
                                    {"busy", BUSY},
                                    {"private", PRIVATE},
                                    {"both", User::ONLINE | User::FREE | User::BUSY},
                                    {"online", User::ONLINE},
                                    {"busyonly", User::BUSY},
                                    {"none", 0},
                                    {"publiconly", User::PUBLIC}});
    const std::vector<std::string> order = SendList(m_tree, list);

    EXPECT_EQ(Label(), "Online (8)");
    EXPECT_TRUE(m_tree->IsExpanded(m_group));
    EXPECT_EQ(m_tree->GetChildrenCount(m_tree->GetRootItem(), false), 1u);
    EXPECT_EQ(Texts(m_tree, m_group), order);
    const std::map<std::string, int> icons = {
        {"free", FREE_ICON},   {"busy", BUSY_ICON},     {"private", BUSY_ICON}, {"both", FREE_ICON},
        {"online", FREE_ICON}, {"busyonly", BUSY_ICON}, {"none", -1},           {"publiconly", -1}};
    for (const Row& row : Children(m_tree, m_group)) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.status, list.FindUser(row.name)->GetStatus());
        EXPECT_EQ(row.image, icons.at(row.text));
        EXPECT_EQ(row.selectedImage, icons.at(row.text));
    }
}

TEST_F(AllTreeCtrlTest, AddChangeAndDeleteEventsFollowThePerformers) {
    PostList(m_tree, MakeList({{"alice", FREE}, {"Zed", FREE}}));
    // Collapsed by hand, the group stays so.
    m_tree->Collapse(m_group);

    PostUser(m_tree, wxEVT_USER_ADDED, "zed", BUSY);
    std::vector<Row> rows = Children(m_tree, m_group);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].text, "zed");
    EXPECT_EQ(rows[2].image, BUSY_ICON);
    EXPECT_EQ(Label(), "Online (3)");

    // The icon swaps (also the selected one) and, passed on to the base tree's handler, the
    // user is stored; text and count stay. "Zed" is another performer.
    PostUser(m_tree, wxEVT_USER_CHANGED, "zed", FREE, BUSY);
    PostUser(m_tree, wxEVT_USER_CHANGED, "Zed", BUSY, FREE);
    rows = Children(m_tree, m_group);
    EXPECT_EQ(rows[2].text, "zed");
    EXPECT_EQ(rows[2].image, FREE_ICON);
    EXPECT_EQ(rows[2].selectedImage, FREE_ICON);
    EXPECT_EQ(rows[2].status, FREE);
    EXPECT_EQ(m_tree->GetItemImage(ChildNamed(m_tree, m_group, "Zed")), BUSY_ICON);
    EXPECT_EQ(Label(), "Online (3)");

    PostUser(m_tree, wxEVT_USER_DELETED, "Zed", FREE);
    PostUser(m_tree, wxEVT_USER_DELETED, "nobody", FREE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "nobody", BUSY, FREE);
    EXPECT_EQ(Texts(m_tree, m_group, true), (std::vector<std::string>{"alice", "zed"}));
    EXPECT_EQ(Label(), "Online (2)");
    EXPECT_FALSE(m_tree->IsExpanded(m_group));
}

// The user events are plain events: whatever the tree does with them, they never travel on
// to its parent, and neither does the "Profile" command that activation makes.
TEST_F(AllTreeCtrlTest, EventsStayAtTheTree) {
    int reachedParent = 0;
    auto count = [&](wxEvent&) { ++reachedParent; };
    m_frame->Bind(wxEVT_USER_ADDED, count);
    m_frame->Bind(wxEVT_USER_CHANGED, count);
    m_frame->Bind(wxEVT_USER_DELETED, count);
    m_frame->Bind(wxEVT_USER_LIST_INITIALIZED, count);
    m_frame->Bind(wxEVT_MENU, count);

    PostList(m_tree, MakeList({{"alice", FREE}}));
    PostUser(m_tree, wxEVT_USER_ADDED, "bob", BUSY);
    PostUser(m_tree, wxEVT_USER_CHANGED, "bob", FREE, BUSY);
    PostUser(m_tree, wxEVT_USER_CHANGED, "nobody", FREE, BUSY);
    PostUser(m_tree, wxEVT_USER_DELETED, "nobody", FREE);
    wxTreeEvent activated(wxEVT_TREE_ITEM_ACTIVATED, m_tree, m_group);
    m_tree->GetEventHandler()->ProcessEvent(activated);
    EXPECT_EQ(reachedParent, 0);
}

} // namespace
