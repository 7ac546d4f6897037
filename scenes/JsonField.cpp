#include "scenes/JsonField.h"

#include <cmath>
#include <utility>

#include "scenes/ResourceError.h"

JsonField::JsonField(const nlohmann::json& value, std::string path, const std::string& fileName)
    : value_(value), path_(std::move(path)), fileName_(fileName)
{
}

void JsonField::expectKeys(std::initializer_list<const char*> known) const
{
    if (!value_.is_object())
        fail("must be an object");
    for (const auto& item : value_.items()) {
        bool found = false;
        for (const char* key : known)
            found = found || item.key() == key;
        if (!found)
            JsonField(item.value(), path_.empty() ? item.key() : path_ + "." + item.key(), fileName_)
                .fail("is not a known key");
    }
}

bool JsonField::has(const char* key) const
{
    return value_.is_object() && value_.contains(key);
}

JsonField JsonField::operator[](const char* key) const
{
    const std::string path = path_.empty() ? key : path_ + "." + key;
    if (!has(key))
        JsonField(value_, path, fileName_).fail("is missing");
    return JsonField(value_.at(key), path, fileName_);
}

std::vector<JsonField> JsonField::elements(std::size_t least) const
{
    if (!value_.is_array())
        fail("must be an array");
    if (value_.size() < least)
        fail("must have at least " + std::to_string(least) + " elements");
    std::vector<JsonField> result;
    for (std::size_t k = 0; k < value_.size(); ++k)
        result.emplace_back(value_[k], path_ + "[" + std::to_string(k) + "]", fileName_);
    return result;
}

bool JsonField::isBoolean() const
{
    return value_.is_boolean();
}

bool JsonField::isObject() const
{
    return value_.is_object();
}

bool JsonField::boolean() const
{
    if (!value_.is_boolean())
        fail("must be true or false");
    return value_.get<bool>();
}

std::string JsonField::string() const
{
    if (!value_.is_string())
        fail("must be a string");
    return value_.get<std::string>();
}

double JsonField::number() const
{
    if (!value_.is_number())
        fail("must be a number");
    const double x = value_.get<double>();
    if (!std::isfinite(x))
        fail("must be finite");
    return x;
}

double JsonField::nonNegative() const
{
    const double x = number();
    if (x < 0)
        fail("must not be negative");
    return x;
}

double JsonField::positive() const
{
    const double x = number();
    if (!(x > 0))
        fail("must be above zero");
    return x;
}

int JsonField::integer(long long low, long long high) const
{
    if (!value_.is_number_integer())
        fail("must be a whole number");
    if (value_.is_number_unsigned()) {
        const auto x = value_.get<unsigned long long>();
        if (x > static_cast<unsigned long long>(high) || static_cast<long long>(x) < low)
            fail("must be from " + std::to_string(low) + " to " + std::to_string(high));
        return static_cast<int>(x);
    }
    const auto x = value_.get<long long>();
    if (x < low || x > high)
        fail(x < 0 && low == 0 ? "must not be negative"
                               : "must be from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(x);
}

Eigen::Vector3d JsonField::vector() const
{
    if (!value_.is_array() || value_.size() != 3)
        fail("must be an array of three numbers");
    const auto parts = elements();
    return Eigen::Vector3d(parts[0].number(), parts[1].number(), parts[2].number());
}

Eigen::Vector3d JsonField::nonZeroVector() const
{
    const Eigen::Vector3d v = vector();
    if (!(v.norm() > 0))
        fail("must not be zero");
    return v;
}

void JsonField::fail(const std::string& what) const
{
    throw ResourceError(fileName_ + ": " + (path_.empty() ? "the file" : path_) + " " + what);
}
