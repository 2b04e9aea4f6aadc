// Finding a row by typing its name's first letters, and the trees kept sorted by name.
#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trees/TreeTestSupport.h"
#include "ui/trees/AllTreeCtrl.h"
#include "ui/trees/FavoriteTreeCtrl.h"
#include "ui/trees/TypeAheadFind.h"

#include <wx/uiaction.h>

using namespace treetest;

namespace {

class FindAndSortTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        ImageStore::GetConfig()->DeleteEntry("/Trees/sortByName");
    }
    void TearDown() override {
        ImageStore::GetConfig()->DeleteEntry("/Trees/sortByName");
        TreeFrameTest::TearDown();
    }
    std::string Selected(const wxTreeCtrl* tree) const {
        const wxTreeItemId item = tree->GetSelection();
        return item.IsOk() && tree->IsSelected(item) ? tree->GetItemText(item).utf8_string() : "";
    }
};

} // namespace

// The prefix grows while the keys come within a second of each other; at a second it starts
// again. Case does not matter.
TEST(TypeAheadFindTest, ThePrefixGrowsWithinASecondAndStartsAgainAfterIt) {
    TypeAheadFind find;
    const auto start = TypeAheadFind::Clock::now();
    EXPECT_FALSE(find.IsTyping(start));
    EXPECT_EQ(find.Type('b', start), "b");
    EXPECT_EQ(find.Type('E', start + std::chrono::milliseconds(999)), "bE");
    EXPECT_TRUE(find.Matches("Bella"));
    EXPECT_FALSE(find.Matches("Bob"));
    EXPECT_FALSE(find.Matches("b"));
    EXPECT_EQ(find.Type('x', start + std::chrono::milliseconds(1999)), "x");
}

// Typed on the keyboard into a sorted tree: a letter finds the next row of that beginning, a
// second letter within the second narrows it (the toolkit's own tree would have forgotten the
// first after half a second), and after a pause a letter looks past the current row, wrapping
// around.
TEST_F(FindAndSortTest, TypingSelectsTheNextRowOfThatBeginning) {
    ImageStore::GetConfig()->Write("/Trees/sortByName", true);
    auto* tree = Make<AllTreeCtrl>();
    PostList(tree, MakeList({{"carl", FREE}, {"Bob", BUSY}, {"alice", FREE}, {"bella", FREE}}));
    tree->SetFocus();
    ASSERT_TRUE(WaitFor([tree] { return tree->HasFocus(); }));
    wxUIActionSimulator keyboard;
    const auto type = [&](int key, const std::string& expected) {
        keyboard.Char(key);
        return WaitFor([&] { return Selected(tree) == expected; }, 3000);
    };
    EXPECT_TRUE(type('b', "bella"));
    PumpEvents(650);
    EXPECT_TRUE(type('o', "Bob"));
    PumpEvents(static_cast<int>(TypeAheadFind::RESET_AFTER.count()) + 100);
    EXPECT_TRUE(type('b', "bella"));
    PumpEvents(static_cast<int>(TypeAheadFind::RESET_AFTER.count()) + 100);
    EXPECT_TRUE(type('c', "carl"));
    // Arrows are still the tree's own.
    EXPECT_TRUE(type(WXK_UP, "Bob"));
}

// Sorted, every arrival goes to its place by name, whatever its case; a favourite who comes
// online too. Turned on later, the rows there are sorted at once.
TEST_F(FindAndSortTest, SortedTreesPutEveryArrivalInItsPlace) {
    ImageStore::GetConfig()->Write("/Trees/sortByName", true);
    auto* all = Make<AllTreeCtrl>();
    PostList(all, MakeList({{"carl", FREE}, {"Bob", BUSY}, {"alice", FREE}, {"Dave", FREE}}));
    EXPECT_EQ(Texts(all, all->GetGroupItem()),
              (std::vector<std::string>{"alice", "Bob", "carl", "Dave"}));
    PostUser(all, wxEVT_USER_ADDED, "Bart", FREE);
    PostUser(all, wxEVT_USER_ADDED, "aaron", FREE);
    PostUser(all, wxEVT_USER_ADDED, "zed", FREE);
    PostUser(all, wxEVT_USER_DELETED, "Bob", BUSY);
    PostUser(all, wxEVT_USER_ADDED, "BOB", FREE);
    EXPECT_EQ(Texts(all, all->GetGroupItem()),
              (std::vector<std::string>{"aaron", "alice", "Bart", "BOB", "carl", "Dave", "zed"}));

    auto* favorites = Make<FavoriteTreeCtrl>();
    favorites->CreateGroups();
    PostList(favorites, MakeList({{"mia", FREE}, {"Kim", 0}, {"jo", 0}, {"Lea", FREE}}));
    EXPECT_EQ(Texts(favorites, favorites->GetOnlineGroupItem()),
              (std::vector<std::string>{"Lea", "mia"}));
    EXPECT_EQ(Texts(favorites, favorites->GetOfflineGroupItem()),
              (std::vector<std::string>{"jo", "Kim"}));
    PostUser(favorites, wxEVT_USER_ADDED, "Kim", FREE);
    EXPECT_EQ(Texts(favorites, favorites->GetOnlineGroupItem()),
              (std::vector<std::string>{"Kim", "Lea", "mia"}));

    ImageStore::GetConfig()->Write("/Trees/sortByName", false);
    auto* later = Make<AllTreeCtrl>();
    PostList(later, MakeList({{"c", FREE}, {"B", FREE}, {"a", FREE}}));
    PostUser(later, wxEVT_USER_ADDED, "A0", FREE);
    EXPECT_EQ(Texts(later, later->GetGroupItem()).back(), "A0");
    later->SetSortByName(true);
    EXPECT_EQ(Texts(later, later->GetGroupItem()), (std::vector<std::string>{"a", "A0", "B", "c"}));
    PostUser(later, wxEVT_USER_ADDED, "b0", FREE);
    EXPECT_EQ(Texts(later, later->GetGroupItem()),
              (std::vector<std::string>{"a", "A0", "B", "b0", "c"}));
}
