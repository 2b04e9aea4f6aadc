#pragma once

#include "core/User.h"
#include "ui/popup/SummaryTally.h"

// Puts announcements before the user: the own pop-up windows, or the desktop's notifications.
// The pop-up manager decides what is announced and when, and how many may be up at once (the
// places on the screen); a presenter shows them, folds the rest into a summary, and tells its
// observer (wxEVT_POPUP_STATE_CHANGED) when a place may have come free. GUI thread only.
class AnnouncementPresenter {
public:
    struct Announcement {
        User user;
        int kind; // PopupDialog::KIND_ONLINE or KIND_FREE
        unsigned long recentId;
    };

    virtual ~AnnouncementPresenter() = default;

    // Places taken by announcements up or on their way, and by a summary.
    virtual int TakenPlaces() = 0;
    virtual bool HasOverflowSummary() = 0;
    virtual void Present(const Announcement& announcement) = 0;
    // Counts one announcement in the summary for the reason; a summary that is not there yet
    // is made, and shown only by ShowSummary. Overflow goes into the summary up, whatever its
    // reason.
    virtual void Fold(SummaryTally::Reason reason, const User& user, int kind) = 0;
    // Shows the summary made for the reason, if there is one; a pause summary takes the
    // place of the summary up.
    virtual void ShowSummary(SummaryTally::Reason reason) = 0;
};
