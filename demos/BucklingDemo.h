#pragma once

#include <memory>

#include <qopengl.h>
#include <QImage>

#include "constraints/HandleConstraint.h"
#include "demos/MeshDemo.h"

// Scene 2: an upright thin cylindrical shell held at its lower end. The down
// arrow pushes its upper end down (at most 0.72 below the start) until the
// shell buckles, the up arrow lifts it; a click pushes the shell along +z.
class BucklingDemo : public MeshDemo
{
public:
    BucklingDemo();
    ~BucklingDemo() override;

    void init(Camera& camera) override;
    void initGL() override;
    void draw(bool shadow, bool wireframe) override;

    // The held vertex group; the solver holds it too.
    std::shared_ptr<Zarvo::HandleConstraint> fixedHandle;
    // The vertex group moved by the arrow keys; the solver holds it too.
    std::shared_ptr<Zarvo::HandleConstraint> movingHandle;
    QImage texture;
    GLuint textureId = 0;
};
