#pragma once

#include <stdexcept>
#include <string>

// A scene could not be built because one of its resource files is missing,
// unreadable or unfit for the scene. what() is the message shown to the user;
// it names the file as "resources/<file name>".
class ResourceError : public std::runtime_error
{
public:
    explicit ResourceError(const std::string& message);
};
