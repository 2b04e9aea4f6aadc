#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the fuzz targets share: the toolkit initialised once, as a console application whose
// program file lies in a private folder (so the skin loader reads the fuzzer's archive).
class FuzzSupport {
public:
    static void Init();
    static std::string ProgramPath();
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
