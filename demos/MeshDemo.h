#pragma once

#include <memory>
#include <string>

#include <qopengl.h>
#include <QImage>

#include "demos/Demo.h"
#include "scenes/HandleKeys.h"
#include "scenes/SceneBody.h"
#include "scenes/SceneRecipe.h"
#include "solver/ClickForce.h"

// The behaviour that every scene shares: set-up from a recipe, one solver
// step per tick with the pending pick, the per-frame array update, picking
// through the depth buffer, texture upload and drawing the mesh. A scene
// adds its recipe, the images it keeps, what it draws around the mesh and
// its keys.
class MeshDemo : public Demo
{
public:
    void step() override;
    void updateArrays() override;
    void click(const QPoint& position) override;
    // The arrow keys act on the pinned groups as the recipe says.
    void keyPress(QKeyEvent* event) override;

    // The mouse force; the solver's force list holds it too.
    std::shared_ptr<Zarvo::ClickForce> clickForce;
    // Vertex chosen by the last click, -1 = none; every step resets it.
    int pickedVertex = -1;
    // The arrow keys' actions and how far they have moved each group.
    HandleKeys keys;
    // Solver steps per tick.
    int substeps = 1;
    // A filled surface's lattice, whose nodes the solver steps and the mesh
    // follows; null for every other body.
    std::shared_ptr<EmbeddedLattice> lattice;

protected:
    explicit MeshDemo(SceneRecipe recipe);

    // Reads and checks the scene's mesh and fills texCoords. Throws
    // ResourceError naming the file.
    void readMesh();
    // Loads one image of the scene (a resource file, or a path for a scene
    // read from a file) into GL layout. A missing or unreadable image gives
    // a null image (the scene draws untextured) and a message naming it in
    // resourceProblems.
    QImage loadImage(const std::string& file);
    // The world point under `position` (widget coordinates) from the depth
    // buffer and matrices of the last frame; false where un-projection fails.
    bool pointUnder(const QPoint& position, Eigen::Vector3d& point) const;
    // Builds solver, constraints, handles, forces and draw indices, and
    // writes the scene camera into `camera`. Call after readMesh.
    SceneBody buildBody(Camera& camera);

    // Points the GL texture-coordinate array at texCoords.
    void setTexCoordPointer() const;
    // Draws the mesh's triangles with `texture` bound, from the arrays set by
    // updateArrays and setTexCoordPointer.
    void drawTriangles(GLuint texture) const;

    // Set by the constructor; a scene read from a file sets it once more,
    // when it has read the file.
    SceneRecipe recipe;
};
