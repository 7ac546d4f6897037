#pragma once

#include <map>
#include <memory>
#include <vector>

#include <Eigen/Core>

#include "constraints/HandleConstraint.h"
#include "scenes/KeyAction.h"

// Applies a scene's arrow keys to its pinned groups and keeps, per group,
// how far the keys have moved and scaled it since the start, which decides
// when a key stops working.
class HandleKeys
{
public:
    HandleKeys() = default;
    // `handles` in the order of the recipe's groups; every action's group
    // must name one of them (std::out_of_range otherwise).
    HandleKeys(std::map<SceneKey, KeyAction> actions,
               std::vector<std::shared_ptr<Zarvo::HandleConstraint>> handles);

    // Applies the key's action; false when the scene has none for the key
    // or its limit refuses it.
    bool press(SceneKey key);

    // Product of the scale factors applied to `group`, per axis.
    const Eigen::Vector3d& scale(int group) const { return scales_.at(group); }
    // Sum of the displacements applied to `group`.
    const Eigen::Vector3d& travel(int group) const { return travels_.at(group); }

private:
    bool refused(const KeyAction& action) const;
    void apply(const KeyAction& action);

    std::map<SceneKey, KeyAction> actions_;
    std::vector<std::shared_ptr<Zarvo::HandleConstraint>> handles_;
    std::vector<Eigen::Vector3d> scales_;
    std::vector<Eigen::Vector3d> travels_;
};
