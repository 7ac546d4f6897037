#pragma once

#include <stdexcept>
#include <string>

namespace Zarvo {

// A tetrahedral mesh file that cannot be read or is refused. what() is one
// line a person can act on: the file, the line in it and what is wrong
// ("bar.msh:12: ...").
class TetMeshError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

}  // namespace Zarvo
