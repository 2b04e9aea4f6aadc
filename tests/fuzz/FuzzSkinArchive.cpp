// Fuzz target: the skin loader must survive any archive beside the program: broken zips,
// odd names, pictures that do not decode.
#include "resources/ImageStore.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::Init();
    const std::string skin = FuzzSupport::ProgramPath() + ".skin";
    if (FILE* out = std::fopen(skin.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    ImageStore::GetInstance();
    ImageStore::DeleteInstance();
    return 0;
}
