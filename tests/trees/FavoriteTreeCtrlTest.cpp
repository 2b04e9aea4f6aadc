// The favourites tree: two groups, rows moving between them as favourites come and go.
#include "ui/trees/FavoriteTreeCtrl.h"
#include "tests/trees/TreeTestSupport.h"

#include <wx/imaglist.h>

#include <map>

using namespace treetest;

namespace {

// Image list indices when the skin has all five pictures.
constexpr int OFFLINE_ICON = 0;
constexpr int FREE_ICON = 1;
constexpr int BUSY_ICON = 2;

class FavoriteTreeCtrlTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        RequireSkin({"UserListTreeCtrl_offlineIcon", "UserListTreeCtrl_freeIcon",
                     "UserListTreeCtrl_busyIcon", "UserListTreeCtrl_onlineGroupIcon",
                     "UserListTreeCtrl_offlineGroupIcon"});
        m_tree = Make<FavoriteTreeCtrl>();
    }
    // As the main frame does after the first favourites reply.
    void Start(const UserList& favorites) {
        m_tree->CreateGroups();
        PostList(m_tree, favorites, 0);
        m_online = m_tree->GetOnlineGroupItem();
        m_offline = m_tree->GetOfflineGroupItem();
    }
    std::string Labels() const {
        return (m_tree->GetItemText(m_online) + " " + m_tree->GetItemText(m_offline)).utf8_string();
    }
    // Texts, stored users and images of every row, to see that an event changed nothing.
    std::string Snapshot() const {
        std::string all = Labels();
        for (const wxTreeItemId& group : {m_online, m_offline})
            for (const Row& r : Children(m_tree, group))
                all += "|" + r.text + "," + r.name + "," + std::to_string(r.status) + "," +
                       std::to_string(r.image) + "," + std::to_string(r.selectedImage);
        return all;
    }

    FavoriteTreeCtrl* m_tree = nullptr;
    wxTreeItemId m_online;
    wxTreeItemId m_offline;
};

TEST_F(FavoriteTreeCtrlTest, GroupsAppearOnRequestAndFillWithTheList) {
    EXPECT_EQ(m_tree->GetChildrenCount(m_tree->GetRootItem()), 0u);
    m_tree->CreateGroups();
    m_tree->CreateGroups(); // a repeated call makes no second pair
    EXPECT_EQ(m_tree->GetImageList()->GetImageCount(), 5);
    const std::vector<Row> top = Children(m_tree, m_tree->GetRootItem());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].text, "Online (Loading)");
    EXPECT_EQ(top[1].text, "Offline (Loading)");
    EXPECT_EQ(top[0].image, 3);
    EXPECT_EQ(top[1].selectedImage, 4);
    EXPECT_FALSE(m_tree->ItemHasChildren(m_tree->GetOnlineGroupItem()));

    // "odd" has a status that no category word makes: it gets no row.
    const UserList favorites = MakeList(
        {{"alice", FREE}, {"bob", BUSY}, {"carol", 0}, {"dora", 0}, {"odd", User::PUBLIC}});
    Start(favorites);
    EXPECT_EQ(Labels(), "Online (2) Offline (2)");
    EXPECT_TRUE(m_tree->IsExpanded(m_online));
    EXPECT_TRUE(m_tree->IsExpanded(m_offline));
    EXPECT_EQ(Texts(m_tree, m_online, true), (std::vector<std::string>{"alice", "bob"}));
    EXPECT_EQ(Texts(m_tree, m_offline, true), (std::vector<std::string>{"carol", "dora"}));
    const std::map<std::string, int> icons = {
        {"alice", FREE_ICON}, {"bob", BUSY_ICON}, {"carol", OFFLINE_ICON}, {"dora", OFFLINE_ICON}};
    for (const wxTreeItemId& group : {m_online, m_offline}) {
        for (const Row& row : Children(m_tree, group)) {
            SCOPED_TRACE(row.text);
            EXPECT_EQ(row.status, favorites.FindUser(row.name)->GetStatus());
            EXPECT_EQ(row.image, icons.at(row.text));
            EXPECT_EQ(row.selectedImage, icons.at(row.text));
        }
    }

    Start(UserList());
    EXPECT_EQ(Labels(), "Online (0) Offline (0)");
}

