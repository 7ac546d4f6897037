#include "Meshes.h"

#include <cmath>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

// Two triangles per cell of a rows x columns grid whose vertex (r, c) has
// index r * columns + c. The diagonal alternates like a checkerboard, so the
// sheet has no preferred shear direction.
void addGridTriangles(ObjMesh& mesh, int rows, int columns,
                      const std::function<Point3(const Point3&)>& outside)
{
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const int a = r * columns + c;
            const int b = a + 1;
            const int d = a + columns;
            const int e = d + 1;
            if ((r + c) % 2 == 0) {
                mesh.addTriangle(a, d, e, outside);
                mesh.addTriangle(a, e, b, outside);
            } else {
                mesh.addTriangle(a, d, b, outside);
                mesh.addTriangle(b, d, e, outside);
            }
        }
    }
}

// The grid vertices of rows r0 .. r0 + rowCount - 1, columns c0 .. c1 - 1,
// row by row.
std::vector<int> gridBlock(int columns, int r0, int rowCount, int c0, int c1)
{
    std::vector<int> block;
    for (int r = r0; r < r0 + rowCount; ++r)
        for (int c = c0; c < c1; ++c)
            block.push_back(r * columns + c);
    return block;
}

// A flat grid of rows x columns vertices: vertex (r, c) at corner + c across
// + r down, with one texture repeat per `repeat` of length and texels
// square; front faces look towards `front`.
ObjMesh makeSheet(const Point3& corner, const Point3& across, const Point3& down, int rows,
                  int columns, double repeat, const Point3& front)
{
    const double acrossLength = std::sqrt(across.x * across.x + across.y * across.y + across.z * across.z);
    const double downLength = std::sqrt(down.x * down.x + down.y * down.y + down.z * down.z);
    ObjMesh mesh;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            mesh.addVertex({corner.x + c * across.x + r * down.x, corner.y + c * across.y + r * down.y,
                            corner.z + c * across.z + r * down.z},
                           {c * acrossLength / repeat, 1.0 - r * downLength / repeat});
    addGridTriangles(mesh, rows, columns, [&](const Point3&) { return front; });
    return mesh;
}

// Appends a closed rounded box about `centre` with half sizes `half`: the
// points of a sphere of `rings` rings and `segments` segments pushed onto
// the unit ball of the `exponent`-norm (2: an ellipsoid; higher: boxier),
// a fan at each pole; the texture wraps once around it.
void addRoundedBox(ObjMesh& mesh, const Point3& centre, const Point3& half, double exponent,
                   int rings, int segments)
{
    const auto place = [&](double x, double y, double z) {
        const double norm = std::pow(std::pow(std::abs(x), exponent) + std::pow(std::abs(y), exponent)
                                         + std::pow(std::abs(z), exponent),
                                     1.0 / exponent);
        return Point3{centre.x + half.x * x / norm, centre.y + half.y * y / norm,
                      centre.z + half.z * z / norm};
    };
    const int top = mesh.addVertex(place(0.0, 1.0, 0.0), {0.5, 1.0});
    const int first = top + 1;
    for (int r = 1; r < rings; ++r) {
        const double polar = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double around = 2.0 * pi * s / segments;
            mesh.addVertex(place(std::sin(polar) * std::cos(around), std::cos(polar),
                                 std::sin(polar) * std::sin(around)),
                           {static_cast<double>(s) / segments, 1.0 - static_cast<double>(r) / rings});
        }
    }
    const int bottom = mesh.addVertex(place(0.0, -1.0, 0.0), {0.5, 0.0});
    const auto at = [&](int r, int s) { return first + (r - 1) * segments + s % segments; };
    const auto outside = [&](const Point3& p) {
        return Point3{p.x - centre.x, p.y - centre.y, p.z - centre.z};
    };
    for (int s = 0; s < segments; ++s) {
        mesh.addTriangle(top, at(1, s), at(1, s + 1), outside);
        for (int r = 1; r + 1 < rings; ++r) {
            mesh.addTriangle(at(r, s), at(r, s + 1), at(r + 1, s + 1), outside);
            mesh.addTriangle(at(r, s), at(r + 1, s + 1), at(r + 1, s), outside);
        }
        mesh.addTriangle(at(rings - 1, s), bottom, at(rings - 1, s + 1), outside);
    }
}

// A point of a profile in the (radius, height) half-plane of a surface of
// revolution about the y axis.
struct ProfilePoint
{
    double radius, height;
};

