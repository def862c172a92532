// Makes sure descriptors 0, 1 and 2 are open before a program opens anything of its own.
#include "standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool openStandardDescriptors() {
  for (int fd = 0; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    // open takes the lowest free number, which is this one since the lower ones are open.
    const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd) {
      return false;
    }
  }
  return true;
}

bool flushStandardOutput(const char* program, std::FILE* out, std::FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) {
    return true;
  }
  std::fprintf(err, "%s: cannot write standard output: %s\n", program, std::strerror(errno));
  return false;
}
