#pragma once

#include "surface_mesh/Surface_mesh.h"

#include <iostream>
#include <string>

namespace surface_mesh {

// Mesh readers. Each empties `mesh` first and fills it from the file
// `filename` (a narrow-character path); vertex k of the file becomes vertex k
// of the mesh. Coordinates are read as single precision and widened, in the
// "C" number format whatever the locale, which no reader changes. Every
// message below goes to `messages`, add_face's too (standard error for the
// forms without it), and nothing else is shared, so that several threads may
// read at once. They
// return false when the file cannot be opened or its header is not valid, and
// true otherwise, however few faces the file yields. Faces the mesh refuses
// (non-manifold ones, too few or repeated or unknown corners) are left out
// with add_face's message; damaged OFF and STL files (lines missing numbers,
// a file ending before its counts) are read up to the damage, with a message
// with a message. A reader returns false, with a message, when one of the
// arrays it fills ("h:texcoord", "v:normal", "v:texcoord", "v:color") is
// named by an array of another type.

// Picks the reader by the file name's extension, compared in lower case:
// "obj", "off" or "stl". False for any other extension or none.
bool read_mesh(Surface_mesh& mesh, const std::string& filename, std::ostream& messages);
inline bool read_mesh(Surface_mesh& mesh, const std::string& filename)
{
    return read_mesh(mesh, filename, std::cerr);
}

// Wavefront OBJ: "v" positions and "f" faces with 1-based absolute indices in
// the forms v, v/t, v/t/n and v//n. Texture coordinates of textured corners go
// to the halfedge array "h:texcoord" as (u, v, 1), on the halfedge of the face
// that points to the corner's vertex; other halfedges, also those of corners
// without a texture index in a face that mixes forms, keep (0, 0, 0).
bool read_obj(Surface_mesh& mesh, const std::string& filename, std::ostream& messages);
inline bool read_obj(Surface_mesh& mesh, const std::string& filename)
{
    return read_obj(mesh, filename, std::cerr);
}

// Object File Format, text or "OFF BINARY" (little-endian), with the optional
// header prefixes ST (texture coordinates into "v:texcoord"), C (colours into
// "v:color", scaled to 0..1 when above 1; text only) and N (normals into
// "v:normal"), in this order; "4OFF" and "nOFF" are refused.
bool read_off(Surface_mesh& mesh, const std::string& filename, std::ostream& messages);
inline bool read_off(Surface_mesh& mesh, const std::string& filename)
{
    return read_off(mesh, filename, std::cerr);
}

// Stereolithography, text or binary. Corners with equal coordinates become one
// vertex, numbered in order of first appearance; triangles with a repeated
// corner are dropped, and so are those with a non-finite coordinate (with one
// message per file).
bool read_stl(Surface_mesh& mesh, const std::string& filename, std::ostream& messages);
inline bool read_stl(Surface_mesh& mesh, const std::string& filename)
{
    return read_stl(mesh, filename, std::cerr);
}

} // namespace surface_mesh
