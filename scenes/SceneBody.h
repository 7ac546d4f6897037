#pragma once

#include <memory>
#include <vector>

#include "constraints/HandleConstraint.h"
#include "contact/ColliderSet.h"
#include "scenes/EmbeddedLattice.h"
#include "scenes/HandleKeys.h"
#include "solver/ClickForce.h"
#include "solver/Solver.h"

// What a scene's set-up builds around its mesh (SceneSetup.h). The solver
// holds everything too; the scene keeps these to move handles and to aim
// the mouse force.
struct SceneBody
{
    std::shared_ptr<Zarvo::Solver> solver;
    // One per pinned group, in the order they were added to the solver.
    std::vector<std::shared_ptr<Zarvo::HandleConstraint>> handles;
    // Added to the solver with vertex -1 (no pick).
    std::shared_ptr<Zarvo::ClickForce> clickForce;
    // The recipe's obstacles, which the solver keeps the body out of; null
    // without any.
    std::shared_ptr<Zarvo::ColliderSet> colliders;
    // The recipe's arrow keys, acting on `handles` and `colliders`.
    HandleKeys keys;
    // Solver steps per step of the scene.
    int substeps = 1;
    // A filled surface's lattice, whose nodes the solver views and steps;
    // null for every other body, whose solver views the mesh's vertices.
    std::shared_ptr<EmbeddedLattice> lattice;
};
