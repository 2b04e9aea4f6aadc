#pragma once

#include <wx/event.h>
#include <wx/protocol/http.h>
#include <wx/thread.h>
#include <wx/url.h>

// Posted once per download thread to its target: a wxCommandEvent whose client data is a
// block allocated with new[] holding exactly the body (the receiver delete[]s it) and whose
// int is its length; null and 0 when the download failed, a non-null empty block for an
// empty body.
wxDECLARE_EVENT(wxEVT_DOWNLOAD_FINISHED, wxCommandEvent);

#define EVT_DOWNLOAD_FINISHED(id, func)                                                           \
    wx__DECLARE_EVT1(wxEVT_DOWNLOAD_FINISHED, id, wxCommandEventHandler(func))
