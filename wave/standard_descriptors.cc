// Makes sure descriptors 0, 1 and 2 are open before a program opens anything of its own.
#include "standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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
