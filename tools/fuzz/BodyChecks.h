#pragma once

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "scenes/SceneBody.h"

// The checks every scene fuzz target makes on a stepped body: positions stay
// finite and pinned points near their targets.

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

// The diagonal of the box around the body's points.
inline double bodySize(const Eigen::Matrix3Xd& points)
{
    return (points.rowwise().maxCoeff() - points.rowwise().minCoeff()).norm();
}

// Distance of every pinned point from its target, handle after handle.
inline std::vector<double> handleErrors(const SceneBody& body)
{
    const Eigen::Matrix3Xd& points = body.solver->points;
    std::vector<double> errors;
    for (const auto& handle : body.handles)
        for (std::size_t k = 0; k < handle->indices.size(); ++k)
            errors.push_back((points.col(handle->indices[k]) - handle->targets.col(k)).norm());
    return errors;
}

// How far each pinned point may get from its target. A recipe may start a
// point away from its target (the cloth's folds: 0.1, whatever the body's
// size), and such a point pulls the whole body, other pins included; so the
// allowance is the largest start distance plus the body's size, plus the
// rounding of values as large as the target's coordinates or as a step's
// fall under gravity (of the order of 1, whatever the body's size).
inline std::vector<double> allowances(const SceneBody& body, double size)
{
    std::vector<double> allowed = handleErrors(body);
    const double farthest = allowed.empty() ? 0.0 : *std::max_element(allowed.begin(), allowed.end());
    std::size_t j = 0;
    for (const auto& handle : body.handles)
        for (Eigen::Index k = 0; k < handle->targets.cols(); ++k, ++j)
            allowed[j] = farthest + size + 1e-9 * (handle->targets.col(k).norm() + farthest + 1.0);
    return allowed;
}

// Every handle's targets, to measure how far keys have moved them.
inline std::vector<Eigen::Matrix3Xd> handleTargets(const SceneBody& body)
{
    std::vector<Eigen::Matrix3Xd> targets;
    for (const auto& handle : body.handles)
        targets.push_back(handle->targets);
    return targets;
}

// A key may move targets faster than the body can follow, and the body then
// pulls on every pin, so a pinned point is also allowed the largest distance
// any target moved since `startTargets`.
inline void checkBody(const SceneBody& body, const std::vector<double>& allowed,
                      const std::vector<Eigen::Matrix3Xd>& startTargets)
{
    if (!body.solver->points.allFinite())
        fail("a position became non-finite");
    double moved = 0.0;
    for (std::size_t h = 0; h < body.handles.size(); ++h)
        moved = std::max(moved, (body.handles[h]->targets - startTargets[h]).colwise().norm().maxCoeff());
    const std::vector<double> errors = handleErrors(body);
    for (std::size_t k = 0; k < errors.size(); ++k)
        if (errors[k] > allowed[k] + moved * (1.0 + 1e-9))
            fail("a pinned point left its target by more than the body's size");
}

// With one collider, every point ends the step outside it: at least the
// thickness from its surface, up to rounding of the body's coordinates.
// (Between two colliders closer than twice the thickness no place keeps
// that distance from both.)
inline void checkOutsideCollider(const SceneBody& body)
{
    if (!body.colliders || body.colliders->colliders().size() != 1)
        return;
    const Zarvo::Collider& collider = body.colliders->colliders().front();
    const Eigen::Matrix3Xd& points = body.solver->points;
    const double thickness = body.colliders->thickness();
    for (Eigen::Index i = 0; i < points.cols(); ++i)
        if (collider.distance(points.col(i)) < 0.5 * thickness - 1e-9 * (1.0 + points.col(i).norm()))
            fail("a point ended the step inside the collider");
}

// The first vertex that no handle pins, or -1 (no click) when all are pinned.
inline int unpinnedVertex(const SceneBody& body, int vertexCount)
{
    // A filled surface's handles hold lattice nodes, and a pulled vertex
    // pulls a node.
    std::vector<bool> pinned(body.solver->points.cols(), false);
    for (const auto& handle : body.handles)
        for (const int id : handle->indices)
            pinned[id] = true;
    for (int i = 0; i < vertexCount; ++i)
        if (!pinned[body.lattice ? body.lattice->pulledNode(i) : i])
            return i;
    return -1;
}
