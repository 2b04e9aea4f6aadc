#pragma once

#include "core/Site.h"

#include <wx/thread.h>

#include <atomic>

// Runs the site's UpdateUserList once on a joinable worker thread, as the refresh thread does.
class SiteUpdateThread : public wxThread {
public:
    explicit SiteUpdateThread(Site* site) : wxThread(wxTHREAD_JOINABLE), m_site(site) {}

    std::atomic<bool> finished{false};
    std::atomic<int> result{-1};

protected:
    ExitCode Entry() override;

private:
    Site* m_site;
};
