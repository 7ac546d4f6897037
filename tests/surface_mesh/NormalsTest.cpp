#include "surface_mesh/Surface_mesh.h"

#include <gtest/gtest.h>

#include "MeshChecks.h"

#include <cmath>

using namespace surface_mesh;

namespace {

Point unit(const Point& p)
{
    return p * (1.0 / norm(p));
}

double angle_between(const Point& a, const Point& b)
{
    return std::atan2(norm(cross(a, b)), dot(a, b));
}

void expect_near(const Point& actual, const Point& expected, double tolerance)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

} // namespace

TEST(Normals, SingleTriangleFacesWhereItsCornersRunCounterClockwise)
{
    Surface_mesh mesh;
    const Vertex a = mesh.add_vertex(Point(0, 0, 0));
    const Vertex b = mesh.add_vertex(Point(1, 0, 0));
    const Vertex c = mesh.add_vertex(Point(0, 1, 0));
    const Vertex lonely = mesh.add_vertex(Point(5, 5, 5));
    mesh.add_face({a, b, c});
    mesh.compute_vertex_normals();
    auto normals = mesh.find_vertex_property<Point>("v:normal");
    ASSERT_TRUE(normals);
    for (const Vertex v : {a, b, c})
        EXPECT_EQ(normals[v], Point(0, 0, 1));
    EXPECT_EQ(normals[lonely], Point(0, 0, 0));
}

TEST(Normals, FoldedPairIsWeightedByCornerAngleNotByArea)
{
    // Shared edge 0-1; the first face is long (large area, right angle at
    // vertex 0), the second small and tilted out of the plane.
    Surface_mesh mesh;
    const Vertex v0 = mesh.add_vertex(Point(0, 0, 0));
    const Vertex v1 = mesh.add_vertex(Point(1, 0, 0));
    const Vertex v2 = mesh.add_vertex(Point(0, 3, 0));
    const Vertex v3 = mesh.add_vertex(Point(0.4, -0.5, 0.6));
    ASSERT_TRUE(mesh.add_face({v0, v1, v2}).is_valid());
    ASSERT_TRUE(mesh.add_face({v1, v0, v3}).is_valid());

    const auto p = [&](Vertex v) { return mesh.position(v); };
    const Point n_first = unit(cross(p(v1) - p(v0), p(v2) - p(v0)));
    const Point n_second = unit(cross(p(v0) - p(v1), p(v3) - p(v1)));
    const double first = angle_between(p(v1) - p(v0), p(v2) - p(v0));
    const double second = angle_between(p(v3) - p(v0), p(v1) - p(v0));
    const Point expected = unit(first * n_first + second * n_second);
    expect_near(mesh.normal_of_vertex(v0), expected, 1e-14);

    const Point by_area = unit(cross(p(v1) - p(v0), p(v2) - p(v0)) + cross(p(v0) - p(v1), p(v3) - p(v1)));
    EXPECT_GT(norm(mesh.normal_of_vertex(v0) - by_area), 1e-2);
    // Vertex 2 has one corner only: exactly the first face's normal.
    expect_near(mesh.normal_of_vertex(v2), n_first, 1e-15);
}

TEST(Normals, DegenerateCornersGiveTheZeroVector)
{
    Surface_mesh mesh;
    const Vertex a = mesh.add_vertex(Point(2, 2, 2));
    const Vertex b = mesh.add_vertex(Point(2, 2, 2));
    const Vertex c = mesh.add_vertex(Point(3, 2, 2));
    mesh.add_face({a, b, c});
    for (const Vertex v : {a, b, c})
        EXPECT_EQ(mesh.normal_of_vertex(v), Point(0, 0, 0));
}

TEST(Normals, CosineRoundedPastOneIsClamped)
{
    // Two nearly parallel corner edges whose cosine evaluates to
    // 1.0000000000000002; an unclamped arccos would be NaN.
    const Point a(0.1 * 13, 0.3 * 13, 0.7);
    const Point b(0.2 * 13, 0.6 * 13, 1.4 + 1e-15);
    ASSERT_GT(dot(a, b) / std::sqrt(dot(a, a) * dot(b, b)), 1.0);

    Surface_mesh mesh;
    const Vertex origin = mesh.add_vertex(Point(0, 0, 0));
    mesh.add_face({origin, mesh.add_vertex(a), mesh.add_vertex(b)});
    EXPECT_EQ(mesh.normal_of_vertex(origin), Point(0, 0, 0));
}

TEST(Normals, ArrayNamedWithAnotherTypeIsLeftAloneWithAMessage)
{
    Surface_mesh mesh;
    auto normals = mesh.add_vertex_property<int>("v:normal", 7);
    mesh.add_face({mesh.add_vertex(Point(0, 0, 0)), mesh.add_vertex(Point(1, 0, 0)),
                   mesh.add_vertex(Point(0, 1, 0))});
    const std::string messages = captured_stderr([&] { mesh.compute_vertex_normals(); });
    EXPECT_NE(messages.find("Surface_mesh::compute_vertex_normals: the property \"v:normal\" "
                            "holds another type; left alone\n"),
              std::string::npos)
        << messages;
    EXPECT_EQ(normals.vector(), std::vector<int>(3, 7));
}
