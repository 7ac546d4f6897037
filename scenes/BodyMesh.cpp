#include "scenes/BodyMesh.h"

#include <array>
#include <iostream>
#include <memory>
#include <sstream>

#include "scenes/MeshMeasures.h"
#include "scenes/ResourceError.h"
#include "solids/BoundaryFaces.h"
#include "solids/TetMeshError.h"
#include "solids/TetMeshFile.h"
#include "surface_mesh/IO.h"

namespace {

using surface_mesh::Face;
using surface_mesh::Halfedge;
using surface_mesh::Surface_mesh;
using surface_mesh::Vertex;
using Point = surface_mesh::Vector<double, 3>;

// Writes every distinct line of `messages` once, each with its count, and
// returns how many lines came from add_face (one per refused face).
int reportReaderMessages(const std::string& messages, const std::string& name)
{
    std::vector<std::pair<std::string, int>> distinct;
    std::istringstream lines(messages);
    std::string line;
    int refused = 0;
    while (std::getline(lines, line)) {
        if (line.find("add_face") != std::string::npos) {
            ++refused;
            continue;
        }
        auto found = distinct.begin();
        while (found != distinct.end() && found->first != line)
            ++found;
        if (found == distinct.end())
            distinct.emplace_back(line, 1);
        else
            ++found->second;
    }
    for (const auto& [text, count] : distinct)
        std::cerr << name + ": " + text + (count > 1 ? " (" + std::to_string(count) + " times)" : "") + '\n';
    return refused;
}

// Each line goes out in one write, so that lines of readers on other
// threads never break into it.
void report(const std::string& name, int count, const char* what)
{
    if (count > 0)
        std::cerr << name + ": " + std::to_string(count) + ' ' + what + '\n';
}

using TexCoords = surface_mesh::Halfedge_property<Point>;

// Adds to `target` the triangle whose corners are where the halfedges `sides`
// of `source` end, through the copied vertices `used`, with the corners'
// texture coordinates when `sourceTexCoords` is valid. False, with a line on
// `refusals`, when `target` refuses it.
bool copyTriangle(const Surface_mesh& source, const std::array<Halfedge, 3>& sides,
                  const std::vector<int>& used, Surface_mesh& target, std::ostream& refusals,
                  const TexCoords& sourceTexCoords, TexCoords& targetTexCoords)
{
    std::vector<Vertex> corners;
    for (const Halfedge h : sides)
        corners.emplace_back(used[source.to_vertex(h).idx()]);
    const Face added = target.add_face(corners, refusals);
    if (!added.is_valid())
        return false;
    // The added face's halfedges end at its corners in the order given.
    auto side = sides.begin();
    if (sourceTexCoords)
        for (const auto g : target.halfedges(added))
            targetTexCoords[g] = sourceTexCoords[*side++];
    return true;
}

// Copies the faces of `source` that `keep` accepts, each as triangles (a face
// of k corners as the k - 2 triangles fanned from its first corner), and the
// vertices they use in their order, into the empty `target`; `simulated`
// (per file vertex) follows the copy. Returns how many of the triangles
// `target` refused; their messages go to `refusals`.
template <typename Keep>
int copyFaces(const Surface_mesh& source, const Keep& keep, Surface_mesh& target,
              std::vector<int>& simulated, std::ostream& refusals)
{
    std::vector<int> used(source.vertex_count(), -1);
    for (const auto f : source.faces())
        if (keep(f))
            for (const auto v : source.vertices(f))
                used[v.idx()] = 0;
    for (const auto v : source.vertices())
        if (used[v.idx()] == 0)
            used[v.idx()] = target.add_vertex(source.position(v)).idx();
    for (int& index : simulated)
        index = index < 0 ? -1 : used[index];

    const TexCoords sourceTexCoords = source.find_halfedge_property<Point>("h:texcoord");
    TexCoords targetTexCoords = target.obtain_halfedge_property<Point>("h:texcoord");
    int refused = 0;
    std::vector<Halfedge> sides;
    for (const auto f : source.faces()) {
        if (!keep(f))
            continue;
        sides.clear();
        for (const auto h : source.halfedges(f))
            sides.push_back(h);
        for (std::size_t k = 1; k + 1 < sides.size(); ++k)
            if (!copyTriangle(source, {sides[0], sides[k], sides[k + 1]}, used, target, refusals,
                              sourceTexCoords, targetTexCoords))
                ++refused;
    }
    return refused;
}

bool hasPolygons(const Surface_mesh& mesh)
{
    for (const auto f : mesh.faces()) {
        int corners = 0;
        for (const auto v : mesh.vertices(f)) {
            static_cast<void>(v);
            ++corners;
        }
        if (corners > 3)
            return true;
    }
    return false;
}

} // namespace

