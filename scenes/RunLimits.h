#pragma once

// The bounds on what a person may ask of a run, from the command line, from
// Python or in a scene file: an OpenMP runtime that cannot start the threads
// asked for ends the process, and a step of more passes than this never finishes in
// a useful time.
inline constexpr int mostThreads = 1024;
inline constexpr int mostIterations = 100000;
