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

// Output files that appear only once complete, and all together: each is
// written under a temporary name in the folder, and commit() renames them
// all into place as one change: should a rename fail, the folder is put
// back as it was. Until then, and if the run fails, files of an earlier run
// with the same names stay untouched; the temporary files are removed on
// destruction.
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
    // Files of a numbered series: commit() also removes the earlier files
    // named `prefix` (not empty), digits, `suffix` that this run did not
    // write, so that one run's series never mixes with another's.
    void replaceSeries(std::string prefix, std::string suffix);
    // Puts every file into place, and takes the earlier series' files away;
    // close the files first. Throws WriteError, the folder as it was.
    void commit();
    // Bytes written into the folder's files so far.
    std::size_t bytes() const { return bytes_; }

private:
    // A file and the name it has meanwhile: its temporary name, or the one
    // an earlier file is kept under while commit() runs.
    struct Pending
    {
        std::string temporary;
        std::string final;
    };

    std::string hiddenName(const std::string& name, const char* kind) const;
    // The earlier files that commit() replaces or removes.
    std::vector<std::string> earlierFiles() const;
    bool inSeries(const std::string& name) const;

    std::string folder_;
    std::vector<Pending> pending_;
    std::string seriesPrefix_;
    std::string seriesSuffix_;
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
