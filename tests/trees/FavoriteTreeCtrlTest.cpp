// The favourites tree: two groups, rows moving between them as favourites come and go.
#include "ui/trees/FavoriteTreeCtrl.h"
#include "tests/trees/TreeTestSupport.h"

#include <wx/imaglist.h>

#include <algorithm>
#include <map>

using namespace treetest;

namespace {

// Indices of the image list when the skin supplies all five pictures.
constexpr int OFFLINE_ICON = 0;
constexpr int FREE_ICON = 1;
constexpr int BUSY_ICON = 2;
constexpr int ONLINE_GROUP_ICON = 3;
constexpr int OFFLINE_GROUP_ICON = 4;

class FavoriteTreeCtrlTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        RequireSkin({"UserListTreeCtrl_offlineIcon", "UserListTreeCtrl_freeIcon",
                     "UserListTreeCtrl_busyIcon", "UserListTreeCtrl_onlineGroupIcon",
                     "UserListTreeCtrl_offlineGroupIcon"});
        m_tree =
            new FavoriteTreeCtrl(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, TREE_STYLE);
        m_frame->SendSizeEvent();
    }

    // As the main frame does after the first favourites reply.
    void Start(const UserList& favorites) {
        m_tree->CreateGroups();
        PostList(m_tree, favorites, 0);
        m_online = m_tree->GetOnlineGroupItem();
        m_offline = m_tree->GetOfflineGroupItem();
    }

    std::string Text(const wxTreeItemId& item) const {
        return m_tree->GetItemText(item).utf8_string();
    }

    // Texts, stored users and images of every row, to see that an event changed nothing.
    std::vector<std::string> Snapshot() const {
        std::vector<std::string> lines;
        for (const wxTreeItemId& group : {m_online, m_offline}) {
            lines.push_back(Text(group));
            for (const Row& r : Children(m_tree, group))
                lines.push_back(r.text + "|" + r.name + "|" + std::to_string(r.status) + "|" +
                                std::to_string(r.image) + "|" + std::to_string(r.selectedImage));
        }
        return lines;
    }

    FavoriteTreeCtrl* m_tree = nullptr;
    wxTreeItemId m_online;
    wxTreeItemId m_offline;
};

TEST_F(FavoriteTreeCtrlTest, GroupsWaitForTheFirstList) {
    EXPECT_EQ(m_tree->GetChildrenCount(m_tree->GetRootItem()), 0u);
    EXPECT_EQ(m_tree->GetImageList()->GetImageCount(), 3);

    m_tree->CreateGroups();
    m_tree->CreateGroups(); // a repeated call makes no second pair
    EXPECT_EQ(m_tree->GetImageList()->GetImageCount(), 5);
    const std::vector<Row> top = Children(m_tree, m_tree->GetRootItem());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].text, "Online (Loading)");
    EXPECT_EQ(top[0].image, ONLINE_GROUP_ICON);
    EXPECT_EQ(top[0].selectedImage, ONLINE_GROUP_ICON);
    EXPECT_EQ(top[1].text, "Offline (Loading)");
    EXPECT_EQ(top[1].image, OFFLINE_GROUP_ICON);
    EXPECT_FALSE(top[0].hasData || top[1].hasData);
    // Empty groups show no expand button.
    EXPECT_FALSE(m_tree->ItemHasChildren(m_tree->GetOnlineGroupItem()));
    EXPECT_FALSE(m_tree->ItemHasChildren(m_tree->GetOfflineGroupItem()));
}

TEST_F(FavoriteTreeCtrlTest, AListSplitsTheFavouritesIntoOnlineAndOffline) {
    // "odd" has a status that no category word makes: it gets no row.
    const UserList favorites = MakeList(
        {{"alice", FREE}, {"bob", BUSY}, {"carol", 0}, {"dora", 0}, {"odd", User::PUBLIC}});
    Start(favorites);

    EXPECT_EQ(Text(m_online), "Online (2)");
    EXPECT_EQ(Text(m_offline), "Offline (2)");
    EXPECT_TRUE(m_tree->IsExpanded(m_online));
    EXPECT_TRUE(m_tree->IsExpanded(m_offline));

    // The tree walks its own copy of the list, whose order is the hash map's affair.
    std::vector<std::string> online = ChildTexts(m_tree, m_online);
    std::vector<std::string> offline = ChildTexts(m_tree, m_offline);
    std::sort(online.begin(), online.end());
    std::sort(offline.begin(), offline.end());
    EXPECT_EQ(online, (std::vector<std::string>{"alice", "bob"}));
    EXPECT_EQ(offline, (std::vector<std::string>{"carol", "dora"}));

    const std::map<std::string, int> icons = {
        {"alice", FREE_ICON}, {"bob", BUSY_ICON}, {"carol", OFFLINE_ICON}, {"dora", OFFLINE_ICON}};
    for (const wxTreeItemId& group : {m_online, m_offline}) {
        for (const Row& row : Children(m_tree, group)) {
            SCOPED_TRACE(row.text);
            EXPECT_EQ(row.name, row.text);
            EXPECT_EQ(row.status, favorites.FindUser(row.name)->GetStatus());
            EXPECT_EQ(row.image, icons.at(row.text));
            EXPECT_EQ(row.selectedImage, icons.at(row.text));
        }
    }
}

TEST_F(FavoriteTreeCtrlTest, AnEmptyListCountsZeroInBothGroups) {
    Start(UserList());
    EXPECT_EQ(Text(m_online), "Online (0)");
    EXPECT_EQ(Text(m_offline), "Offline (0)");
}

