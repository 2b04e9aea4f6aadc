#include "core/UserList.h"

#include <gtest/gtest.h>

namespace {

UserList MakeList(std::initializer_list<User> users) {
    UserList list;
    for (const User& user : users)
        list.AddUser(user);
    return list;
}

} // namespace

TEST(UserListTest, NamesAreExactIdentitiesAndAddUserOverwrites) {
    UserList list;
    list.AddUser(User("anna", 0x03));
    list.AddUser(User("anna", 0x0D));
    list.AddUser(User("Anna", 0x01));
    ASSERT_EQ(list.size(), 2u);
    ASSERT_NE(list.FindUser("anna"), nullptr);
    EXPECT_EQ(list.FindUser("anna")->GetStatus(), 0x0Du);
    EXPECT_EQ(list.FindUser("anna")->GetName(), "anna");
    EXPECT_EQ(list.FindUser("Anna")->GetStatus(), 0x01u);

    EXPECT_EQ(list.FindUser("ann"), nullptr);
    EXPECT_EQ(list.FindUser("ANNA"), nullptr);
    list.RemoveUser("nobody");
    EXPECT_EQ(list.size(), 2u);
    list.RemoveUser("Anna");
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(list.FindUser("Anna"), nullptr);
}

TEST(UserListTest, CopiesAreIndependent) {
    UserList original = MakeList({User("a", 0x01), User("b", 0x03)});
    UserList copy(original);
    UserList assigned;
    assigned = original;
    original.AddUser(User("a", 0x15));
    original.RemoveUser("b");
    EXPECT_EQ(copy.GetUser("a").GetStatus(), 0x01u);
    EXPECT_EQ(assigned.GetUser("a").GetStatus(), 0x01u);
    EXPECT_NE(copy.FindUser("b"), nullptr);
    EXPECT_NE(assigned.FindUser("b"), nullptr);

    User user("c", 0x03);
    User other(user);
    other.SetStatus(0x0D);
    EXPECT_TRUE(user != other);
    EXPECT_TRUE(User("c", 0x03) == user);
    EXPECT_FALSE(User("C", 0x03) == user);
}

TEST(UserListTest, DifferenceClassifiesEveryUser) {
    const UserList older = MakeList(
        {User("stays", 0x03), User("changes", 0x03), User("leaves", 0x15), User("Case", 0x01)});
    const UserList newer = MakeList(
        {User("stays", 0x03), User("changes", 0x0D), User("arrives", 0x01), User("case", 0x01)});
    UserList added, deleted, changed;
    older.GetDifference(newer, added, deleted, changed);

    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added.GetUser("arrives").GetStatus(), 0x01u);
    EXPECT_NE(added.FindUser("case"), nullptr);
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted.GetUser("leaves").GetStatus(), 0x15u);
    EXPECT_NE(deleted.FindUser("Case"), nullptr);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed.GetUser("changes").GetStatus(), 0x0Du);
    // The old status is still read from the older list, which the call left alone.
    EXPECT_EQ(older.GetUser("changes").GetStatus(), 0x03u);
    EXPECT_EQ(older.size(), 4u);
}

TEST(UserListTest, DifferenceEdgeLists) {
    const UserList some = MakeList({User("a", 0x01), User("b", 0x03), User("c", 0x0D)});
    const UserList none;
    {
        UserList added, deleted, changed;
        some.GetDifference(UserList(some), added, deleted, changed);
        EXPECT_TRUE(added.empty());
        EXPECT_TRUE(deleted.empty());
        EXPECT_TRUE(changed.empty());
    }
    {
        UserList added, deleted, changed;
        none.GetDifference(some, added, deleted, changed);
        EXPECT_EQ(added.size(), 3u);
        EXPECT_TRUE(deleted.empty());
        EXPECT_TRUE(changed.empty());
    }
    {
        UserList added, deleted, changed;
        some.GetDifference(none, added, deleted, changed);
        EXPECT_TRUE(added.empty());
        ASSERT_EQ(deleted.size(), 3u);
        EXPECT_EQ(deleted.GetUser("c").GetStatus(), 0x0Du);
        EXPECT_TRUE(changed.empty());
    }
}

TEST(UserListTest, DifferenceOverwritesDeletedButAppendsToAddedAndChanged) {
    const UserList older = MakeList({User("gone", 0x01), User("moved", 0x03)});
    const UserList newer = MakeList({User("new", 0x01), User("moved", 0x05)});
    UserList added = MakeList({User("earlierAdded", 0x01)});
    UserList deleted = MakeList({User("earlierDeleted", 0x01)});
    UserList changed = MakeList({User("earlierChanged", 0x01)});
    older.GetDifference(newer, added, deleted, changed);

    EXPECT_EQ(added.size(), 2u);
    EXPECT_NE(added.FindUser("earlierAdded"), nullptr);
    EXPECT_EQ(changed.size(), 2u);
    EXPECT_NE(changed.FindUser("earlierChanged"), nullptr);
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_NE(deleted.FindUser("gone"), nullptr);
}
