#include "sim/RunningMedian.h"

void RunningMedian::add(double value)
{
    if (!upper_.empty() && value < upper_.top())
        lower_.push(value);
    else
        upper_.push(value);
    if (lower_.size() > upper_.size()) {
        upper_.push(lower_.top());
        lower_.pop();
    } else if (upper_.size() > lower_.size() + 1) {
        lower_.push(upper_.top());
        upper_.pop();
    }
}

double RunningMedian::median() const
{
    return upper_.empty() ? 0.0 : upper_.top();
}
