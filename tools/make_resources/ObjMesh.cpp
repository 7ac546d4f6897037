#include "ObjMesh.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

Point3 sub(const Point3& a, const Point3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Point3 cross(const Point3& a, const Point3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Point3& a, const Point3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

int ObjMesh::addVertex(const Point3& position, const TexCoord& texCoord)
{
    vertices.push_back(position);
    texCoords.push_back(texCoord);
    return static_cast<int>(vertices.size()) - 1;
}

void ObjMesh::addTriangle(int a, int b, int c,
                          const std::function<Point3(const Point3&)>& outside)
{
    const Point3& pa = vertices[a];
    const Point3& pb = vertices[b];
    const Point3& pc = vertices[c];
    const Point3 centroid{(pa.x + pb.x + pc.x) / 3.0, (pa.y + pb.y + pc.y) / 3.0,
                          (pa.z + pb.z + pc.z) / 3.0};
    const Point3 normal = cross(sub(pb, pa), sub(pc, pa));
    if (dot(normal, outside(centroid)) >= 0.0)
        triangles.push_back({a, b, c});
    else
        triangles.push_back({a, c, b});
}

void ObjMesh::renumber(const std::vector<int>& newIndex)
{
    std::vector<Point3> movedVertices(vertices.size());
    std::vector<TexCoord> movedTexCoords(texCoords.size());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        movedVertices[newIndex[i]] = vertices[i];
        movedTexCoords[newIndex[i]] = texCoords[i];
    }
    vertices = std::move(movedVertices);
    texCoords = std::move(movedTexCoords);
    for (auto& triangle : triangles)
        for (int& corner : triangle)
            corner = newIndex[corner];
}

bool ObjMesh::write(const std::string& path, const std::string& comment) const
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
    if (!file)
        return false;
    std::FILE* out = file.get();
    std::fprintf(out, "# %s\n", comment.c_str());
    std::fprintf(out, "# %zu vertices, %zu triangles\n", vertices.size(), triangles.size());
    for (const Point3& p : vertices)
        std::fprintf(out, "v %.6f %.6f %.6f\n", p.x, p.y, p.z);
    for (const TexCoord& t : texCoords)
        std::fprintf(out, "vt %.6f %.6f\n", t.u, t.v);
    for (const auto& triangle : triangles) {
        const int a = triangle[0] + 1;
        const int b = triangle[1] + 1;
        const int c = triangle[2] + 1;
        std::fprintf(out, "f %d/%d %d/%d %d/%d\n", a, a, b, b, c, c);
    }
    return std::ferror(out) == 0;
}

std::vector<int> placeGroups(int vertexCount, const std::vector<std::vector<int>>& groups,
                             const std::vector<int>& starts)
{
    std::vector<int> newIndex(vertexCount, -1);
    std::vector<bool> taken(vertexCount, false);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].size(); ++k) {
            const int slot = starts[g] + static_cast<int>(k);
            if (slot >= vertexCount || taken[slot] || newIndex[groups[g][k]] != -1)
                throw std::logic_error("placeGroups: groups overlap or leave the index range");
            newIndex[groups[g][k]] = slot;
            taken[slot] = true;
        }
    }
    int slot = 0;
    for (int i = 0; i < vertexCount; ++i) {
        if (newIndex[i] != -1)
            continue;
        while (taken[slot])
            ++slot;
        newIndex[i] = slot;
        taken[slot] = true;
    }
    return newIndex;
}
