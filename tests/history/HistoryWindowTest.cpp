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
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/regex.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include <cstdio>
#include <cstdlib>

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

// What the screen shows of a rectangle of the window (its client coordinates).
wxImage Shot(wxWindow* window, const wxRect& rect) {
    const wxPoint at = window->ClientToScreen(rect.GetPosition());
    const std::string command = wxString::Format("import -window root -crop %dx%d+%d+%d png:- "
                                                 "2>/dev/null",
                                                 rect.width, rect.height, at.x, at.y)
                                    .utf8_string();
    std::string png;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            png.append(buffer, got);
        pclose(pipe);
    }
    wxMemoryInputStream stream(png.data(), png.size());
    wxLogNull quiet;
    return png.empty() ? wxImage() : wxImage(stream, wxBITMAP_TYPE_PNG);
}

// Pixels within a small distance of the colour.
int PixelsNear(const wxImage& image, const wxColour& colour) {
    int near = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            near += std::abs(image.GetRed(x, y) - colour.Red()) < 24 &&
                    std::abs(image.GetGreen(x, y) - colour.Green()) < 24 &&
                    std::abs(image.GetBlue(x, y) - colour.Blue()) < 24;
    return near;
}

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

// The keyboard reaches every cell: the arrows, Home and End move a frame in the theme's
// highlight colour, which stops at the edges. A cell watched but never online shows the
// theme's base colour (a run of its own has a dark theme).
TEST_F(HistoryWindowTest, TheArrowsReachTheCellsWithAVisibleFocusOnTheThemesBaseColour) {
    HistoryWindow* window = Open("Anna");
    WeekGridPanel* grid = window->GetGridPanel();
    grid->SetFocus();
    ASSERT_TRUE(WaitFor([&] { return grid->HasFocus(); }));
    EXPECT_EQ(grid->FocusedCell(), 0);
    wxUIActionSimulator keys;
    keys.Char(WXK_DOWN);
    keys.Char(WXK_DOWN);
    keys.Char(WXK_RIGHT);
    EXPECT_TRUE(WaitFor([&] { return grid->FocusedCell() == 2 * WeekGrid::HOURS + 1; }));
    for (int key : {WXK_END, WXK_RIGHT, WXK_UP, WXK_UP, WXK_UP})
        keys.Char(key);
    EXPECT_TRUE(WaitFor([&] { return grid->FocusedCell() == WeekGrid::HOURS - 1; }));
    EXPECT_TRUE(grid->HasFocus());
    PumpEvents(300);
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    EXPECT_GT(PixelsNear(Shot(grid, grid->CellRect(0, WeekGrid::HOURS - 1)), highlight), 8);
    EXPECT_EQ(PixelsNear(Shot(grid, grid->CellRect(0, WeekGrid::HOURS - 2)), highlight), 0);

    const WeekGrid& data = grid->GetGrid();
    const wxColour base = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
    int compared = 0;
    for (int row = 0; row < WeekGrid::DAYS && !compared; ++row)
        for (int hour = 0; hour < WeekGrid::HOURS - 2 && !compared; ++hour)
            if (data.At(row, hour).watched && !data.At(row, hour).online) {
                const wxRect cell = grid->CellRect(row, hour);
                const wxRect inside(cell.GetPosition() + wxPoint(4, 4),
                                    cell.GetSize() - wxSize(8, 8));
                const wxImage shown = Shot(grid, inside);
                EXPECT_EQ(PixelsNear(shown, base), inside.width * inside.height)
                    << row << "/" << hour << " " << base.GetAsString();
                ++compared;
            }
    EXPECT_EQ(compared, 1) << "the history has a cell watched with nobody online";
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
