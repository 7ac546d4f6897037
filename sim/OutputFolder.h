#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A file or folder that could not be written; what() names it and says why.
class WriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Output files that appear only once complete: each is written under a
// temporary name in the folder, and commit() renames them all into place.
// Until then, and if the run fails, files of an earlier run with the same
// names stay untouched; the temporary files are removed on destruction.
class OutputFolder
{
public:
    class File;

    // Creates `folder` if it does not exist. Throws WriteError.
    explicit OutputFolder(std::string folder);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Opens `name` (a file name inside the folder) for writing.
    File create(const std::string& name);
    // Renames every file into place; close them first. Throws WriteError.
    void commit();
    // Bytes written into the folder's files so far.
    std::size_t bytes() const { return bytes_; }

private:
    struct Pending
    {
        std::string temporary;
        std::string final;
    };

    std::string folder_;
    std::vector<Pending> pending_;
    std::size_t bytes_ = 0;
};

// One file being written; every failure throws WriteError.
class OutputFolder::File
{
public:
    void write(const void* data, std::size_t size);
    void write(const std::string& text) { write(text.data(), text.size()); }
    // Flushes and closes the file; only a closed file is committed.
    void close();

private:
    friend class OutputFolder;
    struct Closer
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    File(std::FILE* file, std::string name, std::size_t& bytes);

    std::unique_ptr<std::FILE, Closer> file_;
    std::string name_;
    std::size_t* bytes_;
};
