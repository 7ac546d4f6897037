#include "scenes/HandleKeys.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include <Eigen/Geometry>

#include "scenes/SceneSetup.h"

HandleKeys::HandleKeys(std::map<SceneKey, KeyAction> actions,
                       std::vector<std::shared_ptr<Zarvo::HandleConstraint>> handles,
                       std::shared_ptr<Zarvo::ColliderSet> colliders)
    : actions_(std::move(actions)),
      handles_(std::move(handles)),
      scales_(handles_.size(), Eigen::Vector3d::Ones()),
      travels_(handles_.size(), Eigen::Vector3d::Zero()),
      turns_(handles_.size(), Eigen::Vector3d::Zero()),
      colliders_(std::move(colliders)),
      colliderTravels_(colliders_ ? colliders_->colliders().size() : 0, Eigen::Vector3d::Zero())
{
    for (const auto& [key, action] : actions_) {
        const bool collider = action.collider.has_value();
        const int index = collider ? *action.collider : action.group;
        const std::size_t count = collider ? colliderTravels_.size() : handles_.size();
        if (index < 0 || index >= static_cast<int>(count) ||
            (collider && action.kind != KeyAction::Kind::Move))
            throw std::out_of_range(std::string("key ") + sceneKeyName(key) + " moves "
                                    + (collider ? "collider " : "group ") + std::to_string(index)
                                    + " of " + std::to_string(count));
    }
}

bool HandleKeys::press(SceneKey key)
{
    const auto found = actions_.find(key);
    if (found == actions_.end() || refused(found->second))
        return false;
    apply(found->second);
    return true;
}

namespace {

// How far past its limit a press may land and still count as landing on it:
// sums and products of the keys' steps round (nine presses of 0.08 travel
// 0.7200000000000001, not 0.72).
constexpr double limitTolerance = 1e-9;

bool beyond(double value, double limit)
{
    return value > limit + limitTolerance * std::abs(limit);
}

} // namespace

bool HandleKeys::refused(const KeyAction& action) const
{
    if (!action.limit)
        return false;
    const double limit = *action.limit;
    if (action.kind != KeyAction::Kind::Scale) {
        // For a displacement (or a turn) along one axis the unit vector is
        // exact, so the travel compared is exactly the summed amount.
        const Eigen::Vector3d direction = action.amount / action.amount.norm();
        return beyond((travelled(action) + action.amount).dot(direction), limit);
    }
    const Eigen::Vector3d scale = scales_[action.group].cwiseProduct(action.amount);
    for (int axis = 0; axis < 3; ++axis) {
        const double factor = action.amount[axis];
        if ((factor < 1.0 && beyond(-scale[axis], -limit)) || (factor > 1.0 && beyond(scale[axis], limit)))
            return true;
    }
    return false;
}

const Eigen::Vector3d& HandleKeys::travelled(const KeyAction& action) const
{
    if (action.collider)
        return colliderTravels_[*action.collider];
    return action.kind == KeyAction::Kind::Rotate ? turns_[action.group] : travels_[action.group];
}

void HandleKeys::apply(const KeyAction& action)
{
    if (action.collider) {
        colliderTravels_[*action.collider] += action.amount;
        colliders_->move(*action.collider, action.amount);
        return;
    }
    Zarvo::HandleConstraint& handle = *handles_[action.group];
    if (action.kind == KeyAction::Kind::Move) {
        travels_[action.group] += action.amount;
        moveHandle(handle, Eigen::Matrix3d::Identity(), action.amount);
        return;
    }
    const Eigen::Vector3d about = action.about ? *action.about
                                               : Eigen::Vector3d(handle.targets.rowwise().mean());
    Eigen::Matrix3d linear = Eigen::Matrix3d::Identity();
    if (action.kind == KeyAction::Kind::Rotate) {
        turns_[action.group] += action.amount;
        const double degrees = action.amount.norm();
        linear = Eigen::AngleAxisd(degrees * std::acos(-1.0) / 180.0, action.amount / degrees)
                     .toRotationMatrix();
    } else {
        scales_[action.group] = scales_[action.group].cwiseProduct(action.amount);
        linear.diagonal() = action.amount;
    }
    moveHandle(handle, linear, about - linear * about);
}