// The closed surface swept by `profile` (from a point on the axis below to
// one on the axis above, the solid on its left as it is walked) turning
// about the y axis in `segments` steps: a fan at each end, a band of quads
// between neighbouring rings.
ObjMesh makeLathe(const std::vector<ProfilePoint>& profile, int segments)
{
    ObjMesh mesh;
    const auto ringVertex = [segments](std::size_t ring, int s) {
        return 1 + static_cast<int>(ring - 1) * segments + s % segments;
    };
    mesh.addVertex({0.0, profile.front().height, 0.0}, {0.0, profile.front().height});
    for (std::size_t k = 1; k + 1 < profile.size(); ++k)
        for (int s = 0; s < segments; ++s) {
            const double angle = 2.0 * pi * s / segments;
            mesh.addVertex({profile[k].radius * std::cos(angle), profile[k].height,
                            profile[k].radius * std::sin(angle)},
                           {static_cast<double>(s) / segments, profile[k].height});
        }
    const int top = mesh.addVertex({0.0, profile.back().height, 0.0}, {0.0, profile.back().height});
    for (std::size_t k = 0; k + 1 < profile.size(); ++k) {
        // Out of the solid: the profile's direction turned clockwise.
        const double outRadius = profile[k + 1].height - profile[k].height;
        const double outHeight = profile[k].radius - profile[k + 1].radius;
        const auto outside = [=](const Point3& p) {
            const double across = std::sqrt(p.x * p.x + p.z * p.z);
            return Point3{outRadius * p.x / across, outHeight, outRadius * p.z / across};
        };
        for (int s = 0; s < segments; ++s) {
            if (k == 0)
                mesh.addTriangle(0, ringVertex(1, s), ringVertex(1, s + 1), outside);
            else if (k + 2 == profile.size())
                mesh.addTriangle(ringVertex(k, s), ringVertex(k, s + 1), top, outside);
            else {
                mesh.addTriangle(ringVertex(k, s), ringVertex(k, s + 1), ringVertex(k + 1, s + 1), outside);
                mesh.addTriangle(ringVertex(k, s), ringVertex(k + 1, s + 1), ringVertex(k + 1, s), outside);
            }
        }
    }
    return mesh;
}

} // namespace

ObjMesh makeCloth()
{
    // 41 columns so that the top row is exactly vertices 0 .. 40; the sheet
    // spans x from -3.5 to -13.5, centred in the default camera's view, and
    // hangs 8.5 below the pole. Gathered five times about x = 0, it still
    // stays (just) in view.
    const int columns = 41;
    const int rows = 35;
    const double right = -3.5;
    const double width = 10.0;
    const double spacing = width / (columns - 1);

    ObjMesh mesh;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const Point3 p{right - c * spacing, -r * spacing, 0.0};
            // The texture repeats twice across the width once the scene
            // doubles these coordinates; texels stay square.
            mesh.addVertex(p, {c / (columns - 1.0), 1.0 - r * spacing / width});
        }
    }
    // Front faces look at the camera, which stands at negative z.
    addGridTriangles(mesh, rows, columns, [](const Point3&) { return Point3{0.0, 0.0, -1.0}; });
    return mesh;
}

ObjMesh makeCylinder()
{
    // 42 rings of 82 vertices; every second ring is turned by half a step so
    // that the triangles are close to equilateral. The middle of the axis lies
    // on the scene camera's line of sight, 7.5 in front of it.
    const int ringSize = 82;
    const int ringCount = 42;
    const double radius = 1.35;
    const double height = 3.65;
    const double bottom = -10.55;
    const double axisX = -2.72;
    const double axisZ = -0.46;

    ObjMesh mesh;
    for (int k = 0; k < ringCount; ++k) {
        const double y = bottom + height * k / (ringCount - 1);
        for (int j = 0; j < ringSize; ++j) {
            const double step = j + 0.5 * (k % 2);
            const double angle = 2.0 * pi * step / ringSize;
            const Point3 p{axisX + radius * std::cos(angle), y, axisZ + radius * std::sin(angle)};
            // u runs 0 -> 1 -> 0 around the ring, so the closed ring needs
            // no seam; v keeps the texels square.
            const double u = 1.0 - std::abs(2.0 * step / ringSize - 1.0);
            mesh.addVertex(p, {u, (y - bottom) / (pi * radius)});
        }
    }
    const auto outward = [&](const Point3& p) { return Point3{p.x - axisX, 0.0, p.z - axisZ}; };
    for (int k = 0; k + 1 < ringCount; ++k) {
        const int lower = k * ringSize;
        const int upper = lower + ringSize;
        for (int j = 0; j < ringSize; ++j) {
            const int next = (j + 1) % ringSize;
            if (k % 2 == 0) {
                // The upper vertex j sits half a step after the lower vertex j.
                mesh.addTriangle(lower + j, lower + next, upper + j, outward);
                mesh.addTriangle(upper + j, lower + next, upper + next, outward);
            } else {
                // The lower vertex j sits half a step after the upper vertex j.
                mesh.addTriangle(lower + j, upper + next, upper + j, outward);
                mesh.addTriangle(lower + j, lower + next, upper + next, outward);
            }
        }
    }

    const int n = ringSize * ringCount;
    const auto ring = [&](int k) { return gridBlock(ringSize, k, 1, 0, ringSize); };
    mesh.renumber(placeGroups(n, {ring(0), ring(1), ring(ringCount - 2), ring(ringCount - 1)},
                              {0, 1600, n - 1682, n - 82}));
    return mesh;
}

