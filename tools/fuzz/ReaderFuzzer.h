#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

#include "surface_mesh/IO.h"

// The readers take file names: each input is written to a private file
// (named after the process, in /tmp) with the reader's extension.
inline const std::string fuzzFolder = "/tmp";

inline std::string fuzzFileName(const char* extension)
{
    return "zarvo-fuzz-" + std::to_string(getpid()) + "." + extension;
}

// Writes the input to fuzzFolder/fuzzFileName(extension) and returns that path.
inline std::string writeFuzzFile(const std::uint8_t* data, std::size_t size, const char* extension)
{
    const std::string path = fuzzFolder + "/" + fuzzFileName(extension);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return path;
}

// Refused faces and damaged files are reported on std::cerr; silence them
// without touching the C stream on which the fuzzer and the sanitizers report.
inline void silenceMeshMessages()
{
    std::cerr.rdbuf(nullptr);
}

inline int fuzzReader(const std::uint8_t* data, std::size_t size, const char* extension)
{
    const std::string path = writeFuzzFile(data, size, extension);
    silenceMeshMessages();
    surface_mesh::Surface_mesh mesh;
    surface_mesh::read_mesh(mesh, path);
    mesh.compute_vertex_normals();
    return 0;
}
