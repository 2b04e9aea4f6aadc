#include "ui/history/WeekGridPanel.h"

#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/intl.h>
#include <wx/settings.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int GAP = 6;
const double LEGEND_SHARES[] = {0.0, 0.25, 0.5, 0.75, 1.0};

wxString HourLabel(int hour) {
    return wxString::Format("%d", hour);
}

wxString Percent(double share) {
    return wxString::Format("%d%%", static_cast<int>(share * 100 + 0.5));
}

} // namespace

WeekGridPanel::WeekGridPanel(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
              wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS | wxTAB_TRAVERSAL),
      m_grid(PerformerHistory(), 0, 0) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &WeekGridPanel::OnPaint, this);
    Bind(wxEVT_MOTION, &WeekGridPanel::OnMotion, this);
    Bind(wxEVT_LEAVE_WINDOW, &WeekGridPanel::OnLeave, this);
    Bind(wxEVT_KEY_DOWN, &WeekGridPanel::OnKeyDown, this);
    const auto repaint = [this](wxFocusEvent& event) {
        Refresh();
        event.Skip();
    };
    Bind(wxEVT_SET_FOCUS, repaint);
    Bind(wxEVT_KILL_FOCUS, repaint);
    Measure();
    m_accessible = std::make_unique<WeekGridAccessible>(this);
}

wxString WeekGridPanel::DayName(int weekDay, bool shortForm) {
    static const char* const LONG[] = {wxTRANSLATE("Sunday"),   wxTRANSLATE("Monday"),
                                       wxTRANSLATE("Tuesday"),  wxTRANSLATE("Wednesday"),
                                       wxTRANSLATE("Thursday"), wxTRANSLATE("Friday"),
                                       wxTRANSLATE("Saturday")};
    static const char* const SHORT[] = {wxTRANSLATE("Sun"), wxTRANSLATE("Mon"), wxTRANSLATE("Tue"),
                                        wxTRANSLATE("Wed"), wxTRANSLATE("Thu"), wxTRANSLATE("Fri"),
                                        wxTRANSLATE("Sat")};
    const size_t day = static_cast<size_t>(weekDay) % WeekGrid::DAYS;
    return wxGetTranslation(shortForm ? SHORT[day] : LONG[day]);
}

wxColour WeekGridPanel::Shade(double share) {
    const double s = std::clamp(share, 0.0, 1.0);
    const wxColour base = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
    const wxColour full =
        base.GetLuminance() < 0.5 ? wxColour(122, 180, 245) : wxColour(11, 61, 110);
    const auto mix = [s](unsigned char from, unsigned char to) {
        return static_cast<unsigned char>(from + (to - from) * s + 0.5);
    };
    return wxColour(mix(base.Red(), full.Red()), mix(base.Green(), full.Green()),
                    mix(base.Blue(), full.Blue()));
}

// Sizes follow the font and the texts of the language in use.
void WeekGridPanel::Measure() {
    const int charHeight = GetCharHeight();
    m_cell = wxSize(std::max(20, GetTextExtent("00").x + 8), std::max(18, charHeight + 6));
    int dayWidth = 0;
    for (int day = 0; day < WeekGrid::DAYS; ++day)
        dayWidth = std::max(dayWidth, GetTextExtent(DayName(day, true)).x);
    m_origin = wxPoint(dayWidth + 2 * GAP, charHeight + GAP);
    m_legendTop = m_origin.y + WeekGrid::DAYS * m_cell.y + 2 * GAP;

    int legendWidth = GetTextExtent(_("Share of weeks online:")).x + GAP;
    for (double share : LEGEND_SHARES)
        legendWidth += m_cell.y + GAP + GetTextExtent(Percent(share)).x + 2 * GAP;
    legendWidth += m_cell.y + GAP + GetTextExtent(_("not watched")).x;
    m_best = wxSize(std::max(m_origin.x + WeekGrid::HOURS * m_cell.x, legendWidth) + GAP,
                    m_legendTop + m_cell.y + GAP);
    SetMinSize(m_best);
    SetInitialSize(m_best);
}

void WeekGridPanel::SetGrid(const WeekGrid& grid) {
    m_grid = grid;
    m_tipCell = -1;
    UnsetToolTip();
    m_accessible->GridChanged();
    Refresh();
}

wxRect WeekGridPanel::CellRect(int row, int hour) const {
    return wxRect(m_origin.x + hour * m_cell.x, m_origin.y + row * m_cell.y, m_cell.x, m_cell.y);
}

bool WeekGridPanel::HitTest(const wxPoint& point, int* row, int* hour) const {
    const wxPoint at = point - m_origin;
    if (at.x < 0 || at.y < 0 || at.x >= WeekGrid::HOURS * m_cell.x ||
        at.y >= WeekGrid::DAYS * m_cell.y)
        return false;
    *row = at.y / m_cell.y;
    *hour = at.x / m_cell.x;
    return true;
}

