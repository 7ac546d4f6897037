#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "contact/Collider.h"
#include "scenes/KeyAction.h"
#include "solids/FilledSolid.h"
#include "solids/TetMesh.h"

// The values that make one scene: its files, weights, handles, forces,
// camera and pick radius. Free of Qt and GL, so tests and benchmarks can
// build a scene's body without a window (SceneSetup.h).
struct SceneRecipe
{
    // Whether meshFile and imageFiles name files inside the resource folder
    // (the shipped scenes) or are paths (a scene read from a file).
    bool inResourceFolder = true;
    // Mesh file, e.g. "cloth_mesh.obj".
    std::string meshFile;
    // The body's tetrahedra, by vertex, when it was read from a tetrahedral
    // mesh file: they carry its masses (a quarter of each one's volume to
    // each corner) and its strain, in place of its faces. Empty for a
    // surface body.
    std::vector<Zarvo::Tetrahedron> tetrahedra;
    // The lattice that fills a closed surface (a scene file's "solid"): its
    // nodes are simulated, with masses from and strain on its tetrahedra,
    // and the mesh's vertices follow them (EmbeddedLattice.h). Null for
    // every other body.
    std::shared_ptr<const Zarvo::FilledSolid> solid;
    // Image files, in the order the scene uploads them.
    std::vector<std::string> imageFiles;
    // Smallest vertex count for which every pinned index exists.
    int minimumVertexCount = 0;
    // Factor applied to the file's texture coordinates.
    double texCoordScale = 1.0;
    // Constraint weights, kept in single precision: the bound factories
    // widen them to double on every call. A solid's strain weight is that
    // of its tetrahedra; it has no bending weight.
    float strainWeight = 0.0f;
    float bendingWeight = 0.0f;
    // Mass per unit of area (of volume for a solid). Only bodies read from
    // files change it: a
    // lighter body loads its pins less (the handles' stiffness is fixed).
    double density = 1.0;
    // Local/global passes per step, less one.
    int iterations = 10;
    // Seconds per step (0.1 as a single-precision literal, widened), and
    // how many solver steps of timeStep / substeps make one.
    double timeStep = 0.1f;
    int substeps = 1;
    // The gravity acceleration; y is up.
    Eigen::Vector3d gravity = Eigen::Vector3d(0, -10, 0);
    // Static obstacles, in the body's coordinates, and the distance the body
    // keeps from their surfaces; none in the shipped scenes.
    std::vector<Zarvo::Collider> colliders;
    double contactThickness = 0.0;
    // Whether the body keeps from passing through itself (a scene file's
    // "self_contact"), the distance its layers keep and their friction; off
    // in the shipped scenes.
    bool selfContact = false;
    double selfThickness = 0.0;
    double selfFriction = 0.0;
    // The mesh files the colliders were read from, which a window watches.
    std::vector<std::string> colliderFiles;
    // The pinned vertex groups for a mesh of `vertexCount` vertices, one
    // handle each, in the order the handles are added to the solver.
    std::function<std::vector<std::vector<int>>(int vertexCount)> handleGroups;
    // Optional: changes the start targets (3 x k, one column per pinned
    // vertex) of handle `group` before the handle is made.
    std::function<void(std::size_t group, Eigen::Matrix3Xd& targets)> shapeTargets;
    // What the arrow keys do to the groups (HandleKeys).
    std::map<SceneKey, KeyAction> keys;
    // The mouse push on the picked vertex, used as an acceleration.
    Eigen::Vector3d clickForce = Eigen::Vector3d::Zero();
    // A click picks the nearest vertex closer than this squared distance.
    double pickRadius = 0.0;
    // Scene camera, in single precision as the camera keeps it.
    std::array<float, 3> eye{};
    std::array<float, 3> center{};
};

// The three scenes, in the order of the keys 1 to 3.
SceneRecipe clothRecipe();
SceneRecipe bucklingRecipe();
SceneRecipe plateRecipe();
