#include "ui/announce/MutedPerformers.h"

#include "resources/ImageStore.h"

namespace {
const char GROUP[] = "/Muted";
} // namespace

// A "/" would make a subgroup, and the file's own syntax characters are escaped by the
// toolkit; an empty name is no key at all.
wxString MutedPerformers::KeyOf(const wxString& name) {
    if (name.empty() || name.Contains("/"))
        return wxString();
    return wxString(GROUP) + "/" + name;
}

bool MutedPerformers::IsMuted(const wxString& name) {
    const wxString key = KeyOf(name);
    if (key.empty())
        return false;
    wxString value;
    return ImageStore::GetConfig()->Read(key, &value) && value.Trim(true).Trim(false) == "1";
}

void MutedPerformers::SetMuted(const wxString& name, bool muted) {
    const wxString key = KeyOf(name);
    if (key.empty())
        return;
    auto config = ImageStore::GetConfig();
    if (muted)
        config->Write(key, "1");
    else
        config->DeleteEntry(key, true);
    config->Flush();
}

std::vector<wxString> MutedPerformers::Names() {
    std::vector<wxString> names;
    auto config = ImageStore::GetConfig();
    if (!config->HasGroup(GROUP))
        return names;
    const wxString oldPath = config->GetPath();
    config->SetPath(GROUP);
    wxString entry;
    long cookie = 0;
    for (bool more = config->GetFirstEntry(entry, cookie); more;
         more = config->GetNextEntry(entry, cookie)) {
        wxString value;
        if (config->Read(entry, &value) && value.Trim(true).Trim(false) == "1")
            names.push_back(entry);
    }
    config->SetPath(oldPath);
    return names;
}