wxString WeekGridPanel::CellText(int row, int hour) const {
    const WeekGrid::Cell& cell = m_grid.At(row, hour);
    const wxString when = wxString::Format(
        "%s %02d:00-%02d:00", DayName(m_grid.WeekDayOfRow(row), false), hour, hour + 1);
    if (!cell.watched)
        return wxString::Format(_("%s: not watched"), when);
    return wxString::Format(
        wxPLURAL("%s: online in %d of %d week", "%s: online in %d of %d weeks", cell.watched), when,
        cell.online, cell.watched);
}

void WeekGridPanel::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc)
        return;
    const wxColour background = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    const wxColour line = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    gc->SetBrush(wxBrush(GetBackgroundColour()));
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->DrawRectangle(0, 0, GetClientSize().x, GetClientSize().y);
    gc->SetFont(GetFont(), text);

    double width, height;
    for (int hour = 0; hour < WeekGrid::HOURS; hour += 3) {
        gc->GetTextExtent(HourLabel(hour), &width, &height);
        const wxRect cell = CellRect(0, hour);
        gc->DrawText(HourLabel(hour), cell.x + (cell.width - width) / 2, cell.y - height - 2);
    }
    // A cell never watched is blank and crossed: no evidence either way.
    const auto drawSwatch = [&](const wxRect& r, const WeekGrid::Cell* cell, double share) {
        const bool blank = cell && !cell->watched;
        gc->SetPen(wxPen(line, 1));
        gc->SetBrush(wxBrush(blank ? background
                                   : Shade(cell ? double(cell->online) / cell->watched : share)));
        gc->DrawRectangle(r.x + 0.5, r.y + 0.5, r.width - 1, r.height - 1);
        if (blank)
            gc->StrokeLine(r.x + 3, r.GetBottom() - 3, r.GetRight() - 3, r.y + 3);
    };
    for (int row = 0; row < WeekGrid::DAYS; ++row) {
        const wxString day = DayName(m_grid.WeekDayOfRow(row), true);
        gc->GetTextExtent(day, &width, &height);
        const wxRect first = CellRect(row, 0);
        gc->DrawText(day, m_origin.x - GAP - width, first.y + (first.height - height) / 2);
        for (int hour = 0; hour < WeekGrid::HOURS; ++hour) {
            const WeekGrid::Cell& cell = m_grid.At(row, hour);
            drawSwatch(CellRect(row, hour), &cell, 0);
        }
    }

    if (HasFocus()) {
        const wxRect focused = CellRect(m_focusRow, m_focusHour);
        gc->SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), 2));
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->DrawRectangle(focused.x + 1, focused.y + 1, focused.width - 2, focused.height - 2);
    }

    // The legend: the shades of a few shares, and the blank cell.
    double x = GAP;
    const int side = m_cell.y;
    const auto label = [&](const wxString& words) {
        gc->GetTextExtent(words, &width, &height);
        gc->DrawText(words, x, m_legendTop + (side - height) / 2);
        x += width;
    };
    label(_("Share of weeks online:"));
    x += GAP;
    for (double share : LEGEND_SHARES) {
        drawSwatch(wxRect(int(x), m_legendTop, side, side), nullptr, share);
        x += side + GAP;
        label(Percent(share));
        x += 2 * GAP;
    }
    const WeekGrid::Cell blank;
    drawSwatch(wxRect(int(x), m_legendTop, side, side), &blank, 0);
    x += side + GAP;
    label(_("not watched"));
}

void WeekGridPanel::OnMotion(wxMouseEvent& event) {
    int row, hour;
    const int cell = HitTest(event.GetPosition(), &row, &hour) ? row * WeekGrid::HOURS + hour : -1;
    if (cell != m_tipCell) {
        m_tipCell = cell;
        if (cell < 0)
            UnsetToolTip();
        else
            SetToolTip(CellText(row, hour));
    }
    event.Skip();
}

void WeekGridPanel::OnLeave(wxMouseEvent& event) {
    m_tipCell = -1;
    UnsetToolTip();
    event.Skip();
}

void WeekGridPanel::OnKeyDown(wxKeyEvent& event) {
    int row = m_focusRow;
    int hour = m_focusHour;
    switch (event.GetKeyCode()) {
    case WXK_LEFT:
        --hour;
        break;
    case WXK_RIGHT:
        ++hour;
        break;
    case WXK_UP:
        --row;
        break;
    case WXK_DOWN:
        ++row;
        break;
    case WXK_HOME:
        hour = 0;
        break;
    case WXK_END:
        hour = WeekGrid::HOURS - 1;
        break;
    default:
        event.Skip();
        return;
    }
    m_focusRow = std::clamp(row, 0, WeekGrid::DAYS - 1);
    m_focusHour = std::clamp(hour, 0, WeekGrid::HOURS - 1);
    Refresh();
}
