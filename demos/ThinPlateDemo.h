#pragma once

#include <qopengl.h>
#include <QImage>

#include "demos/MeshDemo.h"

// Scene 3: a metal plate standing out from a stone wall, pinned along the
// wall. A click pushes the plate down; the plate casts its shadow on the
// wall as well as on the ground. No key has an effect.
class ThinPlateDemo : public MeshDemo
{
public:
    ThinPlateDemo();
    ~ThinPlateDemo() override;

    void init(Camera& camera) override;
    void initGL() override;
    void draw(bool shadow, bool wireframe) override;

    QImage metalImage;
    QImage stoneImage;
    GLuint metalTextureId = 0;
    GLuint stoneTextureId = 0;

private:
    void drawWall() const;
    // The plate projected from the light onto the wall face, only where the
    // stencil marks visible wall, each pixel darkened at most once.
    void drawWallShadow() const;
    void drawPlate() const;
};
