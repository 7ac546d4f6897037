// Gmsh mesh files, versions 2.2 and 4.1, to a stepped body (TetFileFuzzer.h).
#include "tools/fuzz/TetFileFuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzTetFile(writeFuzzFile(data, size, "msh"));
}
