// Writes the fuzzer's seed corpus: valid WAV files and near misses of each header rule.
#include <cstdio>
#include <string>
#include <vector>

#include "test_wav.h"

namespace {

void save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

std::vector<uint8_t> withData(const testwav::WavHeader& h, size_t dataBytes) {
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  for (size_t i = 0; i < dataBytes; ++i) bytes.push_back(static_cast<uint8_t>(i * 37 + 11));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_wave_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  using testwav::consistentHeader;

  std::vector<int16_t> ramp;
  for (int i = 0; i < 64; ++i) ramp.push_back(static_cast<int16_t>(i * 1031 - 32768));
  save(dir, "mono16", testwav::monoWav16(ramp));
  save(dir, "mono16-two-frames", testwav::monoWav16({32767, -32768}));
  save(dir, "mono16-odd-byte", withData(consistentHeader(1, 16, 41), 41));
  save(dir, "stereo16", withData(consistentHeader(2, 16, 64), 64));
  save(dir, "mono8", withData(consistentHeader(1, 8, 32), 32));
  save(dir, "mono24", withData(consistentHeader(1, 24, 48), 48));
  save(dir, "three-channels", withData(consistentHeader(3, 16, 48), 48));

  testwav::WavHeader h = consistentHeader(1, 16, 32);
  h.byteRate += 1;
  save(dir, "byte-rate-off", withData(h, 32));
  h = consistentHeader(1, 16, 32);
  h.blockAlign = 4;
  save(dir, "block-align-off", withData(h, 32));
  h = consistentHeader(1, 4, 32);
  h.byteRate = h.sampleRate / 2;
  h.blockAlign = 0;
  save(dir, "four-bit", withData(h, 32));
  h = consistentHeader(1, 16, 32);
  h.sampleRate = (1u << 28) + 1;
  h.byteRate = 2;
  save(dir, "byte-rate-wraps", withData(h, 32));
  h = consistentHeader(1, 16, 32);
  h.fmtSize = 18;
  save(dir, "fmt-18", withData(h, 32));
  h = consistentHeader(1, 16, 32);
  h.fmtTag = "fmt\t";
  save(dir, "fmt-tag-off", withData(h, 32));

  const std::vector<uint8_t> full = withData(consistentHeader(1, 16, 8), 8);
  for (size_t cut : {7, 8, 11, 12, 35, 36, 43, 44, 47}) {
    save(dir, "cut-" + std::to_string(cut), std::vector<uint8_t>(full.begin(), full.begin() + cut));
  }
  return 0;
}
