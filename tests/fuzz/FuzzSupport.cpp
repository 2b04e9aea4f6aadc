#include "tests/fuzz/FuzzSupport.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <unistd.h>

namespace {
std::string g_program;
}

void FuzzSupport::Init() {
    if (!g_program.empty())
        return;
    char dir[] = "/tmp/rodfuzz-XXXXXX";
    if (!mkdtemp(dir))
        std::abort();
    g_program = std::string(dir) + "/roduviriz";
    setenv("HOME", dir, 1);
    static char* argv[] = {g_program.data(), nullptr};
    int argc = 1;
    if (!wxInitialize(argc, argv))
        std::abort();
    // Decoding errors of broken pictures are expected here; keep the output readable.
    wxLog::EnableLogging(false);
}

std::string FuzzSupport::ProgramPath() {
    return g_program;
}
