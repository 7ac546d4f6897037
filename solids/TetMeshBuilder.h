#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include <Eigen/Core>

#include "solids/TetFileText.h"
#include "solids/TetMesh.h"

namespace Zarvo {

// What every tetrahedral mesh reader does with the nodes and tetrahedra it
// finds: numbers them as the file does, and checks each tetrahedron once
// the whole file is read, so that it may name nodes listed after it.
class TetMeshBuilder
{
public:
    // The node numbered `number` in the file (a tag, or a position counted
    // from 0 or 1), at the current line of `text`: refused when the file
    // numbers another node so.
    void addNode(long long number, const Eigen::Vector3d& position, const TetFileText& text);
    // A tetrahedron by its corners' numbers, at the current line of `text`.
    void addTetrahedron(const std::array<long long, 4>& corners, const TetFileText& text);

    // The mesh: the nodes on some tetrahedron, in the file's order, and the
    // tetrahedra. Refuses, naming the tetrahedron's file and line, a corner
    // that the file does not define, and a tetrahedron whose volume is
    // negative (corners in the wrong order) or zero for its size; refuses a
    // file without tetrahedra at the current line of `text`, naming `what`
    // ("element type 4").
    TetMesh finish(const TetFileText& text, const std::string& what) const;

private:
    struct Place
    {
        const std::string* file;  // the name of a TetFileText that outlives finish()
        int line;
    };
    [[noreturn]] static void fail(const Place& place, const std::string& what);
    static void check(const Eigen::Matrix<double, 3, 4>& corners, const Place& place);

    std::vector<Eigen::Vector3d> positions_;
    std::unordered_map<long long, int> index_;
    std::vector<std::array<long long, 4>> numbers_;
    std::vector<Place> places_;
};

}  // namespace Zarvo
