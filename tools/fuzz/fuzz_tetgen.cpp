// TetGen pairs to a stepped body (TetFileFuzzer.h): the input up to its
// first NUL byte is the .node file, the rest the .ele file (empty without
// a NUL).
#include <algorithm>

#include "tools/fuzz/TetFileFuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t* split = std::find(data, data + size, 0);
    const std::string nodes = writeFuzzFile(data, static_cast<std::size_t>(split - data), "node");
    const std::uint8_t* elements = split == data + size ? split : split + 1;
    writeFuzzFile(elements, static_cast<std::size_t>(data + size - elements), "ele");
    return fuzzTetFile(nodes);
}
