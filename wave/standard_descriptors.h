// Makes sure descriptors 0, 1 and 2 are open before a program opens anything of its own.
#pragma once

#include <cstdio>

// Opens /dev/null on each of standard input, output and error that is closed, so that no file
// the program opens later takes one of their numbers and receives its messages. False when
// /dev/null itself cannot be had.
bool openStandardDescriptors();

// Flushes `out`. When what was written cannot all go out (a full disk, a closed pipe), says so on
// `err` after the program's name ("grainrender: cannot write standard output: No space left on
// device") and gives false, so the program can end with a failure instead of 0.
bool flushStandardOutput(const char* program, std::FILE* out, std::FILE* err);
