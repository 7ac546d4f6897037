#include "constraints/HandleConstraint.h"

#include <stdexcept>
#include <string>

namespace Zarvo {

namespace {
// Fixed row scale of every handle: stiff enough to pin its points firmly.
constexpr double handleRowScale = 10.0;
}  // namespace

HandleConstraint::HandleConstraint(const std::vector<int>& indices,
                                   const Eigen::Matrix3Xd& targets)
    : Constraint(indices, 1.0), targets(targets)
{
    if (static_cast<std::size_t>(targets.cols()) != indices.size())
        throw std::invalid_argument("HandleConstraint: " + std::to_string(indices.size())
                                    + " indices but " + std::to_string(targets.cols())
                                    + " target columns");
    weight = handleRowScale;
}

void HandleConstraint::project(const PointRows&, PointRows& projections) const
{
    const int count = static_cast<int>(indices.size());
    projections.middleRows(firstRow, count) = weight * targets.transpose();
}

void HandleConstraint::addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                                   int)
{
    firstRow = nextRow;
    const int count = static_cast<int>(indices.size());
    for (int j = 0; j < count; ++j)
        triplets.emplace_back(firstRow + j, indices[j], weight);
    nextRow += count;
}

}  // namespace Zarvo
