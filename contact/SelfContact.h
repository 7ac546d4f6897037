#pragma once

#include <array>
#include <vector>

#include <Eigen/Core>
#include <Eigen/Geometry>

#include "contact/BoxGrid.h"
#include "contact/PairGeometry.h"
#include "solver/SelfContactHandler.h"

namespace Zarvo {

// Keeps a surface body's triangles from passing through each other, its
// layers `thickness` apart, sliding on each other with Coulomb friction:
// what the solver calls once a step (SelfContactHandler).
class SelfContact : public SelfContactHandler
{
public:
    // `triangles`: the body's triangles by point index; `inverseMasses`: one
    // per point, 0 for a point that contact must not move (a pinned one);
    // `thickness` above zero and `friction` 0 or more (std::invalid_argument).
    SelfContact(std::vector<std::array<int, 3>> triangles, std::vector<double> inverseMasses,
                double thickness, double friction);

    int pointCount() const override { return static_cast<int>(inverseMasses_.size()); }
    void finish(const Eigen::Map<Eigen::Matrix3Xd>& start, PointRows& estimate,
                const ContactHandler* obstacles) override;

    double thickness() const { return thickness_; }
    double friction() const { return friction_; }

private:
    // A pair that touches, and how to keep it apart: the weights of its
    // closest points and the normal along which their separation must be at
    // least the thickness; `crossing` when its features met on the way.
    struct Contact
    {
        PairKind kind;
        std::array<int, 4> points;
        PairWeights weights;
        Eigen::Vector3d normal;
        bool crossing;
    };
    // Per thread: the contacts it found, by the loop that found them, so
    // that their order is that of one thread; and its candidates.
    struct Found
    {
        std::vector<Contact> vertexTriangle, triangleVertex, edgeEdge;
        std::vector<int> candidates;
    };

    // Fills every thread's Found with the pairs whose features meet over the
    // step and those that end within the thickness; with `crossingsOnly`,
    // only the former, among pairs with a point fresh (moved since the last
    // search, or in a pair it found): the last search found every other
    // pair apart where it still is. Every thread calls it; ends at a
    // barrier.
    void findContacts(const Eigen::Map<Eigen::Matrix3Xd>& start, bool crossingsOnly);
    // Every thread: the boxes over the step of the features the search
    // reads and the grids it looks them up in: every feature's at the first
    // search; at a re-check the fresh features' boxes and the grids of the
    // escaped ones.
    void fileFeatures(const Eigen::Map<Eigen::Matrix3Xd>& start, double reach, bool crossingsOnly);
    // The pairs of a vertex and the triangles, of a fresh triangle and the
    // vertices not fresh, of an edge and the edges, that a search takes;
    // `reach`: how much nearer than their boxes features may come.
    void findAtVertex(int vertex, const Eigen::Map<Eigen::Matrix3Xd>& start, double reach,
                      bool crossingsOnly, Found& found) const;
    void findAtTriangle(int triangle, const Eigen::Map<Eigen::Matrix3Xd>& start, double reach,
                        Found& found) const;
    void findAtEdge(int edge, const Eigen::Map<Eigen::Matrix3Xd>& start, double reach,
                    bool crossingsOnly, Found& found) const;
    // Gives `found.candidates`, sorted and each once, every feature from
    // index `from` on that accept() takes and whose box may come within
    // `reach` of `box`: from the grid of the first search (`searched`) and,
    // at a re-check, from that of the escaped features (`escaped`;
    // `escapedFeature` by feature).
    template <class Accept>
    void lookUp(const BoxGrid& searched, const BoxGrid& escaped,
                const std::vector<char>& escapedFeature, const Eigen::AlignedBox3d& box,
                double reach, bool crossingsOnly, int from, Accept&& accept,
                Found& found) const;
    template <std::size_t corners>
    static bool any(const std::vector<char>& flags, const std::array<int, corners>& feature)
    {
        for (const int point : feature)
            if (flags[point])
                return true;
        return false;
    }
    bool touch(PairKind kind, const std::array<int, 4>& points,
               const Eigen::Map<Eigen::Matrix3Xd>& start, bool crossingsOnly, Contact& contact) const;
    Eigen::AlignedBox3d sweptBox(const Eigen::Map<Eigen::Matrix3Xd>& start, int point) const;

    // On one thread, in the order the contacts were found.
    template <class Act>
    std::size_t forEachContact(Act&& act);
    void push(const Contact& contact, const Eigen::Map<Eigen::Matrix3Xd>& start);
    void markFresh(const Contact& contact);
    std::size_t revert(const Eigen::Map<Eigen::Matrix3Xd>& start);
    // Every thread: the moved points kept out of the obstacles again.
    void keepOutOfObstacles(const Eigen::Map<Eigen::Matrix3Xd>& start,
                            const ContactHandler* obstacles);

    std::vector<std::array<int, 3>> triangles_;
    std::vector<std::array<int, 2>> edges_;
    std::vector<double> inverseMasses_;
    double thickness_;
    double friction_;
    // How far a point may move from where the first search found it and
    // still be looked up in its grids: about what the first pushes move.
    double slack_;

    // Per step.
    Eigen::Matrix3Xd positions_;  // 3 x n, where the step takes the points
    Eigen::Matrix3Xd searched_;   // where the first search found them
    std::vector<char> moved_;     // by point, since the obstacles last acted
    std::vector<char> fresh_;     // by point, since the last search
    std::vector<char> escaped_;   // by point, farther than the slack from searched_
    // By feature: whether a corner has escaped; and the lists of the fresh
    // and of the escaped features, made by every re-check.
    std::vector<char> escapedTriangle_, escapedEdge_;
    std::vector<int> freshVertices_, freshTriangles_, freshEdges_;
    std::vector<int> escapedVertices_, escapedTriangles_, escapedEdges_;
    std::vector<Eigen::AlignedBox3d> vertexBoxes_;  // swept over the step
    std::vector<Eigen::AlignedBox3d> triangleBoxes_;
    std::vector<Eigen::AlignedBox3d> edgeBoxes_;
    double cell_ = 1.0;  // the grids' cells, set by the first search
    BoxGrid vertexGrid_, triangleGrid_, edgeGrid_;  // every feature, by the first search
    BoxGrid escapedVertexGrid_, escapedTriangleGrid_, escapedEdgeGrid_;  // by every re-check

    std::vector<Found> found_;
    bool settled_ = false;
};

}  // namespace Zarvo
