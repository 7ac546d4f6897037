#include "scenes/ResourceError.h"

ResourceError::ResourceError(const std::string& message)
    : std::runtime_error(message)
{
}
