#pragma once

#include "history/WeekGrid.h"
#include "ui/history/WeekGridAccessible.h"

#include <wx/panel.h>

#include <memory>

// The picture of a week grid: a row for each weekday (from the locale's first), a column for
// each hour, each cell the darker the more often the performer was online in that hour, and a
// legend below. The tooltip of a cell says it in words ("Tuesday 21:00-22:00: online in 7 of
// 12 weeks"). The arrow keys (Home and End too) move a focused cell, framed while the grid has
// the focus. Sized from the texts of the language in use.
class WeekGridPanel : public wxPanel {
public:
    explicit WeekGridPanel(wxWindow* parent);

    void SetGrid(const WeekGrid& grid);
    const WeekGrid& GetGrid() const { return m_grid; }

    // The text of a cell, as its tooltip gives it.
    wxString CellText(int row, int hour) const;
    // The cell at a point of the panel; false outside the grid.
    bool HitTest(const wxPoint& point, int* row, int* hour) const;
    // Where a cell is drawn, in the panel's coordinates.
    wxRect CellRect(int row, int hour) const;
    // The cell the keys have reached, as row * WeekGrid::HOURS + hour.
    int FocusedCell() const { return m_focusRow * WeekGrid::HOURS + m_focusHour; }

    // A weekday's name (0 for Sunday) in the language in use, whole or short.
    static wxString DayName(int weekDay, bool shortForm);
    // The colour of a share from 0 to 1: from the theme's base colour (that of a list's
    // background) to a strong blue, dark on a light base and light on a dark one.
    static wxColour Shade(double share);

private:
    void Measure();
    void OnPaint(wxPaintEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);

    WeekGrid m_grid;
    wxSize m_cell;
    wxPoint m_origin; // the grid's top left
    int m_legendTop = 0;
    wxSize m_best;
    // The cell whose text the tooltip holds; -1 for none.
    int m_tipCell = -1;
    int m_focusRow = 0;
    int m_focusHour = 0;
    std::unique_ptr<WeekGridAccessible> m_accessible;
};
