// Times the conversion of a ten-minute 48 kHz stereo 24-bit sound, as WAV and as FLAC, against
// sox doing the same work on the same file in the same run, and measures the conversion's peak
// memory beside the float buffer it fills.
// Usage: convert_bench [runs] [folder]   (3 runs each, files in /dev/shm)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound_converter.h"
#include "sound_files.h"

namespace {

constexpr int kSourceRate = 48000;
constexpr int kSeconds = 600;

// Ten minutes of two voices of a few partials each, with a slow beat: enough going on that
// FLAC cannot shrink it to nothing.
bool writeSource(const std::string& path, int format) {
  SF_INFO info{};
  info.format = format;
  info.channels = 2;
  info.samplerate = kSourceRate;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr)
    return false;
  constexpr int kBlock = 48000;
  std::vector<int32_t> block(2 * kBlock);
  uint32_t noise = 1;
  bool written = true;
  for (int second = 0; second < kSeconds && written; ++second) {
    for (int i = 0; i < kBlock; ++i) {
      const double t = (static_cast<double>(second) * kBlock + i) / kSourceRate;
      noise = noise * 1664525u + 1013904223u;
      const double hiss = (static_cast<int32_t>(noise) >> 8) * 1e-9;
      const double left = 0.3 * std::sin(2 * M_PI * 220 * t) + 0.1 * std::sin(2 * M_PI * 661 * t);
      const double right = 0.3 * std::sin(2 * M_PI * 330 * t) * (0.6 + 0.4 * std::sin(t));
      block[2 * i] = static_cast<int32_t>((left + hiss) * 2147483647.0);
      block[2 * i + 1] = static_cast<int32_t>((right + hiss) * 2147483647.0);
    }
    written = sf_writef_int(file, block.data(), kBlock) == kBlock;
  }
  return sf_close(file) == 0 && written;
}

double secondsOf(const timeval& t) {
  return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
}

struct Timing {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  long peakKiB = 0;
  bool ok = false;
};

// Runs `work` in a child process, so its peak memory is its own and nothing it allocates stays.
template <typename Work>
Timing inChild(Work work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    _exit(work() ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Timing t;
  t.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
  t.peakKiB = usage.ru_maxrss;
  t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return t;
}

bool convert(const std::string& path) {
  Sound sound;
  return loadOrConvert(path.c_str(), sound).result == LoadResult::kLoaded;
}

bool runSox(const std::string& in, const std::string& out) {
  execlp("sox", "sox", in.c_str(), "-c", "1", "-e", "floating-point", "-b", "32", out.c_str(),
         "rate", "-v", "44100", static_cast<char*>(nullptr));
  return false;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void compare(const char* label, const std::string& in, const std::string& soxOut, int runs) {
  std::vector<double> ours;
  std::vector<double> sox;
  long peakKiB = 0;
  bool soxOk = true;
  // Taken in turns, so a busy moment on the machine falls on both alike.
  for (int r = 0; r < runs; ++r) {
    const Timing a = inChild([&] { return convert(in); });
    const Timing b = inChild([&] { return runSox(in, soxOut); });
    if (!a.ok) {
      std::printf("%s: conversion failed\n", label);
      return;
    }
    soxOk = soxOk && b.ok;
    ours.push_back(a.wallSeconds);
    sox.push_back(b.wallSeconds);
    peakKiB = std::max(peakKiB, a.peakKiB);
  }
  const double ourMedian = median(ours);
  std::printf("%-5s grainpanel %.3f s (best %.3f)", label, ourMedian,
              *std::min_element(ours.begin(), ours.end()));
  if (soxOk) {
    const double soxMedian = median(sox);
    std::printf("   sox %.3f s (best %.3f)   ratio %.2f x sox\n", soxMedian,
                *std::min_element(sox.begin(), sox.end()), ourMedian / soxMedian);
  } else {
    std::printf("   sox: not run (is sox installed?)\n");
  }
  const double bufferMiB = 44100.0 * kSeconds * sizeof(float) / (1 << 20);
  std::printf("      peak memory %.1f MiB: float buffer %.1f MiB + %.1f MiB beside it\n",
              peakKiB / 1024.0, bufferMiB, peakKiB / 1024.0 - bufferMiB);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string folder = argc > 2 ? argv[2] : "/dev/shm";
  const std::string wav = folder + "/convert_bench_in.wav";
  const std::string flac = folder + "/convert_bench_in.flac";
  const std::string soxOut = folder + "/convert_bench_sox.wav";
  if (!writeSource(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_24) ||
      !writeSource(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_24)) {
    std::fprintf(stderr, "convert_bench: cannot write the sources in %s\n", folder.c_str());
    return 1;
  }
  std::printf("ten minutes, 48 kHz, stereo, 24-bit, to one channel at 44.1 kHz; median of %d\n",
              runs);
  // The baseline: a child that only starts, to tell the program's own pages from the work's.
  const Timing idle = inChild([] { return true; });
  std::printf("      a child that does nothing peaks at %.1f MiB\n", idle.peakKiB / 1024.0);
  compare("WAV", wav, soxOut, runs);
  compare("FLAC", flac, soxOut, runs);
  for (const std::string& path : {wav, flac, soxOut}) std::remove(path.c_str());
  return 0;
}
