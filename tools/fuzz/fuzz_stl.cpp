#include "tools/fuzz/ReaderFuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzReader(data, size, "stl");
}
