#pragma once

#include <string>
#include <vector>

#include <qopengl.h>
#include <QImage>

#include "demos/ColliderDrawing.h"
#include "demos/DisplayFrame.h"
#include "demos/MeshDemo.h"

// Scene 4: a body read from a file a person gives (a scene file, a mesh
// file, or a shipped scene's name, as the headless runner takes them),
// drawn with the first image its scene file names (untextured without one)
// on the window's stage through a DisplayFrame, with its colliders; its
// floor, if it has one, is where the window puts the ground.
//
// Made in two halves so that a large body never stalls the window: the
// constructor and build() read the file and build and factorize the body;
// they touch neither GL nor Qt's GUI and may run on any thread, one call at
// a time. init() (which builds first if build() was not called) then loads
// the image and writes the camera, and initGL() uploads, on the GUI thread.
class FileDemo : public MeshDemo
{
public:
    // Reads `file` (names of shipped scenes are read from `resourceFolder`).
    // Throws ResourceError naming the file and, in a scene file, the field.
    FileDemo(const std::string& file, const std::string& resourceFolder);
    ~FileDemo() override;

    // Builds the solver with its constraints, handles and forces and
    // factorizes it; the draw indices too. Throws ResourceError.
    void build();

    void init(Camera& camera) override;
    void initGL() override;
    void draw(bool shadow, bool wireframe) override;
    // Picks as every scene does, in the body's own units.
    void click(const QPoint& position) override;
    std::optional<float> groundHeight() const override;

    // How the body is called to a person: "flag.json", "flag.obj", "cloth".
    const std::string& title() const { return title_; }
    // The files the scene was read from: the mesh, the images and the
    // colliders' meshes (a scene file's own path is the caller's).
    std::vector<std::string> sourceFiles() const;
    // Lower-case names of the arrow keys that act on the body ("left",
    // "right", "up", "down", in this order).
    std::vector<std::string> arrowKeys() const;

    // Where the window shows the body, fixed when the file is read.
    DisplayFrame frame;
    QImage texture;
    GLuint textureId = 0;

private:
    std::string title_;
    ColliderDrawing colliders_;
    bool built_ = false;
};
