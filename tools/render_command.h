// The whole grainrender command behind a plain function, for main and for the benchmark.
#pragma once

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Takes the arguments after the program name; messages go to stdout and stderr.
int runRenderCommand(int argc, const char* const* argv);
