#include "sim/OutputFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& what, int error)
{
    throw WriteError("cannot write " + what + ": " + std::strerror(error));
}

// Renames `from` to `to`; a failure is one to write `what`.
void rename(const std::string& from, const std::string& to, const std::string& what)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        fail(what, errno);
}

using Renames = std::vector<std::pair<std::string, std::string>>;

// Takes back the renames `done` (from, to), the last first. The failure that
// led here is the one reported, so a rename back that fails too is passed by.
void undo(const Renames& done)
{
    for (auto rename = done.rbegin(); rename != done.rend(); ++rename)
        std::rename(rename->second.c_str(), rename->first.c_str());
}

} // namespace

OutputFolder::OutputFolder(std::string folder)
    : folder_(std::move(folder))
{
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error)
        throw WriteError("cannot create folder " + folder_ + ": " + error.message());
}

OutputFolder::~OutputFolder()
{
    for (const Pending& file : pending_)
        std::remove(file.temporary.c_str());
}

OutputFolder::File OutputFolder::create(const std::string& name)
{
    const std::string final = (fs::path(folder_) / name).string();
    const std::string temporary = hiddenName(name, "partial");
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        fail(final, errno);
    pending_.push_back({temporary, final});
    return File(file, final, bytes_);
}

void OutputFolder::replaceSeries(std::string prefix, std::string suffix)
{
    seriesPrefix_ = std::move(prefix);
    seriesSuffix_ = std::move(suffix);
}

void OutputFolder::commit()
{
    // The earlier files step aside under hidden names first, so that a
    // failed rename can put the folder back as it was.
    Renames done;
    std::vector<std::string> asides;
    try {
        for (const std::string& file : earlierFiles()) {
            asides.push_back(hiddenName(fs::path(file).filename().string(), "previous"));
            rename(file, asides.back(), file);
            done.emplace_back(file, asides.back());
        }
        for (const Pending& file : pending_) {
            rename(file.temporary, file.final, file.final);
            done.emplace_back(file.temporary, file.final);
        }
    } catch (const WriteError&) {
        undo(done);
        throw;
    }
    for (const std::string& aside : asides)
        std::remove(aside.c_str());
    pending_.clear();
}

std::string OutputFolder::hiddenName(const std::string& name, const char* kind) const
{
    return (fs::path(folder_) / ("." + name + "." + kind + "-" + std::to_string(getpid()))).string();
}

std::vector<std::string> OutputFolder::earlierFiles() const
{
    std::vector<std::string> earlier;
    std::set<std::string> written;
    for (const Pending& file : pending_) {
        written.insert(fs::path(file.final).filename().string());
        std::error_code error;
        if (fs::exists(fs::symlink_status(file.final, error)))
            earlier.push_back(file.final);
    }
    if (seriesPrefix_.empty())
        return earlier;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (inSeries(name) && written.count(name) == 0)
            earlier.push_back(entry.path().string());
    }
    if (error)
        throw WriteError("cannot read folder " + folder_ + ": " + error.message());
    return earlier;
}

bool OutputFolder::inSeries(const std::string& name) const
{
    const std::size_t prefix = seriesPrefix_.size();
    const std::size_t suffix = seriesSuffix_.size();
    if (name.size() <= prefix + suffix || name.compare(0, prefix, seriesPrefix_) != 0
        || name.compare(name.size() - suffix, suffix, seriesSuffix_) != 0)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix),
                       name.end() - static_cast<std::ptrdiff_t>(suffix),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

OutputFolder::File::File(std::FILE* file, std::string name, std::size_t& bytes)
    : file_(file), name_(std::move(name)), bytes_(&bytes)
{
    // Samples arrive in many small writes; a large buffer keeps them cheap.
    std::setvbuf(file_.get(), nullptr, _IOFBF, 1 << 20);
}

void OutputFolder::File::write(const void* data, std::size_t size)
{
    if (!file_)
        throw WriteError("cannot write " + name_ + ": already closed");
    if (std::fwrite(data, 1, size, file_.get()) != size)
        fail(name_, errno);
    *bytes_ += size;
}

void OutputFolder::File::close()
{
    std::FILE* file = file_.release();
    if (!file)
        return;
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const int error = errno;
    if (std::fclose(file) != 0 || !flushed)
        fail(name_, flushed ? errno : error);
}
