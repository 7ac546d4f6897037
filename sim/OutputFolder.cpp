#include "sim/OutputFolder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace {

[[noreturn]] void fail(const std::string& what, int error)
{
    throw WriteError("cannot write " + what + ": " + std::strerror(error));
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
    const std::string final = (std::filesystem::path(folder_) / name).string();
    const std::string temporary = (std::filesystem::path(folder_)
                                   / ("." + name + ".partial-" + std::to_string(getpid())))
                                      .string();
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        fail(final, errno);
    pending_.push_back({temporary, final});
    return File(file, final, bytes_);
}

void OutputFolder::commit()
{
    for (const Pending& file : pending_)
        if (std::rename(file.temporary.c_str(), file.final.c_str()) != 0)
            fail(file.final, errno);
    pending_.clear();
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