TEST_F(FavoriteTreeCtrlTest, RowsMoveBetweenTheGroupsAsFavouritesComeAndGo) {
    Start(MakeList({{"alice", FREE}, {"carol", 0}}));

    // Coming online: out of Offline, to the end of Online with its icon.
    PostUser(m_tree, wxEVT_USER_ADDED, "carol", BUSY);
    std::vector<Row> rows = Children(m_tree, m_online);
    ASSERT_EQ(Texts(m_tree, m_online), (std::vector<std::string>{"alice", "carol"}));
    EXPECT_EQ(rows[1].image, BUSY_ICON);
    EXPECT_EQ(rows[1].status, BUSY);
    EXPECT_EQ(Labels(), "Online (2) Offline (0)");

    // Leaving the site: to the end of Offline, stored as status 0.
    PostUser(m_tree, wxEVT_USER_DELETED, "alice", FREE);
    rows = Children(m_tree, m_offline);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "alice");
    EXPECT_EQ(rows[0].image, OFFLINE_ICON);
    EXPECT_EQ(rows[0].status, 0u);
    EXPECT_EQ(Labels(), "Online (1) Offline (1)");

    // Busy to free: only the icon and the stored status change.
    PostUser(m_tree, wxEVT_USER_CHANGED, "carol", FREE, BUSY);
    rows = Children(m_tree, m_online);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].image, FREE_ICON);
    EXPECT_EQ(rows[0].selectedImage, FREE_ICON);
    EXPECT_EQ(rows[0].status, FREE);
    EXPECT_EQ(Labels(), "Online (1) Offline (1)");

    // Still listed but without a category (status 0): to Offline as well.
    PostUser(m_tree, wxEVT_USER_CHANGED, "carol", 0, FREE);
    EXPECT_EQ(Texts(m_tree, m_offline), (std::vector<std::string>{"alice", "carol"}));
    EXPECT_EQ(Labels(), "Online (0) Offline (2)");
}

TEST_F(FavoriteTreeCtrlTest, OnlyTheFavouritesOfTheLatestListAreFollowed) {
    Start(MakeList({{"Anna", FREE}, {"carol", 0}}));
    std::string before = Snapshot();
    PostUser(m_tree, wxEVT_USER_ADDED, "mallory", FREE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "mallory", BUSY, FREE);
    PostUser(m_tree, wxEVT_USER_DELETED, "anna", FREE);
    PostUser(m_tree, wxEVT_USER_ADDED, "CAROL", BUSY);
    EXPECT_EQ(Snapshot(), before);

    // A second list rebuilds both groups; the dropped name is no longer followed.
    PostList(m_tree, MakeList({{"Anna", BUSY}, {"dan", 0}, {"erin", FREE}}), 0);
    EXPECT_EQ(Labels(), "Online (2) Offline (1)");
    EXPECT_EQ(Texts(m_tree, m_online, true), (std::vector<std::string>{"Anna", "erin"}));
    EXPECT_EQ(Texts(m_tree, m_offline), std::vector<std::string>{"dan"});
    EXPECT_EQ(m_tree->GetItemImage(ChildNamed(m_tree, m_online, "Anna")), BUSY_ICON);
    before = Snapshot();
    PostUser(m_tree, wxEVT_USER_ADDED, "carol", FREE);
    PostUser(m_tree, wxEVT_USER_DELETED, "carol", FREE);
    EXPECT_EQ(Snapshot(), before);
}

// Obvious fault avoided: a list that arrives before the groups were made still shows.
TEST_F(FavoriteTreeCtrlTest, AListBeforeTheGroupsMakesThem) {
    PostList(m_tree, MakeList({{"alice", FREE}, {"bob", 0}}), 0);
    m_online = m_tree->GetOnlineGroupItem();
    m_offline = m_tree->GetOfflineGroupItem();
    ASSERT_TRUE(m_online.IsOk());
    EXPECT_EQ(Labels(), "Online (1) Offline (1)");
    EXPECT_EQ(m_tree->GetChildrenCount(m_tree->GetRootItem(), false), 2u);
}

} // namespace
