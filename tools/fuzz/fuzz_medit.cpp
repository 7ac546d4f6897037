// Medit mesh files to a stepped body (TetFileFuzzer.h).
#include "tools/fuzz/TetFileFuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzTetFile(writeFuzzFile(data, size, "mesh"));
}
