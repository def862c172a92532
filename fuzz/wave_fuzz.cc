// libFuzzer target: any bytes at all, loaded as a WAV file through open, readFloats and fadeEdges.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fade_edges.h"
#include "memory_file.h"
#include "wave_reader.h"

namespace {

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool startsWith(const uint8_t* p, const char* text) {
  for (int i = 0; i < 4; ++i) {
    if (p[i] != static_cast<uint8_t>(text[i]))
      return false;
  }
  return true;
}

// The acceptance rule written out flat, as an oracle for the layered implementation.
bool shouldAccept(const uint8_t* d, size_t size) {
  if (size < 44 || (size - 44) / 2 < 2)
    return false;
  if (!startsWith(d + 8, "WAVE") || !startsWith(d + 12, "fmt "))
    return false;
  const uint32_t sampleRate = le32(d + 24);
  return le16(d + 22) == 1 && le16(d + 34) == 16 && le32(d + 28) == (16u * sampleRate) >> 3 &&
         le16(d + 32) == 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MemoryFile file("wave_fuzz");
  file.fill(data, size);

  WaveReader reader;
  const bool accepted = reader.open(file.path.c_str());
  if (accepted != shouldAccept(data, size))
    std::abort();
  // A refused file always gets a reason, an accepted one none.
  if (accepted != reader.refusal().empty())
    std::abort();
  if (accepted) {
    const uint32_t n = reader.frameCount();
    if (n != (size - 44) / 2)
      std::abort();
    // Exactly n floats, so AddressSanitizer sees any write past the end.
    std::vector<float> samples(n);
    reader.readFloats(samples.data());
    fadeEdges(samples.data(), static_cast<int>(n));
    for (uint32_t i = 0; i < n; ++i) {
      if (!(samples[i] >= -1.0f && samples[i] < 1.0f))
        std::abort();
    }
    if (samples[0] != 0.0f || samples[n - 1] != 0.0f)
      std::abort();
  }
  reader.close();
  return 0;
}
