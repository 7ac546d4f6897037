#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <Eigen/Core>
#include <nlohmann/json.hpp>

// One value of a scene file with its path in the file ("pins[1].range"),
// read with checks: every failure throws ResourceError naming the file, the
// path and what is wrong.
class JsonField
{
public:
    JsonField(const nlohmann::json& value, std::string path, const std::string& fileName);

    // Requires an object whose keys are all among `known`, so that a
    // misspelt key is never ignored.
    void expectKeys(std::initializer_list<const char*> known) const;
    bool has(const char* key) const;
    // The member `key` of an object (which must have it).
    JsonField operator[](const char* key) const;
    // The elements of an array, at least `least` of them.
    std::vector<JsonField> elements(std::size_t least = 0) const;

    std::string string() const;
    bool isBoolean() const;
    bool isObject() const;
    // true or false.
    bool boolean() const;
    // A finite number.
    double number() const;
    // A finite number, not negative.
    double nonNegative() const;
    // A finite number above zero.
    double positive() const;
    // A whole number from `low` to `high`.
    int integer(long long low, long long high) const;
    // An array of three finite numbers.
    Eigen::Vector3d vector() const;
    // The same, not all zero (a direction, a move).
    Eigen::Vector3d nonZeroVector() const;

    [[noreturn]] void fail(const std::string& what) const;

private:
    const nlohmann::json& value_;
    std::string path_;
    const std::string& fileName_;
};
