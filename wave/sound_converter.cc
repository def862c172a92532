// Converts any sound libsndfile reads into the instrument's floats: one channel, 44 100 Hz.
#include "sound_converter.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "fade_edges.h"
#include "sample_rate.h"

namespace {

// One read takes this many samples over all channels, so the memory beside the float buffer
// stays the same for any file, however many channels it claims.
constexpr int kChunkSamples = 1 << 16;
constexpr int64_t kMaxFrames = std::numeric_limits<int32_t>::max();
// Rates beyond any recording: a header claiming one is damaged, and resampling from it would
// only spend time.
constexpr int kMaxSampleRate = 1 << 22;
constexpr const char* kTooLongText = "too long (13.5 hours or more)";

// Frames once at 44 100 Hz, rounded to nearest as soxr's output comes out, halves up.
int64_t convertedFrames(int64_t frames, int rate) {
  const __int128 twice = static_cast<__int128>(frames) * 2 * kSampleRate + rate;
  const __int128 converted = twice / (2 * static_cast<__int128>(rate));
  return converted > kMaxFrames ? kMaxFrames + 1 : static_cast<int64_t>(converted);
}

// "48 000 Hz": thousands set apart by a space, as the panel shows rates.
std::string rateText(int rate) {
  std::string digits = std::to_string(rate);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, " ");
  return digits + " Hz";
}

std::string channelText(int channels) {
  if (channels == 1)
    return "mono";
  return channels == 2 ? "stereo" : std::to_string(channels) + " channels";
}

std::string encodingText(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
      return "8-bit";
    case SF_FORMAT_PCM_16:
      return "16-bit";
    case SF_FORMAT_PCM_24:
      return "24-bit";
    case SF_FORMAT_PCM_32:
      return "32-bit";
    case SF_FORMAT_FLOAT:
      return "32-bit float";
    case SF_FORMAT_DOUBLE:
      return "64-bit float";
    case SF_FORMAT_VORBIS:
      return "Vorbis";
    case SF_FORMAT_OPUS:
      return "Opus";
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
      return "MPEG";
    default: {
      SF_FORMAT_INFO info{};
      info.format = format & SF_FORMAT_SUBMASK;
      sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info);
      return info.name ? info.name : "encoded";
    }
  }
}

// A damaged float file may hold anything; the engine takes only what a sample can be.
float sanitised(double x) {
  if (!(x >= -1.0))
    return x != x ? 0.0f : -1.0f;
  return x > 1.0 ? 1.0f : static_cast<float>(x);
}

}  // namespace

SoundConverter::~SoundConverter() {
  close();
}

bool SoundConverter::open(const char* path) {
  close();
  m_refusal.clear();
  m_readable = false;
  // Opened without blocking and checked before libsndfile sees it: a FIFO or a device could
  // otherwise hold the panel forever.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    if (fd >= 0)
      ::close(fd);
    m_refusal = "not a sound file libsndfile reads";
    return false;
  }
  SF_INFO info{};
  m_file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
  if (m_file == nullptr) {
    m_refusal = "not a sound file libsndfile reads";
    return false;
  }
  m_readable = true;
  if (info.channels < 1 || info.samplerate < 1 || info.samplerate > kMaxSampleRate ||
      info.frames < 0) {
    m_refusal = "damaged header";
    return false;
  }
  const int64_t frames = convertedFrames(info.frames, info.samplerate);
  if (frames > kMaxFrames) {
    m_refusal = kTooLongText;
    return false;
  }
  if (frames < 2) {
    m_refusal = "fewer than two samples";
    return false;
  }
  m_channels = info.channels;
  m_sampleRate = info.samplerate;
  m_sourceFrames = info.frames;
  m_frameCount = static_cast<int>(frames);
  m_description = rateText(info.samplerate) + ", " + channelText(info.channels) + ", " +
                  encodingText(info.format);
  return true;
}

void SoundConverter::readFloats(float* dst) {
  const int chunkFrames = std::max(1, kChunkSamples / m_channels);
  m_chunk.resize(static_cast<size_t>(chunkFrames) * m_channels);
  m_mono.resize(chunkFrames);
  if (m_sampleRate == kSampleRate) {
    readDirect(dst);
  } else {
    readResampled(dst);
  }
  m_chunk = std::vector<float>();
  m_mono = std::vector<float>();
}

