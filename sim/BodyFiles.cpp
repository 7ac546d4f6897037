#include "sim/BodyFiles.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4, "the cache holds 32-bit values");

// The file is little-endian; so are the machines we build for.
template <typename T>
void appendRaw(std::string& bytes, T value)
{
    char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.append(raw, sizeof(T));
}

bool hasTexCoords(const Surface_mesh& mesh)
{
    const auto texCoords = mesh.find_halfedge_property<Point>("h:texcoord");
    if (!texCoords)
        return false;
    for (const Point& t : texCoords.vector())
        if (t[0] != 0.0 || t[1] != 0.0)
            return true;
    return false;
}

void appendFloat(std::string& text, const char* prefix, double value)
{
    char number[32];
    std::snprintf(number, sizeof number, "%s%.9g", prefix, static_cast<double>(static_cast<float>(value)));
    text += number;
}

} // namespace

std::string objFaces(const Surface_mesh& mesh)
{
    std::string text;
    const bool textured = hasTexCoords(mesh);
    const auto texCoords = mesh.find_halfedge_property<Point>("h:texcoord");
    if (textured) {
        for (const auto f : mesh.faces()) {
            for (const auto h : mesh.halfedges(f)) {
                appendFloat(text, "vt ", texCoords[h][0]);
                appendFloat(text, " ", texCoords[h][1]);
                text += '\n';
            }
        }
    }
    int corner = 0;
    for (const auto f : mesh.faces()) {
        text += 'f';
        for (const auto h : mesh.halfedges(f)) {
            text += ' ' + std::to_string(mesh.to_vertex(h).idx() + 1);
            if (textured)
                text += '/' + std::to_string(++corner);
        }
        text += '\n';
    }
    return text;
}

std::string objVertices(const Eigen::Matrix3Xd& points)
{
    std::string text;
    for (Eigen::Index i = 0; i < points.cols(); ++i) {
        appendFloat(text, "v ", points(0, i));
        appendFloat(text, " ", points(1, i));
        appendFloat(text, " ", points(2, i));
        text += '\n';
    }
    return text;
}

PointCacheWriter::PointCacheWriter(OutputFolder::File file, int points, int samples,
                                   float startFrame, float sampleRate)
    : file_(std::move(file)), samples_(samples), buffer_(3 * static_cast<std::size_t>(points))
{
    std::string header("POINTCACHE2", 12);
    appendRaw<std::int32_t>(header, 1);
    appendRaw<std::int32_t>(header, points);
    appendRaw<float>(header, startFrame);
    appendRaw<float>(header, sampleRate);
    appendRaw<std::int32_t>(header, samples);
    file_.write(header);
}

void PointCacheWriter::write(const Eigen::Matrix3Xd& points)
{
    if (written_ == samples_ || static_cast<std::size_t>(points.size()) != buffer_.size())
        throw std::logic_error("point cache: sample beyond the header's count or size");
    for (std::size_t k = 0; k < buffer_.size(); ++k)
        buffer_[k] = static_cast<float>(points.data()[k]);
    file_.write(buffer_.data(), buffer_.size() * sizeof(float));
    ++written_;
}

void PointCacheWriter::close()
{
    if (written_ != samples_)
        throw std::logic_error("point cache: fewer samples than the header's count");
    file_.close();
}