std::vector<int> readBodyMesh(const std::string& path, const std::string& name, Surface_mesh& mesh)
{
    // The reader's per-face messages are condensed into one line per kind.
    std::ostringstream messages;
    if (!surface_mesh::read_mesh(mesh, path, messages)) {
        std::cerr << messages.str();
        throw ResourceError("cannot read mesh " + name);
    }
    int refused = reportReaderMessages(messages.str(), name);
    std::vector<int> simulated(mesh.vertex_count());
    for (std::size_t i = 0; i < simulated.size(); ++i)
        simulated[i] = static_cast<int>(i);

    // The body is simulated, drawn and handed out as triangles: polygons are
    // split once, here. Then each copy leaves out degenerate triangles and
    // unused vertices; a triangle the copy refuses (two fans now meeting at
    // one vertex) can leave a vertex unused again, hence the loop. Every
    // round removes something. The copies' refusals are counted, not shown.
    std::ostream refusals(nullptr);
    const int fileVertices = static_cast<int>(mesh.vertex_count());
    int degenerate = 0;
    std::unique_ptr<Surface_mesh> current;
    if (hasPolygons(mesh)) {
        current = std::make_unique<Surface_mesh>();
        refused += copyFaces(mesh, [](Face) { return true; }, *current, simulated, refusals);
    }
    for (;;) {
        const Surface_mesh& source = current ? *current : mesh;
        const double size = boundingBoxDiagonal(source);
        int dropped = 0;
        for (const auto f : source.faces())
            dropped += isDegenerateFace(source, f, size) ? 1 : 0;
        if (dropped == 0 && verticesOnNoFace(source) == 0)
            break;
        degenerate += dropped;
        auto next = std::make_unique<Surface_mesh>();
        refused += copyFaces(source, [&](Face f) { return !isDegenerateFace(source, f, size); },
                             *next, simulated, refusals);
        current = std::move(next);
    }
    if (current) {
        mesh.clear();
        std::vector<int> same(current->vertex_count());
        for (std::size_t i = 0; i < same.size(); ++i)
            same[i] = static_cast<int>(i);
        copyFaces(*current, [](Face) { return true; }, mesh, same, refusals);
    }
    report(name, refused, "faces that the mesh refuses (non-manifold or repeated corners) skipped");
    report(name, degenerate, "degenerate faces (edges or areas near zero for its size) skipped");
    report(name, fileVertices - static_cast<int>(mesh.vertex_count()),
           "vertices on no face left out");
    if (mesh.face_count() == 0)
        throw ResourceError("mesh " + name + " has no faces");
    return simulated;
}

std::vector<int> readTetBody(const std::string& path, const std::string& name, Surface_mesh& mesh,
                             std::vector<Zarvo::Tetrahedron>& tetrahedra)
{
    Zarvo::TetMesh solid;
    try {
        solid = Zarvo::readTetMeshFile(path, name);
    } catch (const Zarvo::TetMeshError& refusal) {
        throw ResourceError(refusal.what());
    }
    mesh.clear();
    for (Eigen::Index i = 0; i < solid.points.cols(); ++i)
        mesh.add_vertex(Point(solid.points(0, i), solid.points(1, i), solid.points(2, i)));
    std::ostream refusals(nullptr);
    int refused = 0;
    for (const auto& face : Zarvo::boundaryFaces(solid.tetrahedra))
        if (!mesh.add_face({Vertex(face[0]), Vertex(face[1]), Vertex(face[2])}, refusals).is_valid())
            ++refused;
    report(name, refused,
           "boundary faces that the surface refuses (tetrahedra meeting at an edge or a corner "
           "only) left out of the drawn surface");
    report(name, static_cast<int>(solid.kept.size() - mesh.vertex_count()),
           "nodes on no tetrahedron left out");
    tetrahedra = std::move(solid.tetrahedra);
    return solid.kept;
}

std::vector<int> readBody(const std::string& path, const std::string& name, Surface_mesh& mesh,
                          std::vector<Zarvo::Tetrahedron>& tetrahedra)
{
    tetrahedra.clear();
    if (Zarvo::isTetMeshFile(path))
        return readTetBody(path, name, mesh, tetrahedra);
    return readBodyMesh(path, name, mesh);
}
