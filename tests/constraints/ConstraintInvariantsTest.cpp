#include "constraints/BendingIsometricConstraint.h"
#include "constraints/EdgeStrainConstraint.h"
#include "constraints/TetrahedronStrainConstraint.h"
#include "constraints/TriangleStrainConstraint.h"

#include "ConstraintTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace Zarvo;

namespace {

// A constraint class paired with a rest element in general position.
struct Element
{
    std::string name;
    Eigen::Matrix3Xd rest;
    std::function<std::shared_ptr<Constraint>(const Eigen::Matrix3Xd&)> make;
};

std::vector<Element> elements()
{
    Eigen::Matrix3Xd edge(3, 2);
    edge << 0.1, 1.3, -0.2, 0.4, 0.5, 0.9;
    Eigen::Matrix3Xd triangle(3, 3);
    triangle << 0, 1.5, 0.4, 0, 0.2, 1.1, 0, -0.3, 0.6;
    Eigen::Matrix3Xd tetrahedron(3, 4);
    tetrahedron << 0, 1.2, 0.3, 0.1, 0, 0.1, 0.9, -0.2, 0, 0.2, 0.1, 1.4;
    Eigen::Matrix3Xd hinge(3, 4);
    hinge << 0, 1.0, 0.4, 0.6, 0, 0.1, 0.9, -0.8, 0, 0, 0.3, 0.5;
    const std::vector<int> four = {0, 1, 2, 3};
    return {
        {"edge", edge,
         [](const Eigen::Matrix3Xd& p) {
             return std::make_shared<EdgeStrainConstraint>(std::vector<int>{0, 1}, p, 0.005);
         }},
        {"triangle", triangle,
         [](const Eigen::Matrix3Xd& p) {
             return std::make_shared<TriangleStrainConstraint>(std::vector<int>{0, 1, 2}, p, 0.3);
         }},
        {"tetrahedron", tetrahedron,
         [four](const Eigen::Matrix3Xd& p) {
             return std::make_shared<TetrahedronStrainConstraint>(four, p, 0.3);
         }},
        {"curved hinge", hinge,
         [four](const Eigen::Matrix3Xd& p) {
             return std::make_shared<BendingIsometricConstraint>(four, p, 8e-6);
         }},
    };
}

double maxAbsDifference(const PointRows& a, const PointRows& b)
{
    return (a - b).cwiseAbs().maxCoeff();
}

}  // namespace

// The rigid motion scales with the element: a fixed translation of a tiny
// element would round its edge vectors far beyond 1e-12 of their length.
// Shrunk by 1e-6 the hinge's curvature vector falls below the absolute
// flatness threshold of 1e-6 and the hinge counts as flat, so that case is
// the hinge's own test's.
TEST(ConstraintInvariants, RestShapeMovedRigidlyProjectsOntoItsOwnRowValueAtAnyScale)
{
    for (const Element& element : elements()) {
        for (const double scale : {1.0, 1e-6, 1e6}) {
            if (scale < 1.0 && element.name == "curved hinge")
                continue;
            SCOPED_TRACE(element.name + " scaled by " + std::to_string(scale));
            const Eigen::Matrix3Xd rest = scale * element.rest;
            const std::shared_ptr<Constraint> constraint = element.make(rest);
            const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(*constraint, rest.cols());
            const Eigen::Matrix3Xd moved = scale * Zarvo::Test::movedRigidly(element.rest);
            for (const Eigen::Matrix3Xd& current : {rest, moved}) {
                const PointRows value = Zarvo::Test::rowValueAt(assembly, current);
                const PointRows projection =
                    Zarvo::Test::projectionAt(*constraint, assembly.rowCount, current);
                EXPECT_LT(maxAbsDifference(projection, value), 1e-12 * value.cwiseAbs().maxCoeff());
            }
        }
    }
}

TEST(ConstraintInvariants, CloneProjectsLikeItsSourceAndIsIndependent)
{
    for (const Element& element : elements()) {
        SCOPED_TRACE(element.name);
        const std::shared_ptr<Constraint> source = element.make(element.rest);
        const std::shared_ptr<Constraint> copy = source->clone();
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, source);
        EXPECT_EQ(typeid(*copy), typeid(*source));
        EXPECT_EQ(copy->indices, source->indices);
        EXPECT_EQ(copy->weight, source->weight);

        const int pointCount = static_cast<int>(element.rest.cols());
        const Zarvo::Test::Assembly sourceAssembly = Zarvo::Test::assemble(*source, pointCount);
        // The copy gets its rows afresh, wherever the solver places them.
        std::vector<Eigen::Triplet<double>> triplets;
        int nextRow = 4;
        copy->addTriplets(triplets, nextRow, pointCount);
        EXPECT_EQ(copy->firstRow, 4);
        EXPECT_EQ(source->firstRow, 0);
        ASSERT_EQ(triplets.size(), sourceAssembly.triplets.size());
        for (std::size_t t = 0; t < triplets.size(); ++t) {
            EXPECT_EQ(triplets[t].row(), sourceAssembly.triplets[t].row() + 4);
            EXPECT_EQ(triplets[t].col(), sourceAssembly.triplets[t].col());
            EXPECT_EQ(triplets[t].value(), sourceAssembly.triplets[t].value());
        }

        Eigen::Matrix3Xd deformed = element.rest;
        deformed(0, 1) += 0.4;
        deformed(2, 0) -= 0.3;
        const PointRows fromSource = Zarvo::Test::projectionAt(*source, sourceAssembly.rowCount, deformed);
        PointRows fromCopy = PointRows::Zero(nextRow, 3);
        copy->project(Zarvo::Test::pointRows(deformed), fromCopy);
        EXPECT_EQ(PointRows(fromCopy.bottomRows(sourceAssembly.rowCount)), fromSource);

        // Tripled, every edge is past twice its rest length: only an edge
        // counts as broken there, and a copy must agree at rest and there.
        for (const Eigen::Matrix3Xd& points : {element.rest, Eigen::Matrix3Xd(3.0 * element.rest)})
            EXPECT_EQ(copy->isBroken(Zarvo::Test::pointRows(points)),
                      source->isBroken(Zarvo::Test::pointRows(points)));
    }
}
