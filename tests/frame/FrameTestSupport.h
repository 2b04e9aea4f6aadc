#pragma once

#include "tests/frame/ModalAnswerer.h"
#include "tests/support/SiteSimProcess.h"
#include "ui/frame/MainFrame.h"

#include <gtest/gtest.h>
#include <wx/treectrl.h>

#include <memory>
#include <string>
#include <vector>

// The favourites of the accounts that the frame tests' site knows.
namespace frametest {

// A site of a fixed population (no random changes while a test runs) with two accounts:
// "demo"/"secret" and "odd" with a password full of query delimiters.
SiteSimProcess& TestSite();
const char* const ODD_PASSWORD = "a&b c=#%+";

// Forgets every setting and the history, and points the plug-in at the test site with a
// one-second refresh.
void FreshSettings();

MainFrame* OpenFrame();
// Destroys the frame as "E&xit" does and waits until it is gone.
void CloseFrame(MainFrame* frame);
// Destroys every top-level window left (frames, pop-ups, splash) and waits for them.
void CloseAllWindows();

void SendMenu(wxWindow* frame, int id, bool checked = false);
// True while the window manager shows the frame: mapped, neither minimised nor withdrawn.
bool OnScreen(const MainFrame* frame);

// Answers the account dialog by typing into its fields and pressing OK through the dialog's
// own button handling. seenId and seenPassword receive what the fields held when it opened.
std::function<int(wxDialog*)> AnswerAccount(const wxString& id, const wxString& password,
                                            wxString* seenId = nullptr,
                                            wxString* seenPassword = nullptr);
std::function<int(wxDialog*)> AnswerOk();

// Runs the dialog's real modal loop; once it is on screen, whileShown() acts on it. If it
// leaves the dialog open, the loop is ended with -1 so that the test fails instead of hanging.
int RunModalWith(wxDialog& dialog, const std::function<void()>& whileShown);
// Clicks the dialog's button with the pointer and lets the click through.
void ClickButton(wxDialog& dialog, int buttonId);
// A child control found by its window name.
template <class T>
T* Control(wxWindow& parent, const wxString& name) {
    return dynamic_cast<T*>(parent.FindWindow(name));
}

std::vector<std::string> ChildNames(wxTreeCtrl* tree, const wxTreeItemId& parent);
// True once the site's current list has the performer with the ONLINE flag.
bool SiteHasOnline(const char* name);
// The pop-ups that exist now, by performer name.
std::vector<std::string> PopupNames();
size_t LoginRequests();

} // namespace frametest
