#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

#include "surface_mesh/IO.h"

// The readers take file names: each input is written to a private file with
// the reader's extension and read back.
inline int fuzzReader(const std::uint8_t* data, std::size_t size, const char* extension)
{
    static const std::string path =
        "/tmp/zarvo-fuzz-" + std::to_string(getpid()) + "." + extension;
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    // Refused faces are reported on std::cerr; silence them without touching
    // the C stream on which the fuzzer and the sanitizers report.
    std::cerr.rdbuf(nullptr);
    surface_mesh::Surface_mesh mesh;
    surface_mesh::read_mesh(mesh, path);
    mesh.compute_vertex_normals();
    return 0;
}
