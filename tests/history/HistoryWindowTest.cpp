// The "When online" window on the generator's history: the grid and its tooltips, the last
// sessions, Escape, and the Japanese catalogue, whose texts must all fit.
#include "ui/history/HistoryWindow.h"
#include "history/HistoryStore.h"
#include "tests/history/HistoryTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "ui/history/WeekGridPanel.h"

#include <gtest/gtest.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/regex.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/weakref.h>

using namespace historytest;

namespace {

class HistoryWindowTest : public ::testing::Test {
protected:
    // Twelve weeks of Anna and Bea up to now, the program watching from 9:00 to 2:00.
    static void SetUpTestSuite() {
        ms_path = new std::string(NewFilePath());
        const std::string program = TestEnvironment::BinDir() + "/historygen";
        const char* const argv[] = {
            program.c_str(), "--out", ms_path->c_str(), "--names", "Anna,Bea",
            "--seed",        "3",     nullptr};
        ASSERT_EQ(0, wxExecute(argv, wxEXEC_SYNC | wxEXEC_NOEVENTS));
    }
    static void TearDownTestSuite() { delete ms_path; }
    void SetUp() override { ASSERT_EQ(HistoryStore::RECORDING, m_store.Open(*ms_path)); }
    void TearDown() override {
        if (m_window)
            m_window->Destroy();
        PumpEvents(100);
    }

    HistoryWindow* Open(const wxString& name) {
        m_window = new HistoryWindow(m_store, name);
        m_window->Show();
        m_window->Raise();
        EXPECT_TRUE(WaitFor([this] { return m_window->IsActive(); }));
        return m_window.get();
    }
    // The tooltip that the pointer over a cell brings.
    wxString TipAt(int row, int hour) {
        WeekGridPanel* panel = m_window->GetGridPanel();
        const wxRect cell = panel->CellRect(row, hour);
        wxUIActionSimulator sim;
        sim.MouseMove(panel->ClientToScreen(cell.GetPosition() + cell.GetSize() / 2));
        WaitFor([&] { return panel->GetToolTipText() == panel->CellText(row, hour); });
        return panel->GetToolTipText();
    }

    static std::string* ms_path;
    HistoryStore m_store;
    wxWeakRef<HistoryWindow> m_window;
};

std::string* HistoryWindowTest::ms_path = nullptr;

} // namespace

TEST_F(HistoryWindowTest, TheGridTooltipsAndLastSessionsComeFromTheFile) {
    HistoryWindow* window = Open("Anna");
    EXPECT_EQ("When is Anna online", window->GetTitle());
    const WeekGrid& grid = window->GetGridPanel()->GetGrid();
    EXPECT_GE(grid.GetWeeks(), 12);
    EXPECT_LE(grid.GetWeeks(), 13);
    int online = 0;
    for (int row = 0; row < WeekGrid::DAYS; ++row)
        for (int hour = 0; hour < WeekGrid::HOURS; ++hour)
            online += grid.At(row, hour).online;
    EXPECT_GT(online, 12);
    EXPECT_TRUE(window->GetSummary()->GetLabel().Contains("Anna"));

    const wxString tip = TipAt(2, 21);
    EXPECT_TRUE(wxRegEx("^(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day 21:00-22:00: online in [0-9]+ "
                        "of [0-9]+ weeks$")
                    .Matches(tip))
        << tip;
    // Never watched at 5 in the morning.
    EXPECT_TRUE(TipAt(0, 5).EndsWith(" 05:00-06:00: not watched")) << TipAt(0, 5);

    EXPECT_EQ(10, window->GetSessions()->GetItemCount());
    EXPECT_TRUE(window->GetTotals()->GetLabel().StartsWith("Online this week: "));

    wxUIActionSimulator keys;
    keys.Char(WXK_ESCAPE);
    EXPECT_TRUE(WaitFor([this] { return !m_window || m_window->IsBeingDeleted(); }));
}

// Nobody recorded: the window says so, and every cell is a count of watched weeks with nothing.
TEST_F(HistoryWindowTest, APerformerNeverRecordedSaysSo) {
    HistoryWindow* window = Open("Zoe");
    EXPECT_EQ("Nothing has been recorded of Zoe yet.", window->GetSummary()->GetLabel());
    EXPECT_EQ(0, window->GetSessions()->GetItemCount());
    EXPECT_EQ("Online this week: 0 min; last week: 0 min", window->GetTotals()->GetLabel());
}

TEST_F(HistoryWindowTest, InJapaneseEveryTextIsTranslatedAndFits) {
    wxLocale locale;
    ASSERT_TRUE(locale.Init(wxLANGUAGE_JAPANESE, wxLOCALE_DONT_LOAD_DEFAULT));
    wxLocale::AddCatalogLookupPathPrefix(TestEnvironment::BinDir());
    ASSERT_TRUE(locale.AddCatalog("roduviriz"));

    HistoryWindow* window = Open("Anna");
    EXPECT_EQ(wxString::FromUTF8("Anna がオンラインになる時間帯"), window->GetTitle());
    const wxString tip = TipAt(2, 21);
    EXPECT_TRUE(
        wxRegEx(wxString::FromUTF8("^.曜日 21:00-22:00: オンライン [0-9]+ 週（[0-9]+ 週中）$"))
            .Matches(tip))
        << tip;
    EXPECT_TRUE(
        window->GetTotals()->GetLabel().StartsWith(wxString::FromUTF8("今週のオンライン: ")));

    PumpEvents(100);
    const wxSize client = window->GetClientSize();
    EXPECT_GE(client.x, window->GetGridPanel()->GetMinSize().x + 16);
    for (wxWindow* child : window->GetChildren().front()->GetChildren()) {
        if (auto* text = dynamic_cast<wxStaticText*>(child)) {
            EXPECT_GE(text->GetSize().x, text->GetBestSize().x) << text->GetLabel();
            EXPECT_GE(text->GetSize().y, text->GetBestSize().y) << text->GetLabel();
        }
    }
    wxListView* sessions = window->GetSessions();
    for (int column = 0; column < 2; ++column)
        EXPECT_GE(sessions->GetColumnWidth(column),
                  sessions->GetTextExtent(sessions->GetItemText(0, column)).x);
}
