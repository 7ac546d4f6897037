#pragma once

// Registers the headless runner's benchmarks: a grid body read from a mesh
// file as zarvo-sim reads it, stepped with and without writing the cache.
void registerRunnerBenchmarks();
