#pragma once

#include <memory>

#include <qopengl.h>
#include <QImage>

#include "constraints/HandleConstraint.h"
#include "demos/MeshDemo.h"

// Scene 1: a cloth hanging from a pole along the x axis, pinned at nine
// points of its top edge. Left and right arrows gather and spread the
// pinned points along the pole; a click pushes the cloth away from the camera.
class ClothDemo : public MeshDemo
{
public:
    ClothDemo();
    ~ClothDemo() override;

    void init(Camera& camera) override;
    void initGL() override;
    void draw(bool shadow, bool wireframe) override;

    // The nine pinned points; the solver holds it too.
    std::shared_ptr<Zarvo::HandleConstraint> handle;
    QImage texture;
    GLuint textureId = 0;
};
