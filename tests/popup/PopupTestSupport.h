#pragma once

#include "core/User.h"
#include "tests/support/SiteSimProcess.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupPlaces.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The pop-ups that exist now (not on their way out), oldest first.
std::vector<PopupDialog*> LivePopups();

wxPoint CentreOnScreen(wxWindow* window);
// Where the window's client area really is on the screen: the toolkit's GetPosition() of a
// shown pop-up was seen to read 0 while the window sat where it was placed.
wxPoint ScreenOrigin(wxWindow* window);
// Waits until the window manager has put the window there (shown is not yet mapped: until
// then the window and its children have no place on the screen).
bool WaitOnScreen(wxWindow* window, const wxPoint& where, int timeoutMs = 5000);
// Moves the pointer there and clicks, as a person would.
void ClickAt(const wxPoint& where);
// The X server's identifier of a shown window; 0 before it has one.
unsigned long XWindowOf(wxWindow* window);
// What a shell command prints.
std::string Output(const std::string& command);
// The window's pixels as the X server holds them (in the display's own pixels, which are
// twice the toolkit's at a scale of 2); invalid when they cannot be read.
wxImage ShotOf(wxWindow* window);

// A sitesim shared by a suite, set up as the site with a clean configuration for each test;
// pop-ups stay until they are destroyed at the end of each test.
class PopupSiteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Makes the name a performer that sitesim has a thumbnail for.
    static void MakeKnown(const std::string& name);
    static PopupDialog* NewPopup(const wxString& name, int kind = PopupDialog::KIND_ONLINE);
    // Waits until the pop-up has appeared (its download ended).
    static bool WaitShown(PopupDialog* popup, int timeoutMs = 15000);
    // Destroys every pop-up, summary and "Recent" window and waits until they are gone.
    static void DestroyPopups();

    static std::unique_ptr<SiteSimProcess> ms_site;
};
