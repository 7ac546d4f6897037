#pragma once

#include <cmath>
#include <cstddef>
#include <type_traits>

namespace surface_mesh {

// A fixed-size vector of N scalars stored back to back with nothing else, so
// an array of n Vector<double, 3> is 3n contiguous doubles (x, y, z per entry).
// A default-constructed vector is zero.
template <typename Scalar, int N>
class Vector
{
public:
    Vector() = default;

    template <typename... Values,
              typename = std::enable_if_t<sizeof...(Values) == N && (N > 1)>>
    Vector(Values... values) : data_{static_cast<Scalar>(values)...}
    {
    }

    Scalar& operator[](int i) { return data_[i]; }
    const Scalar& operator[](int i) const { return data_[i]; }

    Scalar* data() { return data_; }
    const Scalar* data() const { return data_; }

    Vector& operator+=(const Vector& other)
    {
        for (int i = 0; i < N; ++i)
            data_[i] += other.data_[i];
        return *this;
    }

    Vector& operator-=(const Vector& other)
    {
        for (int i = 0; i < N; ++i)
            data_[i] -= other.data_[i];
        return *this;
    }

    Vector& operator*=(Scalar s)
    {
        for (int i = 0; i < N; ++i)
            data_[i] *= s;
        return *this;
    }

    friend Vector operator+(Vector a, const Vector& b) { return a += b; }
    friend Vector operator-(Vector a, const Vector& b) { return a -= b; }
    friend Vector operator*(Vector a, Scalar s) { return a *= s; }
    friend Vector operator*(Scalar s, Vector a) { return a *= s; }

    friend bool operator==(const Vector& a, const Vector& b)
    {
        for (int i = 0; i < N; ++i)
            if (!(a.data_[i] == b.data_[i]))
                return false;
        return true;
    }
    friend bool operator!=(const Vector& a, const Vector& b) { return !(a == b); }

private:
    Scalar data_[N] = {};
};

template <typename Scalar, int N>
Scalar dot(const Vector<Scalar, N>& a, const Vector<Scalar, N>& b)
{
    Scalar sum = 0;
    for (int i = 0; i < N; ++i)
        sum += a[i] * b[i];
    return sum;
}

template <typename Scalar>
Vector<Scalar, 3> cross(const Vector<Scalar, 3>& a, const Vector<Scalar, 3>& b)
{
    return Vector<Scalar, 3>(a[1] * b[2] - a[2] * b[1],
                             a[2] * b[0] - a[0] * b[2],
                             a[0] * b[1] - a[1] * b[0]);
}

template <typename Scalar, int N>
Scalar norm(const Vector<Scalar, N>& a)
{
    return std::sqrt(dot(a, a));
}

using Point = Vector<double, 3>;

static_assert(sizeof(Point) == 3 * sizeof(double) && std::is_standard_layout_v<Point>,
              "an array of points must be 3n contiguous doubles");

} // namespace surface_mesh
