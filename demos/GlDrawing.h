#pragma once

#include <array>

#include <qopengl.h>
#include <QImage>

// GL helpers shared by the scenes. All need a current GL context, except
// deleteTexture(0).

// Creates a mipmapped texture that repeats in both directions, linear when
// magnified and trilinear when minified, from `image` (already in GL layout:
// RGBA bytes, first row at the bottom). Returns its name.
GLuint uploadTexture(const QImage& image);

// Deletes `texture` unless it is 0 (never created).
void deleteTexture(GLuint texture);

// Sets the material of front and back faces; colours are RGBA.
void setMaterial(const std::array<GLfloat, 4>& ambient, const std::array<GLfloat, 4>& diffuse,
                 const std::array<GLfloat, 4>& specular, GLfloat shininess);

// The matrix that projects every point from the point light `light`
// (homogeneous, w = 1 for a positional light) onto the plane
// plane[0] x + plane[1] y + plane[2] z + plane[3] = 0: d I - light plane^T
// with d = plane . light, column-major for glMultMatrixf.
std::array<GLfloat, 16> planarShadowMatrix(const std::array<GLfloat, 4>& light,
                                           const std::array<GLfloat, 4>& plane);
