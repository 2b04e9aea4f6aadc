// Fuzz target: the performer-script parser must take any bytes, in pieces of any size, and
// only ever produce statuses that keep the flag invariants.
#include "core/PerformerScriptParser.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::Init();
    static PerformerScriptParser parser;
    parser.Reset();
    // The first byte chooses the piece size, so split lines get exercised too.
    const size_t piece = size ? 1 + data[0] % 64 : 1;
    const char* bytes = reinterpret_cast<const char*>(data);
    for (size_t at = 0; at < size; at += piece)
        parser.Feed(bytes + at, std::min(piece, size - at));
    parser.Finish();

    for (const auto& entry : parser.GetUserList()) {
        const unsigned long s = entry.second.GetStatus();
        const bool ok = s <= 0x1F && !((s & 0x02) && (s & 0x04)) && !((s & 0x08) && (s & 0x10)) &&
                        (!(s & 0x04) || (s & 0x18)) && (!(s & 0x18) || (s & 0x04)) &&
                        (!(s & 0x1E) || (s & 0x01)) && entry.first == entry.second.GetName() &&
                        !entry.first.empty();
        if (!ok)
            std::abort();
    }
    return 0;
}
