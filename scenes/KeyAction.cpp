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
