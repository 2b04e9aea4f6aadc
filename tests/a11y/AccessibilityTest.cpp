// The program as a screen reader reads it over AT-SPI: the trees' nested rows with their texts
// and states, the row that the arrows reach announced; the pop-ups and the summary as
// notifications named with what happened, announced as they appear; the "Recent" rows, the
// last sessions and the week grid's cells with what their tooltips say.
#include "history/HistoryStore.h"
#include "tests/history/HistoryTestSupport.h"
#include "tests/popup/PopupTestSupport.h"
#include "tests/support/AccessibilityProbe.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trees/TreeTestSupport.h"
#include "ui/history/HistoryWindow.h"
#include "ui/history/WeekGridPanel.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/RecentAnnouncements.h"
#include "ui/popup/RecentListCtrl.h"
#include "ui/trees/AllTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include <algorithm>

namespace {

using Object = AccessibilityProbe::Object;
using Event = AccessibilityProbe::Event;

// The first object of the role (and name, when given), or objects.end().
std::vector<Object>::const_iterator Find(const std::vector<Object>& objects,
                                         const std::string& role, const std::string& name = "") {
    return std::find_if(objects.begin(), objects.end(), [&](const Object& object) {
        return object.role == role && (name.empty() || object.name == name);
    });
}

// The children of the object at parent, in their order.
std::vector<Object> ChildrenOf(const std::vector<Object>& objects,
                               std::vector<Object>::const_iterator parent) {
    std::vector<Object> children;
    for (auto it = parent + 1; it != objects.end() && it->depth > parent->depth; ++it) {
        if (it->depth == parent->depth + 1)
            children.push_back(*it);
    }
    return children;
}

std::vector<std::string> Names(const std::vector<Object>& objects) {
    std::vector<std::string> names;
    for (const Object& object : objects)
        names.push_back(object.name);
    return names;
}

// Whether the object at parent has a descendant of the role and name.
bool HasDescendant(const std::vector<Object>& objects, std::vector<Object>::const_iterator parent,
                   const std::string& role, const std::string& name) {
    for (auto it = parent + 1; it != objects.end() && it->depth > parent->depth; ++it) {
        if (it->role == role && it->name == name)
            return true;
    }
    return false;
}

// A shown, active frame whose controls get the keys.
class AccessibleFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame = new wxFrame(nullptr, wxID_ANY, "a11y", wxPoint(40, 40), wxSize(360, 480));
        m_frame->Show();
        m_frame->Raise();
        ASSERT_TRUE(WaitFor([this] { return m_frame->IsActive(); }));
    }
    void TearDown() override {
        m_frame->Destroy();
        PumpEvents(50);
    }

    // Focuses the control and waits until the toolkit says so.
    static void Focus(wxWindow* control) {
        control->SetFocus();
        ASSERT_TRUE(WaitFor([control] { return wxWindow::FindFocus() == control; }));
    }

    // Sends the key and waits until the probe has heard control's current item move to name.
    static bool ArrowAnnounces(AccessibilityProbe& probe, int key, const std::string& role,
                               const std::string& name) {
        wxUIActionSimulator().Char(key);
        const bool descendant = probe.WaitForEvent([&](const Event& event) {
            return event.type == "object:active-descendant-changed" && event.role == role &&
                   event.name == name;
        });
        const bool focused = probe.WaitForEvent([&](const Event& event) {
            return event.type == "object:state-changed:focused" && event.role == role &&
                   event.name == name && event.detail1 == 1;
        });
        return descendant && focused;
    }

    wxFrame* m_frame = nullptr;
};

