#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

struct Point3
{
    double x, y, z;
};

struct TexCoord
{
    double u, v;
};

// A triangle mesh with one texture coordinate per vertex, as written to an
// OBJ file: vertex k of the file is vertices[k], and every face corner uses
// the texture coordinate of its vertex.
class ObjMesh
{
public:
    std::vector<Point3> vertices;
    std::vector<TexCoord> texCoords;
    std::vector<std::array<int, 3>> triangles;

    int addVertex(const Point3& position, const TexCoord& texCoord);
    // Adds triangle (a, b, c), reversed if needed so that its normal (by the
    // counter-clockwise rule) points to the side of `outside(centroid)`.
    void addTriangle(int a, int b, int c, const std::function<Point3(const Point3&)>& outside);

    // Renumbers the vertices: vertex i moves to index newIndex[i]. newIndex
    // must be a permutation of 0 .. vertex count - 1.
    void renumber(const std::vector<int>& newIndex);

    // Writes "v", "vt" and "f v/vt" lines after a comment header. Returns
    // false when the file cannot be written.
    bool write(const std::string& path, const std::string& comment) const;
};

// Index map for ObjMesh::renumber: the vertices of groups[g] (in their list
// order) take the consecutive indices from starts[g] on; every other vertex
// keeps its relative order and fills the indices that remain, from 0 up.
std::vector<int> placeGroups(int vertexCount, const std::vector<std::vector<int>>& groups,
                             const std::vector<int>& starts);
