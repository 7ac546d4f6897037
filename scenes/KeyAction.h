#pragma once

#include <optional>
#include <string>

#include <Eigen/Core>

// The arrow keys a scene reacts to.
enum class SceneKey { Left, Right, Up, Down };

// "Left", "Right", "Up" or "Down" to its key; nothing for any other name.
std::optional<SceneKey> sceneKeyNamed(const std::string& name);
const char* sceneKeyName(SceneKey key);

// What one arrow key does to one pinned group: moves its targets by a
// vector, scales them per axis about a point, or turns them about an axis
// through a point; or to one collider, which it moves. A key can stop working once the group or collider has gone far
// enough (HandleKeys keeps the tally).
struct KeyAction
{
    enum class Kind { Move, Scale, Rotate };

    // Index of the pinned group, in the order the handles are added.
    int group = 0;
    // Index of the collider the key moves instead of a group (Move only).
    std::optional<int> collider;
    Kind kind = Kind::Move;
    // Move: the displacement; scale: the factor along x, y and z; rotate:
    // the unit axis times the degrees turned about it (right-handed).
    Eigen::Vector3d amount = Eigen::Vector3d::Zero();
    // Scale and rotate: the fixed point; none = the group's centre at the
    // press.
    std::optional<Eigen::Vector3d> about;
    // Never overshot: a press that would take the group (or collider) past it is refused.
    // Move: how far the group may travel along the key's direction from the
    // start. Scale: the lowest accumulated scale along an axis the key
    // shrinks, and the highest along an axis it grows. Rotate: how many
    // degrees the group may turn about the key's axis, in the key's sense,
    // from the start. None: never refused.
    std::optional<double> limit;
};

// Moves `group` by `displacement`.
KeyAction moveAction(int group, const Eigen::Vector3d& displacement,
                     std::optional<double> limit = std::nullopt);
// Turns `group` by `degrees` about the unit `axis` through `about` (none:
// its centre).
KeyAction rotateAction(int group, const Eigen::Vector3d& axis, double degrees,
                       std::optional<Eigen::Vector3d> about, std::optional<double> limit = std::nullopt);
// Scales `group` by `factors` about `about` (none: its centre).
KeyAction scaleAction(int group, const Eigen::Vector3d& factors,
                      std::optional<Eigen::Vector3d> about, std::optional<double> limit = std::nullopt);
