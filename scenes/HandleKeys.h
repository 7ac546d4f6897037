#pragma once

#include <map>
#include <memory>
#include <vector>

#include <Eigen/Core>

#include "constraints/HandleConstraint.h"
#include "contact/ColliderSet.h"
#include "scenes/KeyAction.h"

// Applies a scene's arrow keys to its pinned groups and colliders and keeps,
// per group or collider, how far the keys have moved and scaled it since
// the start, which decides when a key stops working.
class HandleKeys
{
public:
    HandleKeys() = default;
    // `handles` in the order of the recipe's groups; every action's group
    // must name one of them, or its collider one of `colliders`
    // (std::out_of_range otherwise).
    HandleKeys(std::map<SceneKey, KeyAction> actions,
               std::vector<std::shared_ptr<Zarvo::HandleConstraint>> handles,
               std::shared_ptr<Zarvo::ColliderSet> colliders = nullptr);

    // Applies the key's action; false when the scene has none for the key
    // or its limit refuses it.
    bool press(SceneKey key);

    // Product of the scale factors applied to `group`, per axis.
    const Eigen::Vector3d& scale(int group) const { return scales_.at(group); }
    // Sum of the displacements applied to `group`.
    const Eigen::Vector3d& travel(int group) const { return travels_.at(group); }
    // Sum of the displacements applied to collider `index`.
    const Eigen::Vector3d& colliderTravel(int index) const { return colliderTravels_.at(index); }

private:
    bool refused(const KeyAction& action) const;
    void apply(const KeyAction& action);
    // How far the group or collider the action moves has travelled.
    const Eigen::Vector3d& travelled(const KeyAction& action) const;

    std::map<SceneKey, KeyAction> actions_;
    std::vector<std::shared_ptr<Zarvo::HandleConstraint>> handles_;
    std::vector<Eigen::Vector3d> scales_;
    std::vector<Eigen::Vector3d> travels_;
    // Each group's turns so far: the sum of the keys' axes times degrees.
    std::vector<Eigen::Vector3d> turns_;
    std::shared_ptr<Zarvo::ColliderSet> colliders_;
    std::vector<Eigen::Vector3d> colliderTravels_;
};