TEST_F(FavoriteTreeCtrlTest, RowsMoveBetweenTheGroupsAsFavouritesComeAndGo) {
    Start(MakeList({{"alice", FREE}, {"bob", BUSY}, {"carol", 0}}));

    // Coming online: out of Offline, appended at the end of Online with its icon.
    PostUser(m_tree, wxEVT_USER_ADDED, "carol", BUSY);
    EXPECT_EQ(ChildTexts(m_tree, m_offline), std::vector<std::string>{});
    std::vector<Row> rows = Children(m_tree, m_online);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].text, "carol");
    EXPECT_EQ(rows[2].image, BUSY_ICON);
    EXPECT_EQ(rows[2].status, BUSY);
    EXPECT_EQ(Text(m_online), "Online (3)");
    EXPECT_EQ(Text(m_offline), "Offline (0)");

    // Leaving the site: out of Online, at the end of Offline, stored as status 0.
    const std::vector<std::string> onlineBefore = ChildTexts(m_tree, m_online);
    PostUser(m_tree, wxEVT_USER_DELETED, onlineBefore[0], FREE);
    EXPECT_EQ(ChildTexts(m_tree, m_online),
              (std::vector<std::string>{onlineBefore[1], onlineBefore[2]}));
    rows = Children(m_tree, m_offline);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, onlineBefore[0]);
    EXPECT_EQ(rows[0].image, OFFLINE_ICON);
    EXPECT_EQ(rows[0].status, 0u);
    EXPECT_EQ(Text(m_online), "Online (2)");
    EXPECT_EQ(Text(m_offline), "Offline (1)");

    // Busy to free: only the icon and the stored status change.
    PostUser(m_tree, wxEVT_USER_CHANGED, "carol", FREE, BUSY);
    rows = Children(m_tree, m_online);
    EXPECT_EQ(ChildTexts(m_tree, m_online),
              (std::vector<std::string>{onlineBefore[1], onlineBefore[2]}));
    EXPECT_EQ(rows[1].image, FREE_ICON);
    EXPECT_EQ(rows[1].selectedImage, FREE_ICON);
    EXPECT_EQ(rows[1].status, FREE);
    EXPECT_EQ(Text(m_online), "Online (2)");

    // A listed performer whose categories vanished (status 0) moves to Offline too.
    PostUser(m_tree, wxEVT_USER_CHANGED, "carol", 0, FREE);
    EXPECT_EQ(ChildTexts(m_tree, m_offline), (std::vector<std::string>{onlineBefore[0], "carol"}));
    EXPECT_EQ(Text(m_online), "Online (1)");
    EXPECT_EQ(Text(m_offline), "Offline (2)");
}

TEST_F(FavoriteTreeCtrlTest, EventsForOtherPerformersChangeNothing) {
    Start(MakeList({{"Anna", FREE}, {"bob", 0}}));
    const std::vector<std::string> before = Snapshot();
    PostUser(m_tree, wxEVT_USER_ADDED, "mallory", FREE);
    PostUser(m_tree, wxEVT_USER_CHANGED, "mallory", BUSY, FREE);
    PostUser(m_tree, wxEVT_USER_DELETED, "mallory", BUSY);
    // Letter case makes another performer.
    PostUser(m_tree, wxEVT_USER_DELETED, "anna", FREE);
    PostUser(m_tree, wxEVT_USER_ADDED, "BOB", BUSY);
    PostUser(m_tree, wxEVT_USER_CHANGED, "ANNA", BUSY, FREE);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(FavoriteTreeCtrlTest, ASecondListRebuildsBothGroups) {
    Start(MakeList({{"alice", FREE}, {"carol", 0}}));
    PostList(m_tree, MakeList({{"alice", BUSY}, {"dan", 0}, {"erin", FREE}}), 0);

    EXPECT_EQ(Text(m_online), "Online (2)");
    EXPECT_EQ(Text(m_offline), "Offline (1)");
    std::vector<std::string> online = ChildTexts(m_tree, m_online);
    std::sort(online.begin(), online.end());
    EXPECT_EQ(online, (std::vector<std::string>{"alice", "erin"}));
    EXPECT_EQ(ChildTexts(m_tree, m_offline), std::vector<std::string>{"dan"});
    EXPECT_EQ(m_tree->GetItemImage(ChildNamed(m_tree, m_online, "alice")), BUSY_ICON);

    // The dropped name is no longer followed.
    const std::vector<std::string> before = Snapshot();
    PostUser(m_tree, wxEVT_USER_ADDED, "carol", FREE);
    PostUser(m_tree, wxEVT_USER_DELETED, "carol", FREE);
    EXPECT_EQ(Snapshot(), before);
    PostUser(m_tree, wxEVT_USER_ADDED, "dan", FREE);
    EXPECT_EQ(Text(m_online), "Online (3)");
    EXPECT_EQ(Text(m_offline), "Offline (0)");
}

// Obvious fault avoided: a list that arrives before the groups were made still shows.
TEST_F(FavoriteTreeCtrlTest, AListBeforeTheGroupsMakesThem) {
    PostList(m_tree, MakeList({{"alice", FREE}, {"bob", 0}}), 0);
    ASSERT_TRUE(m_tree->GetOnlineGroupItem().IsOk());
    EXPECT_EQ(Text(m_tree->GetOnlineGroupItem()), "Online (1)");
    EXPECT_EQ(Text(m_tree->GetOfflineGroupItem()), "Offline (1)");
    EXPECT_EQ(m_tree->GetChildrenCount(m_tree->GetRootItem(), false), 2u);
}

} // namespace
