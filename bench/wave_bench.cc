// Loading a ten-minute 16-bit mono WAV file to faded floats, against a plain read of its bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fade_edges.h"
#include "sound_loader.h"
#include "test_wav.h"
#include "wave_reader.h"

namespace {

constexpr uint32_t kTenMinuteFrames = 10 * 60 * 44100;

std::string writeTenMinuteFile(const testwav::TempDir& dir) {
  const std::string path = dir.pathOf("ten-minutes.wav");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    return path;
  const std::vector<uint8_t> header =
      testwav::headerBytes(testwav::consistentHeader(1, 16, kTenMinuteFrames * 2));
  std::fwrite(header.data(), 1, header.size(), f);
  std::vector<uint8_t> block;
  for (uint32_t i = 0; i < kTenMinuteFrames; ++i) {
    const auto s = static_cast<int16_t>(20000.0 * std::sin(i * 0.0313) + (i * 2654435761u >> 22));
    testwav::appendLe16(block, static_cast<uint16_t>(s));
    if (block.size() >= (1 << 20) || i + 1 == kTenMinuteFrames) {
      std::fwrite(block.data(), 1, block.size(), f);
      block.clear();
    }
  }
  std::fclose(f);
  return path;
}

const std::string& filePath() {
  static const testwav::TempDir dir;
  static const std::string path = writeTenMinuteFile(dir);
  return path;
}

// The baseline: one open, its length, new memory and read() until every byte is in. The memory
// is mapped afresh on every call, as the load's buffer is, in the ordinary small pages that a
// program's large allocation gets.
size_t plainRead(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  struct stat info;
  fstat(fd, &info);
  const auto size = static_cast<size_t>(info.st_size);
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return 0;
  }
  auto* bytes = static_cast<char*>(memory);
  size_t got = 0;
  while (got < size) {
    const ssize_t r = read(fd, bytes + got, size - got);
    if (r <= 0)
      break;
    got += static_cast<size_t>(r);
  }
  close(fd);
  benchmark::DoNotOptimize(bytes);
  munmap(memory, size);
  return got;
}

// The loader's own work: open, readFloats into the caller's buffer, fadeEdges, close.
uint32_t loadFaded(const std::string& path, float* samples) {
  WaveReader reader;
  if (!reader.open(path.c_str()))
    return 0;
  const uint32_t n = reader.frameCount();
  reader.readFloats(samples);
  fadeEdges(samples, static_cast<int>(n));
  reader.close();
  benchmark::DoNotOptimize(samples);
  return n;
}

constexpr int64_t kFileBytes = 44 + int64_t{kTenMinuteFrames} * 2;

void BM_PlainRead(benchmark::State& state) {
  const std::string& path = filePath();
  plainRead(path);  // into the page cache
  for (auto _ : state) benchmark::DoNotOptimize(plainRead(path));
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The float buffer is the caller's and already resident, as after a first load of this length.
void BM_LoadIntoResidentBuffer(benchmark::State& state) {
  const std::string& path = filePath();
  plainRead(path);
  std::unique_ptr<float[]> samples(new float[kTenMinuteFrames]);
  loadFaded(path, samples.get());
  for (auto _ : state) benchmark::DoNotOptimize(loadFaded(path, samples.get()));
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_LoadIntoResidentBuffer)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The panel's whole File... path, loadSound: a new float buffer on every load, so its first-touch
// page faults (twice the file's size) are counted too.
void BM_LoadIntoNewBuffer(benchmark::State& state) {
  const std::string& path = filePath();
  plainRead(path);
  for (auto _ : state) {
    Sound sound;
    benchmark::DoNotOptimize(loadSound(path.c_str(), sound));
    benchmark::DoNotOptimize(sound.samples.get());
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_LoadIntoNewBuffer)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A memory figure of /proc/self/status in KiB, or -1: "VmRSS:" now, "VmHWM:" the peak since the
// last resetPeak().
long statusKiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0)
      return std::stol(line.substr(key.size()));
  }
  return -1;
}

bool resetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return clear.good();
}

// Peak memory above the resident set the load starts from. The float buffer the caller keeps is
// allocated and touched beforehand, so what remains is the loader's own extra memory.
void reportPeakMemory() {
  const std::string& path = filePath();
  plainRead(path);
  std::unique_ptr<float[]> samples(new float[kTenMinuteFrames]);
  std::memset(samples.get(), 0, sizeof(float) * kTenMinuteFrames);

  if (!resetPeak()) {
    std::printf("peak memory: /proc/self/clear_refs not writable, not measured\n");
    return;
  }
  long before = statusKiB("VmRSS:");
  plainRead(path);
  const long plainExtra = statusKiB("VmHWM:") - before;

  resetPeak();
  before = statusKiB("VmRSS:");
  loadFaded(path, samples.get());
  const long loadExtra = statusKiB("VmHWM:") - before;
  std::printf(
      "peak extra memory: plain read %.1f MiB, load to floats %.1f MiB "
      "(a separate 16-bit copy would take %.1f MiB)\n",
      plainExtra / 1024.0, loadExtra / 1024.0, kTenMinuteFrames * 2 / 1048576.0);
}

double elapsedMs(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// File... against the plain read, taken in turns so that both meet the same load on a shared
// machine, and reported with their spread: the cost of fresh memory varies with how fragmented
// the machine's memory is.
void reportLoadAgainstPlainRead() {
  constexpr int kRounds = 15;
  const std::string& path = filePath();
  plainRead(path);
  std::vector<double> plain;
  std::vector<double> load;
  std::vector<double> ratio;
  for (int i = 0; i < kRounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(plainRead(path));
    plain.push_back(elapsedMs(start));
    start = std::chrono::steady_clock::now();
    {
      Sound sound;
      benchmark::DoNotOptimize(loadSound(path.c_str(), sound));
      benchmark::DoNotOptimize(sound.samples.get());
    }
    load.push_back(elapsedMs(start));
    ratio.push_back(load.back() / plain.back());
  }
  auto describe = [](std::vector<double> v, const char* unit) {
    std::sort(v.begin(), v.end());
    std::printf("median %.2f%s, %.2f to %.2f", v[v.size() / 2], unit, v.front(), v.back());
  };
  std::printf("ten-minute file, %d rounds in turn:\n  plain read into new memory:      ", kRounds);
  describe(plain, " ms");
  std::printf("\n  open to faded floats, new buffer: ");
  describe(load, " ms");
  std::printf("\n  load / plain read, each round:   ");
  describe(ratio, "x");
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  reportPeakMemory();
  reportLoadAgainstPlainRead();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
