#include "core/UserEvent.h"
#include "core/UserListEvent.h"
#include "tests/support/EventRecorder.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

TEST(UserEventTest, PostedListIsTheListAtPostingTime) {
    EventRecorder recorder;
    UserList list;
    list.AddUser(User("a", 0x01));
    list.AddUser(User("b", 0x03));
    {
        auto event = std::make_unique<UserListEvent>(wxEVT_USER_LIST_INITIALIZED, -1);
        event->SetUserList(list);
        recorder.AddPendingEvent(*event);
        // The sender reuses and then destroys its event and changes its own list.
        event->SetUserList(UserList());
        list.AddUser(User("c", 0x01));
        list.AddUser(User("a", 0x15));
    }
    list.Clear();
    ASSERT_TRUE(WaitFor([&] { return !recorder.records.empty(); }));
    const auto& received = recorder.records.front();
    EXPECT_EQ(received.type, wxEVT_USER_LIST_INITIALIZED);
    EXPECT_EQ(received.id, -1);
    ASSERT_EQ(received.list.size(), 2u);
    EXPECT_EQ(received.list.GetUser("a").GetStatus(), 0x01u);
    EXPECT_EQ(received.list.FindUser("c"), nullptr);
}

TEST(UserEventTest, ListEventClonesAndReplaces) {
    UserListEvent empty(wxEVT_USER_LIST_INITIALIZED, 0);
    std::unique_ptr<wxEvent> emptyClone(empty.Clone());
    auto* emptyCopy = dynamic_cast<UserListEvent*>(emptyClone.get());
    ASSERT_NE(emptyCopy, nullptr);
    EXPECT_TRUE(emptyCopy->GetUserList().empty());
    EXPECT_EQ(emptyCopy->GetId(), 0);
    EXPECT_EQ(emptyCopy->GetEventType(), wxEVT_USER_LIST_INITIALIZED);

    UserList first, second;
    first.AddUser(User("a", 0x01));
    second.AddUser(User("b", 0x03));
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
    event.SetUserList(first);
    event.SetUserList(second);
    EXPECT_EQ(event.GetUserList().size(), 1u);
    EXPECT_EQ(event.GetUserList().FindUser("a"), nullptr);

    std::unique_ptr<wxEvent> clone(event.Clone());
    event.SetUserList(first);
    const auto& clonedList = static_cast<UserListEvent*>(clone.get())->GetUserList();
    ASSERT_EQ(clonedList.size(), 1u);
    EXPECT_NE(clonedList.FindUser("b"), nullptr);
}

TEST(UserEventTest, UserEventCopiesCarryUserAndOldStatus) {
    User user("a", 0x03);
    UserEvent event(user, wxEVT_USER_CHANGED, UserEvent::NO_OLD_STATUS);
    user.SetStatus(0x15);
    EXPECT_EQ(event.GetId(), -1);
    EXPECT_EQ(event.GetUser().GetStatus(), 0x03u);
    EXPECT_EQ(event.GetOldStatus(), 0xFFFFFFFFu);

    event.SetOldStatus(0x01);
    std::unique_ptr<wxEvent> clone(event.Clone());
    event.SetOldStatus(0x0D);
    auto* cloned = dynamic_cast<UserEvent*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->GetOldStatus(), 0x01u);
    EXPECT_EQ(cloned->GetUser(), User("a", 0x03));
    EXPECT_EQ(cloned->GetEventType(), wxEVT_USER_CHANGED);

    // A receiver re-dispatches an addition as a change from status 0.
    UserEvent added(User("b", 0x01), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
    UserEvent redispatched(added);
    redispatched.SetEventType(wxEVT_USER_CHANGED);
    redispatched.SetOldStatus(0);
    EXPECT_EQ(redispatched.GetUser(), User("b", 0x01));
    EXPECT_EQ(redispatched.GetEventType(), wxEVT_USER_CHANGED);
    EXPECT_EQ(added.GetEventType(), wxEVT_USER_ADDED);
    EXPECT_EQ(added.GetOldStatus(), 0xFFFFFFFFu);
}
