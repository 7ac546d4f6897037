#include "demos/ThinPlateDemo.h"

#include <array>

#include "demos/GlDrawing.h"

namespace {

// One face of the wall box: its normal and four (texture coordinate, corner
// of the unit cube [-1, 1]^3) pairs.
struct WallFace
{
    std::array<GLfloat, 3> normal;
    std::array<std::array<GLfloat, 5>, 4> corners;  // s, t, x, y, z
};

// The texture coordinates give the stone courses their size on each face.
const std::array<WallFace, 6> wallFaces{{
    {{0, 0, 1}, {{{0, 0, -1, -1, 1}, {0.1f, 0, 1, -1, 1}, {0.1f, 1.55f, 1, 1, 1}, {0, 1.55f, -1, 1, 1}}}},
    {{0, 0, -1}, {{{0.1f, 0, -1, -1, -1}, {0.1f, 1.55f, -1, 1, -1}, {0, 1.55f, 1, 1, -1}, {0, 0, 1, -1, -1}}}},
    {{0, 1, 0}, {{{0, 2.5f, -1, 1, -1}, {0, 0, -1, 1, 1}, {0.1f, 0, 1, 1, 1}, {0.1f, 2.5f, 1, 1, -1}}}},
    {{0, -1, 0}, {{{0.1f, 2.5f, -1, -1, -1}, {0, 2.5f, 1, -1, -1}, {0, 0, 1, -1, 1}, {0.1f, 0, -1, -1, 1}}}},
    {{1, 0, 0}, {{{2.5f, 0, 1, -1, -1}, {2.5f, 1.55f, 1, 1, -1}, {0, 1.55f, 1, 1, 1}, {0, 0, 1, -1, 1}}}},
    {{-1, 0, 0}, {{{0, 0, -1, -1, -1}, {2.5f, 0, -1, -1, 1}, {2.5f, 1.55f, -1, 1, 1}, {0, 1.55f, -1, 1, -1}}}},
}};

// The wall face x + 10 = 0 as (a, b, c, d) of ax + by + cz + d = 0.
const std::array<GLfloat, 4> wallPlane{1.0f, 0.0f, 0.0f, 10.0f};
const std::array<GLfloat, 16> wallShadow = planarShadowMatrix(lightPosition, wallPlane);

} // namespace

ThinPlateDemo::ThinPlateDemo()
    : MeshDemo(plateRecipe())
{
}

ThinPlateDemo::~ThinPlateDemo()
{
    deleteTexture(metalTextureId);
    deleteTexture(stoneTextureId);
}

void ThinPlateDemo::init(Camera& camera)
{
    readMesh();
    metalImage = loadImage(recipe.imageFiles.at(0));
    stoneImage = loadImage(recipe.imageFiles.at(1));
    buildBody(camera);
}

void ThinPlateDemo::initGL()
{
    metalTextureId = uploadTexture(metalImage);
    stoneTextureId = uploadTexture(stoneImage);
    setTexCoordPointer();
}

void ThinPlateDemo::draw(bool shadow, bool wireframe)
{
    const bool normalPass = !shadow && !wireframe;
    if (normalPass) {
        // Mark the visible wall pixels for the plate's wall shadow.
        markStencil();
    }
    if (!wireframe)
        drawWall();
    if (normalPass)
        drawWallShadow();
    drawPlate();
}

void ThinPlateDemo::drawWall() const
{
    setMaterial({0.3f, 0.3f, 0.3f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
                10.0f);
    glBindTexture(GL_TEXTURE_2D, stoneTextureId);
    // The box is scaled, so its normals need renormalising.
    glEnable(GL_NORMALIZE);
    glPushMatrix();
    glTranslatef(-10.4f, -4.8f, -3.5f);
    glScalef(0.4f, 6.2f, 10.0f);
    glBegin(GL_QUADS);
    for (const WallFace& face : wallFaces) {
        glNormal3fv(face.normal.data());
        for (const auto& corner : face.corners) {
            glTexCoord2f(corner[0], corner[1]);
            glVertex3f(corner[2], corner[3], corner[4]);
        }
    }
    glEnd();
    glPopMatrix();
    glDisable(GL_NORMALIZE);
}

void ThinPlateDemo::drawWallShadow() const
{
    drawPlanarShadow(wallShadow, [this] { drawTriangles(metalTextureId); });
}

void ThinPlateDemo::drawPlate() const
{
    setMaterial({0.0f, 0.0f, 0.0f, 0.95f}, {0.9f, 0.9f, 0.9f, 0.95f}, {1.0f, 1.0f, 1.0f, 0.95f},
                60.0f);
    drawTriangles(metalTextureId);
}
