#pragma once

#include <array>
#include <functional>

#include <qopengl.h>
#include <QImage>

// GL helpers shared by the scenes. All need a current GL context, except
// deleteTexture(0).

// The frame's point light (light 0), in world coordinates, homogeneous with
// w = 1. Every planar shadow is cast from it.
constexpr std::array<GLfloat, 4> lightPosition{0.0f, 10.0f, -10.0f, 1.0f};

// Creates a mipmapped texture that repeats in both directions, linear when
// magnified and filtered with `minFilter` when minified, from `image`
// (already in GL layout: RGBA bytes, first row at the bottom). A null image
// gives a texture without levels, which draws untextured. Returns its name.
GLuint uploadTexture(const QImage& image, GLint minFilter = GL_LINEAR_MIPMAP_LINEAR);

// Deletes `texture` unless it is 0 (never created).
void deleteTexture(GLuint texture);

// Sets the material of front and back faces; colours are RGBA.
void setMaterial(const std::array<GLfloat, 4>& ambient, const std::array<GLfloat, 4>& diffuse,
                 const std::array<GLfloat, 4>& specular, GLfloat shininess);

// Enables the stencil test, clears the stencil buffer and makes everything
// drawn next set its pixels to 1, so that a later shadow can be kept to them.
void markStencil();

// Draws what `drawCaster` draws, flattened by `projection`, as a half
// transparent dark grey on the pixels marked with 1 only, darkening each of
// them at most once; then turns the stencil test off and restores texturing,
// lighting, depth testing and the model-view matrix.
void drawPlanarShadow(const std::array<GLfloat, 16>& projection, const std::function<void()>& drawCaster);

// The matrix that projects every point from the point light `light`
// (homogeneous, w = 1 for a positional light) onto the plane
// plane[0] x + plane[1] y + plane[2] z + plane[3] = 0: d I - light plane^T
// with d = plane . light, column-major for glMultMatrixf.
std::array<GLfloat, 16> planarShadowMatrix(const std::array<GLfloat, 4>& light,
                                           const std::array<GLfloat, 4>& plane);
