#include "demos/GlDrawing.h"

#include <GL/glu.h>

GLuint uploadTexture(const QImage& image)
{
    GLuint texture = 0;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image.width(), image.height(), GL_RGBA,
                      GL_UNSIGNED_BYTE, image.bits());
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