TEST_F(AccessibleFrameTest, TreeRowsAreNestedObjectsWithTextsAndStatesAndTheArrowsAnnounceTheRow) {
    auto* tree =
        new AllTreeCtrl(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                        wxTR_HAS_BUTTONS | wxTR_NO_LINES | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT);
    m_frame->SendSizeEvent();
    treetest::SendList(
        tree, treetest::MakeList(
                  {{"anna", treetest::FREE}, {"bea", treetest::BUSY}, {"cora", treetest::FREE}}));
    const wxTreeItemId group = tree->GetGroupItem();
    ASSERT_TRUE(tree->IsExpanded(group));
    std::vector<std::string> rows;
    std::vector<wxTreeItemId> ids;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId row = tree->GetFirstChild(group, cookie); row.IsOk();
         row = tree->GetNextChild(group, cookie)) {
        rows.push_back(tree->GetItemText(row).ToStdString());
        ids.push_back(row);
    }
    ASSERT_EQ(rows.size(), 3u);
    Focus(tree);
    tree->SelectItem(ids[0]);

    const std::vector<Object> objects = AccessibilityProbe::Dump();
    const auto treeObject = Find(objects, "tree");
    ASSERT_NE(treeObject, objects.end());
    const std::vector<Object> top = ChildrenOf(objects, treeObject);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].role, "tree item");
    EXPECT_EQ(top[0].name, tree->GetItemText(group).ToStdString());
    EXPECT_TRUE(top[0].Has("expandable") && top[0].Has("expanded"));
    const std::vector<Object> children =
        ChildrenOf(objects, Find(objects, "tree item", top[0].name));
    EXPECT_EQ(Names(children), rows);
    ASSERT_EQ(children.size(), 3u);
    EXPECT_TRUE(children[0].Has("selected") && children[0].Has("focused"));
    EXPECT_FALSE(children[1].Has("selected") || children[1].Has("focused"));
    EXPECT_TRUE(children[1].Has("showing") && children[1].Has("selectable"));

    AccessibilityProbe probe({"object:active-descendant-changed", "object:state-changed:focused"});
    ASSERT_TRUE(probe.WaitReady());
    EXPECT_TRUE(ArrowAnnounces(probe, WXK_DOWN, "tree item", rows[1]));
    EXPECT_EQ(tree->GetSelection(), ids[1]);
    // Up past the first row reaches the group row above it.
    EXPECT_TRUE(ArrowAnnounces(probe, WXK_UP, "tree item", rows[0]));
    EXPECT_TRUE(ArrowAnnounces(probe, WXK_UP, "tree item", top[0].name));
}

TEST_F(AccessibleFrameTest, RecentRowsCarryTheirColumnsAndTheArrowsAnnounceTheRow) {
    RecentAnnouncements recent;
    recent.Add("anna", PopupDialog::KIND_ONLINE, RecentAnnouncements::SHOWN);
    recent.Add("bea", PopupDialog::KIND_FREE, RecentAnnouncements::FOLDED);
    auto* list = new RecentListCtrl(m_frame, &recent);
    m_frame->SendSizeEvent();
    PumpEvents();
    const std::string newest = list->GetItemText(0, RecentListCtrl::COLUMN_NAME).ToStdString();
    ASSERT_EQ(newest, "bea");
    Focus(list);
    list->Select(0);
    list->Focus(0);

    const std::vector<Object> objects = AccessibilityProbe::Dump();
    const auto listObject = Find(objects, "list");
    ASSERT_NE(listObject, objects.end());
    const std::vector<Object> rows = ChildrenOf(objects, listObject);
    ASSERT_EQ(rows.size(), 2u);
    std::vector<std::string> expected;
    for (long row = 0; row < 2; ++row) {
        wxString texts;
        for (int column = RecentListCtrl::COLUMN_TIME; column <= RecentListCtrl::COLUMN_OUTCOME;
             ++column)
            texts += (column ? ", " : "") + list->GetItemText(row, column);
        expected.push_back(texts.ToStdString());
    }
    EXPECT_EQ(Names(rows), expected);
    EXPECT_EQ(rows[0].role, "list item");
    EXPECT_TRUE(rows[0].Has("selected") && rows[0].Has("focused"));
    EXPECT_FALSE(rows[1].Has("selected"));

    AccessibilityProbe probe({"object:active-descendant-changed", "object:state-changed:focused"});
    ASSERT_TRUE(probe.WaitReady());
    EXPECT_TRUE(ArrowAnnounces(probe, WXK_DOWN, "list item", expected[1]));
    EXPECT_EQ(list->GetFirstSelected(), 1);

    // A new entry moves every row: the screen reader reads the new first row.
    recent.Add("cora", PopupDialog::KIND_ONLINE, RecentAnnouncements::SHOWN);
    list->ScheduleReload();
    ASSERT_TRUE(WaitFor([list] { return list->GetItemCount() == 3; }));
    const std::vector<Object> after = AccessibilityProbe::Dump();
    const std::vector<Object> moved = ChildrenOf(after, Find(after, "list"));
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_NE(moved[0].name.find("cora"), std::string::npos) << moved[0].name;
}

class AccessiblePopupTest : public PopupSiteTest {};

