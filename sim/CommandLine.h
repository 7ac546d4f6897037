#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "scenes/KeyAction.h"

// A command line that zarvo-sim cannot run; what() says why.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One arrow key, replayed just before step `step` (1 = the first step).
struct KeyPress
{
    SceneKey key;
    int step;
};

// The scene's mouse force on `vertex` during steps `first` to `last`.
struct Pull
{
    int vertex;
    int first;
    int last;
};

// What one run of zarvo-sim does.
struct RunOptions
{
    std::string scene;
    int steps = 100;
    // 0: the solver's own default.
    int threads = 0;
    // 0: the scene's own count.
    int iterations = 0;
    int every = 1;
    std::string outputFolder = ".";
    std::vector<KeyPress> presses;
    std::vector<Pull> pulls;
    bool objSequence = false;
    // --help: print the usage and do nothing else.
    bool help = false;
};

// Reads the arguments after the program name. Throws UsageError naming the
// argument at fault.
RunOptions parseCommandLine(const std::vector<std::string>& arguments);

// The usage text, one option per line.
std::string usage();
