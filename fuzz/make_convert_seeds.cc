// Writes the conversion fuzzer's seed corpus: a short sound in every format libsndfile writes
// here, at rates around 44 100 Hz and with one to three channels.
#include <sndfile.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sound_files.h"

namespace {

struct Seed {
  const char* name;
  int format;
  int channels;
  int sampleRate;
};

constexpr Seed kSeeds[] = {
    {"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000},
    {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100},
    {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 22050},
    {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 96000},
    {"ext.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 3, 48000},
    {"d.rf64", SF_FORMAT_RF64 | SF_FORMAT_DOUBLE, 1, 44100},
    {"s.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_32, 2, 8000},
    {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, 44100},
    {"c.aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1, 32000},
    {"f.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 48000},
    {"v.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 44100},
    {"o.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000},
    {"c.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_24, 2, 88200},
    {"m.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1, 44100},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_convert_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  int written = 0;
  for (const Seed& seed : kSeeds) {
    std::vector<int32_t> frames;
    for (int i = 0; i < 200 * seed.channels; ++i)
      frames.push_back((i * 97 % 201 - 100) * (1 << 20));
    // A format this libsndfile cannot write (MP3 on some builds) is left out, not an error.
    if (testwav::writeSound(dir + "/" + seed.name, seed.format, seed.channels, seed.sampleRate,
                            frames)) {
      ++written;
    } else {
      std::remove((dir + "/" + seed.name).c_str());
      std::fprintf(stderr, "make_convert_seeds: %s not written\n", seed.name);
    }
  }
  return written > 0 ? 0 : 1;
}