TEST_F(AccessiblePopupTest, PopupsAndTheSummaryAreNotificationsAnnouncedWithWhatHappened) {
    MakeKnown("anna");
    MakeKnown("bea");
    AccessibilityProbe probe({"object:state-changed:showing", "window:create"});
    ASSERT_TRUE(probe.WaitReady());
    const auto appeared = [&probe](const std::string& name) {
        return probe.WaitForEvent([&](const Event& event) {
            return event.role == "notification" && event.name == name &&
                   (event.type == "window:create" || event.detail1 == 1);
        });
    };

    PopupDialog* online = NewPopup("anna", PopupDialog::KIND_ONLINE);
    ASSERT_TRUE(WaitShown(online));
    EXPECT_TRUE(appeared("anna, now online"));
    PopupDialog* free = NewPopup("bea", PopupDialog::KIND_FREE);
    ASSERT_TRUE(WaitShown(free));
    EXPECT_TRUE(appeared("bea, now free"));

    auto* summary = new PopupSummary(PopupSummary::REASON_OVERFLOW, [] {});
    summary->Add(User("cora", User::ONLINE | User::FREE), PopupDialog::KIND_ONLINE);
    summary->Add(User("dora", User::ONLINE | User::FREE), PopupDialog::KIND_ONLINE);
    summary->Appear();
    wxString names = summary->GetNames();
    names.Replace("\n", ", ");
    EXPECT_TRUE(appeared((summary->GetHeadline() + ": " + names).ToStdString()));

    const std::vector<Object> objects = AccessibilityProbe::Dump();
    const auto anna = Find(objects, "notification", "anna, now online");
    ASSERT_NE(anna, objects.end());
    EXPECT_TRUE(anna->Has("showing") && anna->Has("visible"));
    EXPECT_TRUE(HasDescendant(objects, anna, "image", "Picture of anna"));
    EXPECT_NE(Find(objects, "notification", "bea, now free"), objects.end());
}

class AccessibleHistoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ms_path = new std::string(historytest::NewFilePath());
        const std::string program = TestEnvironment::BinDir() + "/historygen";
        const char* const argv[] = {program.c_str(), "--out", ms_path->c_str(), "--names", "Anna",
                                    "--seed",        "3",     nullptr};
        ASSERT_EQ(0, wxExecute(argv, wxEXEC_SYNC | wxEXEC_NOEVENTS));
    }
    static void TearDownTestSuite() { delete ms_path; }
    // The window goes before its store.
    void TearDown() override {
        if (m_window)
            m_window->Destroy();
        PumpEvents(50);
    }

    static std::string* ms_path;
    HistoryStore m_store;
    wxWeakRef<HistoryWindow> m_window;
};

std::string* AccessibleHistoryTest::ms_path = nullptr;

TEST_F(AccessibleHistoryTest, GridCellsSayWhatTheirTooltipsSayAndTheLastSessionsAreRows) {
    ASSERT_EQ(HistoryStore::RECORDING, m_store.Open(*ms_path));
    HistoryWindow* window = new HistoryWindow(m_store, "Anna");
    m_window = window;
    window->Show();
    PumpEvents();
    WeekGridPanel* grid = window->GetGridPanel();
    wxListView* sessions = window->GetSessions();
    ASSERT_GT(sessions->GetItemCount(), 0);

    const std::vector<Object> objects = AccessibilityProbe::Dump();
    const auto table = Find(objects, "table");
    ASSERT_NE(table, objects.end());
    const std::vector<Object> cells = ChildrenOf(objects, table);
    ASSERT_EQ(cells.size(), size_t(WeekGrid::DAYS * WeekGrid::HOURS));
    for (int index : {0, 23, 24 * 3 + 21, WeekGrid::DAYS * WeekGrid::HOURS - 1}) {
        EXPECT_EQ(cells[size_t(index)].role, "table cell");
        EXPECT_EQ(cells[size_t(index)].name,
                  grid->CellText(index / WeekGrid::HOURS, index % WeekGrid::HOURS).ToStdString());
    }
    const auto list = Find(objects, "list");
    ASSERT_NE(list, objects.end());
    const std::vector<Object> rows = ChildrenOf(objects, list);
    ASSERT_EQ(rows.size(), size_t(sessions->GetItemCount()));
    EXPECT_EQ(rows.back().name, (sessions->GetItemText(sessions->GetItemCount() - 1, 0) + ", " +
                                 sessions->GetItemText(sessions->GetItemCount() - 1, 1))
                                    .ToStdString());
}

} // namespace
