#pragma once

#include "core/Site.h"

#include <wx/module.h>
#include <wx/protocol/http.h>

// The one concrete site and, at the same time, the plug-in's toolkit module: the toolkit
// creates it when the library is loaded, so OnInit runs before anything else of ours.
class KestovaSite : public Site, public wxModule {
public:
    KestovaSite();

    // The network library hands in its HTTP client, which reads replies on a connection of
    // its own (the toolkit's plain client lets the GUI thread's event loop read from the
    // socket that the refresh thread uses) and takes the proxy road where one is set. Without
    // one the toolkit's client is used, directly.
    using HttpClientFactory = wxHTTP* (*)();
    static void SetHttpClientFactory(HttpClientFactory factory);

    int UpdateUserList() override;
    int GetRetryDelay() const override;
    bool OnInit() override;
    void OnExit() override;

private:
    wxDECLARE_DYNAMIC_CLASS(KestovaSite);
};
