#include "scenes/KeyAction.h"

#include <array>

namespace {

const std::array<const char*, 4> keyNames{"Left", "Right", "Up", "Down"};

} // namespace

std::optional<SceneKey> sceneKeyNamed(const std::string& name)
{
    for (std::size_t k = 0; k < keyNames.size(); ++k)
        if (name == keyNames[k])
            return static_cast<SceneKey>(k);
    return std::nullopt;
}

const char* sceneKeyName(SceneKey key)
{
    return keyNames[static_cast<std::size_t>(key)];
}

KeyAction moveAction(int group, const Eigen::Vector3d& displacement, std::optional<double> limit)
{
    KeyAction action;
    action.group = group;
    action.amount = displacement;
    action.limit = limit;
    return action;
}

KeyAction scaleAction(int group, const Eigen::Vector3d& factors,
                      std::optional<Eigen::Vector3d> about, std::optional<double> limit)
{
    KeyAction action;
    action.group = group;
    action.kind = KeyAction::Kind::Scale;
    action.amount = factors;
    action.about = about;
    action.limit = limit;
    return action;
}

KeyAction rotateAction(int group, const Eigen::Vector3d& axis, double degrees,
                       std::optional<Eigen::Vector3d> about, std::optional<double> limit)
{
    KeyAction action;
    action.group = group;
    action.kind = KeyAction::Kind::Rotate;
    action.amount = degrees * axis;
    action.about = about;
    action.limit = limit;
    return action;
}
