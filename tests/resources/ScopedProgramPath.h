#pragma once

#include <wx/string.h>

// Makes the application's first argument name another program for the life of the object,
// since every file name of the plug-in derives from it.
class ScopedProgramPath {
public:
    explicit ScopedProgramPath(const wxString& program);
    ~ScopedProgramPath();

private:
    wxString m_previous;
};
