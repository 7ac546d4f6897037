#pragma once

#include <optional>

#include <Eigen/Core>

#include "contact/Collider.h"
#include "contact/Gap.h"

namespace Zarvo {

// Where a point moving on a straight line comes within reach of a surface:
// the fraction of its way, and its gap there.
struct Touch
{
    double at;
    Gap there;
};

// A place where a collider's gap is known.
struct Sample
{
    Eigen::Vector3d at;
    Gap gap;
};

// Where a point moving in a straight line from `from` to `to` first comes
// within `thickness` of the collider's surface (within a tenth of the
// thickness more, which the caller's tangent plane at the gap takes up),
// or nothing when it never does; `at` is 0 when it starts that close.
// `fromGap` is the collider's gap at `from`. Marches along the segment by
// the collider's distance, which never overshoots the surface, so that a
// fast point cannot jump through a thin obstacle; a march that has not
// settled after a bounded number of advances (a point gliding along the
// surface) reports contact where it stands, which only errs early. When it
// finds none and `farthest` is given, that is set to the last place it
// sampled, whose gap reaches past `to`.
std::optional<Touch> firstContact(const Collider& collider, const Eigen::Vector3d& from,
                                  const Eigen::Vector3d& to, double thickness, const Gap& fromGap,
                                  Sample* farthest = nullptr);

// Whether `known` shows, without sampling, that firstContact from `from`
// to `to` finds no contact: the way, or where `fromGap` is given the part
// of it beyond that gap's reach, lies where `known` keeps every point out
// of touch. A point's distance changes no faster than the point moves.
bool knownFree(const Sample& known, const Eigen::Vector3d& from, const Gap* fromGap,
               const Eigen::Vector3d& to, double thickness);

}  // namespace Zarvo
