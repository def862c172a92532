// Other processes that load the machine while a bench plays: spinning and memory-churning ones.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class Load {
 public:
  // Forks `spinners` processes that spin and `churners` that fork 256 MiB touchers again and again;
  // all are killed when the Load goes, or with the bench.
  Load(int spinners, int churners);
  ~Load();
  Load(const Load&) = delete;
  Load& operator=(const Load&) = delete;

 private:
  std::vector<pid_t> pids;
};

// The three figures of /proc/loadavg.
std::string loadAverage();
