#include "tests/resources/ScopedProgramPath.h"

#include <wx/app.h>

#include <string>

namespace {

void SetProgram(const wxString& program) {
    std::string utf8 = program.utf8_string();
    char* argv[] = {utf8.data(), nullptr};
    wxAppConsole::GetInstance()->argv.Init(1, argv);
}

} // namespace

ScopedProgramPath::ScopedProgramPath(const wxString& program)
    : m_previous(wxAppConsole::GetInstance()->argv[0]) {
    SetProgram(program);
}

ScopedProgramPath::~ScopedProgramPath() {
    SetProgram(m_previous);
}
