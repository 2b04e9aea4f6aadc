// Fuzz target: the login reply parser must take any body and yield only non-empty names of
// letters, digits and underscores, and a "/favorites" value that splits back into them.
#include "tests/fuzz/FuzzSupport.h"
#include "ui/frame/FavoritesReplyParser.h"

#include <wx/wxcrt.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::Init();
    FavoritesReplyParser parser;
    parser.Parse(reinterpret_cast<const char*>(data), size);

    size_t commas = 0;
    for (const wxString& name : parser.GetNames()) {
        if (name.empty())
            std::abort();
        for (wxUniChar c : name)
            if (!(wxIsalnum(c) || c == '_'))
                std::abort();
    }
    for (wxUniChar c : parser.GetFavoritesValue())
        commas += c == ',';
    if (commas != parser.GetNames().size())
        std::abort();
    return 0;
}
