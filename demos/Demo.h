#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <Eigen/Core>

#include "solver/Solver.h"
#include "surface_mesh/Surface_mesh.h"

class Camera;
class QKeyEvent;
class QPoint;

// The scene that the main window drives: one simulated body with what is
// drawn around it. Exactly one scene exists at a time. The window calls
// init and initGL once, then per timer tick click (when a click is pending)
// and step, and per frame updateArrays and draw three times; in interactive
// mode it hands every key to keyPress. All calls come from the GUI thread.
//
// init throws ResourceError (naming the file) when the mesh is missing,
// unreadable or unfit; it throws before touching any GL state, and the scene
// may then only be destroyed. A missing or unreadable image is not fatal: the
// scene draws without it and names it in resourceProblems.
class Demo
{
public:
    virtual ~Demo() = default;

    // Builds mesh, solver, constraints, handles and forces, and overwrites
    // `camera` with the scene's camera.
    virtual void init(Camera& camera) = 0;
    // Advances the body by one solver step; a pending pick acts for this
    // step only.
    virtual void step() = 0;
    // Creates and uploads the scene's textures and sets the GL
    // texture-coordinate array. Needs a current GL context.
    virtual void initGL() = 0;
    // Recomputes the vertex normals and points the GL vertex and normal
    // arrays at the mesh's own storage.
    virtual void updateArrays() = 0;
    // (true, false): inside the ground-shadow projection; (false, false): the
    // shaded scene; (false, true): the wireframe overlay.
    virtual void draw(bool shadow, bool wireframe) = 0;
    // Scenes react to the arrow keys only.
    virtual void keyPress(QKeyEvent* event) = 0;
    // Picks the vertex under `position` (widget coordinates, origin top left)
    // for the next step, from the depth buffer and matrices of the last frame.
    virtual void click(const QPoint& position) = 0;
    // Where the ground lies (its y), for a scene with a floor of its own;
    // nothing: the window's ground at y = -11.
    virtual std::optional<float> groundHeight() const { return std::nullopt; }

    // The solver's iteration count, 0 while there is no solver.
    int iterations() const;
    // The solver's thread count, 0 while there is no solver.
    int threadCount() const;
    // Sets the solver's (and OpenMP's) thread count; nothing without a solver.
    void setThreadCount(int n);

    // Face collector for the mesh's face walk: appends the three vertex ids
    // of a triangle to `indices`; faces of any other size are not drawn.
    // `positions` (3 x k) is not used.
    void addFace(const std::vector<int>& ids, const Eigen::Matrix3Xd& positions);

    // Declared in this order so that the solver, which views the mesh's
    // "v:point" array, is released before the mesh.
    surface_mesh::Surface_mesh mesh;
    std::shared_ptr<Zarvo::Solver> solver;
    // Three vertex indices per drawn triangle, in face order (glDrawElements).
    std::vector<std::uint32_t> indices;
    // One (s, t) per vertex, indexed by vertex index (GL texture-coordinate
    // array).
    std::vector<std::pair<double, double>> texCoords;
    // Resource files the scene runs without, one message each ("cannot read
    // resources/<file>"), filled by init.
    std::vector<std::string> resourceProblems;
};
