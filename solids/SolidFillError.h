#pragma once

#include <stdexcept>
#include <string>

namespace Zarvo {

// A surface that cannot be filled (SurfaceFill.h). what() is one line a
// person can act on, naming the mesh and why.
class SolidFillError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

}  // namespace Zarvo
