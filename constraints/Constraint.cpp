#include "constraints/Constraint.h"

#include <cmath>

namespace Zarvo {

Constraint::Constraint(const std::vector<int>& indices, double weight)
    : indices(indices), weight(std::sqrt(weight))
{
}

Constraint::~Constraint() = default;

std::shared_ptr<Constraint> Constraint::clone() const
{
    return {};
}

void Constraint::removeFromSystem(Eigen::SparseMatrix<double>&, Eigen::SparseMatrix<double>&,
                                  Eigen::SparseMatrix<double>&)
{
}

bool Constraint::isBroken(const PointRows&) const
{
    return false;
}

}  // namespace Zarvo
