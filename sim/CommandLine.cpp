#include "sim/CommandLine.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "scenes/RunLimits.h"

namespace {

// A whole number from `low` to `high`, all of `text`.
int wholeNumber(const std::string& text, long low, long high, const std::string& what)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
        throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to "
                         + std::to_string(high) + ", not \"" + text + "\"");
    return static_cast<int>(value);
}

constexpr long most = std::numeric_limits<int>::max();

// Splits "A@B" at its '@'.
std::pair<std::string, std::string> splitAt(const std::string& text, char separator,
                                            const std::string& form)
{
    const auto at = text.find(separator);
    if (at == std::string::npos)
        throw UsageError("\"" + text + "\" is not of the form " + form);
    return {text.substr(0, at), text.substr(at + 1)};
}

KeyPress readPress(const std::string& text)
{
    const auto [name, step] = splitAt(text, '@', "KEY@STEP");
    const auto key = sceneKeyNamed(name);
    if (!key)
        throw UsageError("--press: \"" + name + "\" is not one of Left, Right, Up, Down");
    return {*key, wholeNumber(step, 1, most, "--press: the step")};
}

Pull readPull(const std::string& text)
{
    const auto [vertex, steps] = splitAt(text, '@', "VERTEX@FIRST-LAST");
    const auto [first, last] = splitAt(steps, '-', "VERTEX@FIRST-LAST");
    Pull pull{wholeNumber(vertex, 0, most, "--pull: the vertex"),
              wholeNumber(first, 1, most, "--pull: the first step"),
              wholeNumber(last, 1, most, "--pull: the last step")};
    if (pull.last < pull.first)
        throw UsageError("--pull: the last step " + last + " comes before the first " + first);
    return pull;
}

} // namespace

RunOptions parseCommandLine(const std::vector<std::string>& arguments)
{
    RunOptions options;
    bool sceneGiven = false;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        const auto value = [&]() -> const std::string& {
            if (k + 1 == arguments.size())
                throw UsageError(argument + " needs a value");
            return arguments[++k];
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        }
        if (argument == "--steps")
            options.steps = wholeNumber(value(), 0, most, "--steps");
        else if (argument == "--threads")
            options.threads = wholeNumber(value(), 1, mostThreads, "--threads");
        else if (argument == "--iterations")
            options.iterations = wholeNumber(value(), 1, mostIterations, "--iterations");
        else if (argument == "--every")
            options.every = wholeNumber(value(), 1, most, "--every");
        else if (argument == "--out")
            options.outputFolder = value();
        else if (argument == "--press")
            options.presses.push_back(readPress(value()));
        else if (argument == "--pull")
            options.pulls.push_back(readPull(value()));
        else if (argument == "--obj-sequence")
            options.objSequence = true;
        else if (argument.size() > 1 && argument[0] == '-')
            throw UsageError("unknown option " + argument);
        else if (sceneGiven)
            throw UsageError("one scene only: \"" + options.scene + "\" and \"" + argument + "\"");
        else {
            options.scene = argument;
            sceneGiven = true;
        }
    }
    if (!sceneGiven)
        throw UsageError("no scene given");
    // The point cache counts its samples, the start and one every --every
    // steps, in a 32-bit integer.
    if (options.steps / options.every >= std::numeric_limits<std::int32_t>::max())
        throw UsageError("--steps " + std::to_string(options.steps) + " at --every "
                         + std::to_string(options.every) + " make more samples than a point cache holds ("
                         + std::to_string(std::numeric_limits<std::int32_t>::max()) + ")");
    for (const KeyPress& press : options.presses)
        if (press.step > options.steps)
            throw UsageError("--press " + std::string(sceneKeyName(press.key)) + "@"
                             + std::to_string(press.step) + ": the run has "
                             + std::to_string(options.steps) + " steps");
    for (const Pull& pull : options.pulls)
        if (pull.last > options.steps)
            throw UsageError("--pull: step " + std::to_string(pull.last) + " is beyond the run's "
                             + std::to_string(options.steps) + " steps");
    return options;
}

std::string usage()
{
    return "usage: zarvo-sim SCENE [--steps N] [--threads T] [--iterations K] [--every K]\n"
           "                 [--out DIR] [--press KEY@STEP]... [--pull VERTEX@FIRST-LAST]...\n"
           "                 [--obj-sequence]\n"
           "SCENE is a scene file (.json), a mesh file (.obj, .off, .stl), a tetrahedral mesh\n"
           "file (.msh, .node or .ele, .mesh) or cloth, shell, plate.\n"
           "Writes DIR/body.obj and DIR/body.pc2 (DIR: the current folder unless given),\n"
           "and for a scene with colliders DIR/colliders.obj, and DIR/colliders.pc2 when a\n"
           "press moves one.\n"
           "  --steps N          steps to run (default 100)\n"
           "  --threads T        solver threads (default: one per core)\n"
           "  --iterations K     solver iterations per step (default: the scene's)\n"
           "  --every K          a sample every K steps after the start (default 1)\n"
           "  --press KEY@STEP   press Left, Right, Up or Down just before step STEP\n"
           "  --pull V@A-B       the scene's mouse force on vertex V during steps A to B\n"
           "  --obj-sequence     also write body_0000.obj, ... , one per sample\n"
           "  -h, --help         print this text and exit\n"
           "Exit status: 0 done, 1 a file could not be written or the run failed, 2 a bad command line\n"
           "or input. Ctrl+C stops the run and leaves an earlier run's files as they were.\n";
}