ObjMesh makePlate()
{
    // 46 columns along the wall (z from -11.5 to -1.5) and 28 rows out from
    // the wall face (x from -10 to -4), level at y = -3.5.
    const int columns = 46;
    const int rows = 28;
    const double wall = -10.0;
    const double depth = 6.0;
    const double front = -11.5;
    const double length = 10.0;
    const double level = -3.5;
    const double spacing = length / (columns - 1);

    ObjMesh mesh;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const double x = wall + depth * r / (rows - 1);
            const double z = front + spacing * c;
            // One texture repeat per 5 units once the scene halves these
            // coordinates; the brushing runs along the wall.
            mesh.addVertex({x, level, z}, {(z - front) / 2.5, (x - wall) / 2.5});
        }
    }
    addGridTriangles(mesh, rows, columns, [](const Point3&) { return Point3{0.0, 1.0, 0.0}; });

    // The two rows along the wall are clamped in three consecutive stretches.
    mesh.renumber(placeGroups(rows * columns,
                              {gridBlock(columns, 0, 2, 0, 30), gridBlock(columns, 0, 2, 30, 40),
                               gridBlock(columns, 0, 2, 40, columns)},
                              {0, 900, 1250}));
    return mesh;
}

ObjMesh makeTablecloth()
{
    // 45 x 45 vertices, 3.6 cm apart.
    const int side = 45;
    const double width = 1.6;
    const double spacing = width / (side - 1);
    return makeSheet({-0.5 * width, 1.05, -0.5 * width}, {spacing, 0.0, 0.0}, {0.0, 0.0, spacing},
                     side, side, 0.8, {0.0, 1.0, 0.0});
}

ObjMesh makeRoundTable()
{
    // The foot, 3 cm high and 0.5 m across; the column, 8 cm across; the
    // top, 0.9 m across and 5 cm thick, its edge rounded in a half circle,
    // so that a cloth whose vertices keep their distance from it does not
    // cut the corner between them.
    const double edgeRadius = 0.025;
    const double edgeHeight = 0.75 - edgeRadius;
    std::vector<ProfilePoint> profile{{0.0, 0.0}, {0.25, 0.0}, {0.25, 0.03}, {0.04, 0.03},
                                      {0.04, edgeHeight - edgeRadius}};
    const int edgeSteps = 8;
    for (int k = 0; k <= edgeSteps; ++k) {
        const double angle = pi * k / edgeSteps - 0.5 * pi;
        profile.push_back({0.45 - edgeRadius + edgeRadius * std::cos(angle),
                           edgeHeight + edgeRadius * std::sin(angle)});
    }
    profile.push_back({0.0, 0.75});
    return makeLathe(profile, 64);
}

ObjMesh makeCurtain()
{
    // 41 columns and 49 rows, 5 cm apart; the camera looks at its front
    // from negative z.
    const double spacing = 0.05;
    return makeSheet({-1.0, 2.45, 0.0}, {spacing, 0.0, 0.0}, {0.0, -spacing, 0.0}, 49, 41, 1.0,
                     {0.0, 0.0, -1.0});
}

ObjMesh makeQuadruped()
{
    // A body, a head and four legs, each a closed rounded box overlapping
    // the body (their union is the solid): 1.29 m long (x), 1.1 m high and
    // 0.4 m wide, the feet on y = 0, facing +x.
    ObjMesh mesh;
    addRoundedBox(mesh, {0.0, 0.78, 0.0}, {0.5, 0.22, 0.2}, 3.0, 16, 32);
    addRoundedBox(mesh, {0.62, 0.98, 0.0}, {0.17, 0.12, 0.11}, 2.5, 12, 24);
    for (const double x : {-0.36, 0.36})
        for (const double z : {-0.12, 0.12})
            addRoundedBox(mesh, {x, 0.34, z}, {0.065, 0.34, 0.065}, 4.0, 16, 16);
    return mesh;
}
