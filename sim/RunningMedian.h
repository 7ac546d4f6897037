#pragma once

#include <cstddef>
#include <functional>
#include <queue>
#include <vector>

// The median of a growing list of values, kept as they arrive: each add
// costs O(log n) and median() O(1), so that a run of many short steps does
// not spend its time sorting the history. The median of an even count is
// the upper of the two middle values (position n / 2 of the sorted list).
class RunningMedian
{
public:
    void add(double value);
    // 0 before the first value.
    double median() const;

private:
    // The lower half (its largest on top) and the upper half (its smallest
    // on top), the upper one as large or one larger.
    std::priority_queue<double> lower_;
    std::priority_queue<double, std::vector<double>, std::greater<double>> upper_;
};