int SoundConverter::readMono() {
  const sf_count_t wanted = static_cast<sf_count_t>(m_mono.size());
  const sf_count_t got = std::max<sf_count_t>(0, sf_readf_float(m_file, m_chunk.data(), wanted));
  const float* in = m_chunk.data();
  for (sf_count_t i = 0; i < got; ++i) {
    double sum = 0.0;
    for (int c = 0; c < m_channels; ++c) sum += sanitised(*in++);
    m_mono[i] = sanitised(sum / m_channels);
  }
  return static_cast<int>(got);
}

// At 44 100 Hz the mean is the sound: nothing is resampled, the frames go straight in.
void SoundConverter::readDirect(float* dst) {
  int done = 0;
  while (done < m_frameCount) {
    const int got = std::min(readMono(), m_frameCount - done);
    if (got <= 0)
      break;
    std::copy(m_mono.begin(), m_mono.begin() + got, dst + done);
    done += got;
  }
  std::fill(dst + done, dst + m_frameCount, 0.0f);
}

// soxr at its very-high quality on one thread: with a single thread and the same input in the
// same chunks, each output sample is the same sum in the same order in every run.
void SoundConverter::readResampled(float* dst) {
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t error = nullptr;
  soxr_t resampler = soxr_create(m_sampleRate, kSampleRate, 1, &error, &io, &quality, &runtime);
  size_t done = 0;
  const size_t total = static_cast<size_t>(m_frameCount);
  if (resampler != nullptr && error == nullptr) {
    int64_t left = m_sourceFrames;
    bool more = true;
    while (more && done < total) {
      const int got = left > 0 ? readMono() : 0;
      left -= got;
      more = got > 0;
      // An empty input is soxr's end of input: it then gives out what it still holds.
      size_t used = 0;
      size_t produced = 0;
      bool moving = true;
      do {
        size_t taken = 0;
        const soxr_error_t failed = soxr_process(resampler, more ? m_mono.data() + used : nullptr,
                                                 more ? static_cast<size_t>(got) - used : 0, &taken,
                                                 dst + done, total - done, &produced);
        used += taken;
        done += produced;
        // A resampler that fails, or takes and gives nothing, would otherwise loop for ever.
        moving = failed == nullptr && taken + produced > 0;
        more = more && moving;
      } while (moving && (more ? used < static_cast<size_t>(got) : produced > 0) && done < total);
    }
    soxr_delete(resampler);
  }
  std::fill(dst + done, dst + total, 0.0f);
}

void SoundConverter::close() {
  if (m_file != nullptr) {
    sf_close(m_file);
    m_file = nullptr;
  }
}

LoadOutcome convertSound(SoundConverter& converter, Sound& sound, FrameAllocator allocate) {
  const int frames = converter.frameCount();
  SampleBuffer buffer = allocate(static_cast<size_t>(frames));
  if (!buffer) {
    return {LoadResult::kNoMemory, ""};
  }
  converter.readFloats(buffer.get());
  fadeEdges(buffer.get(), frames);
  converter.close();
  sound.samples = std::move(buffer);
  sound.frameCount = frames;
  return {LoadResult::kLoaded, ""};
}

LoadOutcome loadOrConvert(const char* path, Sound& sound, std::string* note,
                          FrameAllocator allocate) {
  if (note != nullptr)
    note->clear();
  const LoadOutcome strict = loadSound(path, sound, allocate);
  if (strict.result != LoadResult::kWrongFormat)
    return strict;
  SoundConverter converter;
  if (!converter.open(path))
    return converter.readable() ? LoadOutcome{LoadResult::kWrongFormat, converter.refusal()}
                                : strict;
  const LoadOutcome converted = convertSound(converter, sound, allocate);
  if (note != nullptr && converted.result == LoadResult::kLoaded)
    *note = converter.description();
  return converted;
}

std::vector<std::string> readablePatterns() {
  std::vector<std::string> patterns;
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO info{};
    info.format = i;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
    if (info.extension != nullptr)
      patterns.push_back(std::string("*.") + info.extension);
  }
  // Names the formats go by besides the one libsndfile gives each.
  for (const char* alias : {"*.wav", "*.aif", "*.aifc", "*.ogg", "*.opus", "*.mp3"}) {
    patterns.push_back(alias);
  }
  std::sort(patterns.begin(), patterns.end());
  patterns.erase(std::unique(patterns.begin(), patterns.end()), patterns.end());
  return patterns;
}
