// Makes sure descriptors 0, 1 and 2 are open before a program opens anything of its own.
#pragma once

// Opens /dev/null on each of standard input, output and error that is closed, so that no file
// the program opens later takes one of their numbers and receives its messages. False when
// /dev/null itself cannot be had.
bool openStandardDescriptors();
