#pragma once

#include "core/HttpClient.h"
#include "core/Site.h"

#include <wx/module.h>

// The one concrete site and, at the same time, the plug-in's toolkit module: the toolkit
// creates it when the library is loaded, so OnInit runs before anything else of ours.
class KestovaSite : public Site, public wxModule {
public:
    KestovaSite();

    // The network library hands in its HTTP client. One client serves every refresh, so that
    // its connection is kept from one to the next; a new factory (or none) ends it, and the
    // next list is taken whatever it holds. Without one nothing can be downloaded.
    using HttpClientFactory = HttpClient* (*)();
    static void SetHttpClientFactory(HttpClientFactory factory);

    int UpdateUserList() override;
    int GetRetryDelay() const override;
    bool OnInit() override;
    void OnExit() override;

private:
    wxDECLARE_DYNAMIC_CLASS(KestovaSite);
};
