#include "solids/SurfaceEmbedding.h"

#include <unordered_set>

namespace Zarvo {

void SurfaceEmbedding::add(const std::array<int, 4>& corners, const std::array<double, 4>& weights)
{
    corners_.push_back(corners);
    weights_.push_back(weights);
}

void SurfaceEmbedding::place(const Eigen::Ref<const Eigen::Matrix3Xd>& nodes,
                             Eigen::Ref<Eigen::Matrix3Xd> vertices) const
{
    const Eigen::Index count = vertices.cols();
#pragma omp parallel for schedule(static)
    for (Eigen::Index i = 0; i < count; ++i) {
        const auto& c = corners_[i];
        const auto& w = weights_[i];
        vertices.col(i) = w[0] * nodes.col(c[0]) + w[1] * nodes.col(c[1])
                          + w[2] * nodes.col(c[2]) + w[3] * nodes.col(c[3]);
    }
}

int SurfaceEmbedding::heaviestNode(int vertex) const
{
    const auto& w = weights_[vertex];
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (w[k] > w[best])
            best = k;
    return corners_[vertex][best];
}

std::vector<int> SurfaceEmbedding::holdingNodes(const std::vector<int>& vertices) const
{
    std::vector<int> nodes;
    std::unordered_set<int> seen;
    for (const int vertex : vertices)
        for (int k = 0; k < 4; ++k)
            if (weights_[vertex][k] > 0.0 && seen.insert(corners_[vertex][k]).second)
                nodes.push_back(corners_[vertex][k]);
    return nodes;
}

}  // namespace Zarvo
