#pragma once

#include <wx/string.h>

#include <vector>

// The performers the user has muted: never announced in any way, still in the trees and the
// history. The settings file keeps them in a group of their own, "[Muted]", one key per name
// (value 1), so that muting one never rewrites any other key.
class MutedPerformers {
public:
    static bool IsMuted(const wxString& name);
    static void SetMuted(const wxString& name, bool muted);
    // Every muted name, in the file's order.
    static std::vector<wxString> Names();
    // The key of a name in the settings; empty for a name that cannot be a key.
    static wxString KeyOf(const wxString& name);
};
