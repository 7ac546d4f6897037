#include "contact/TriangleMesh.h"

namespace Zarvo {

void TriangleMesh::append(const TriangleMesh& other)
{
    const int base = static_cast<int>(points.size());
    points.insert(points.end(), other.points.begin(), other.points.end());
    for (const auto& t : other.triangles)
        triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
}

}  // namespace Zarvo
