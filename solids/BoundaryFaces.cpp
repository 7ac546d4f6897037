#include "solids/BoundaryFaces.h"

#include <algorithm>

namespace Zarvo {

namespace {

// The faces of a positively oriented tetrahedron 0 1 2 3, each turning
// counterclockwise seen from outside: opposite corner 3, 2, 1 and 0.
constexpr int outwardFaces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

struct FaceEntry
{
    std::array<int, 3> sorted;  // the corners in increasing order: the face's key
    std::size_t place;          // 4 x tetrahedron + face
};

}  // namespace

std::vector<std::array<int, 3>> boundaryFaces(const std::vector<Tetrahedron>& tetrahedra)
{
    std::vector<FaceEntry> entries;
    entries.reserve(4 * tetrahedra.size());
    for (std::size_t t = 0; t < tetrahedra.size(); ++t)
        for (int f = 0; f < 4; ++f) {
            std::array<int, 3> corners{};
            for (int k = 0; k < 3; ++k)
                corners[k] = tetrahedra[t][outwardFaces[f][k]];
            std::sort(corners.begin(), corners.end());
            entries.push_back({corners, 4 * t + f});
        }
    std::sort(entries.begin(), entries.end(), [](const FaceEntry& a, const FaceEntry& b) {
        return a.sorted != b.sorted ? a.sorted < b.sorted : a.place < b.place;
    });

    std::vector<std::size_t> single;
    for (std::size_t i = 0; i < entries.size();) {
        std::size_t j = i + 1;
        while (j < entries.size() && entries[j].sorted == entries[i].sorted)
            ++j;
        if (j == i + 1)
            single.push_back(entries[i].place);
        i = j;
    }
    std::sort(single.begin(), single.end());

    std::vector<std::array<int, 3>> faces;
    faces.reserve(single.size());
    for (const std::size_t place : single) {
        const Tetrahedron& tetrahedron = tetrahedra[place / 4];
        const int* face = outwardFaces[place % 4];
        faces.push_back({tetrahedron[face[0]], tetrahedron[face[1]], tetrahedron[face[2]]});
    }
    return faces;
}

}  // namespace Zarvo
