#include "demos/Demo.h"

int Demo::iterations() const
{
    return solver ? solver->iterations() : 0;
}

int Demo::threadCount() const
{
    return solver ? solver->threadCount() : 0;
}

void Demo::setThreadCount(int n)
{
    if (solver)
        solver->setThreadCount(n);
}

void Demo::addFace(const std::vector<int>& ids, const Eigen::Matrix3Xd&)
{
    if (ids.size() != 3)
        return;
    for (int id : ids)
        indices.push_back(static_cast<std::uint32_t>(id));
}
