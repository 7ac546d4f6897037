#include "demos/GlDrawing.h"

#include <GL/glu.h>

GLuint uploadTexture(const QImage& image, GLint minFilter)
{
    GLuint texture = 0;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    if (!image.isNull())
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image.width(), image.height(), GL_RGBA,
                          GL_UNSIGNED_BYTE, image.bits());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void deleteTexture(GLuint texture)
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

void setMaterial(const std::array<GLfloat, 4>& ambient, const std::array<GLfloat, 4>& diffuse,
                 const std::array<GLfloat, 4>& specular, GLfloat shininess)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular.data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}

void markStencil()
{
    glEnable(GL_STENCIL_TEST);
    glClear(GL_STENCIL_BUFFER_BIT);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
}

void drawPlanarShadow(const std::array<GLfloat, 16>& projection, const std::function<void()>& drawCaster)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(projection.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // A marked pixel is reset to 0 once darkened, so overlapping parts of
    // the caster darken it only once.
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
    glColor4f(0.2f, 0.2f, 0.2f, 0.5f);
    drawCaster();
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}

std::array<GLfloat, 16> planarShadowMatrix(const std::array<GLfloat, 4>& light,
                                           const std::array<GLfloat, 4>& plane)
{
    const GLfloat d = plane[0] * light[0] + plane[1] * light[1] + plane[2] * light[2]
                      + plane[3] * light[3];
    std::array<GLfloat, 16> matrix{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            matrix[4 * column + row] = (row == column ? d : 0.0f) - light[row] * plane[column];
    return matrix;
}
