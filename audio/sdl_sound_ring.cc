// The SDL2 sound ring: device setup, the play callback and the writer's side of the exchange.
#include "sdl_sound_ring.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

void SDLCALL fillFromRing(void* userdata, Uint8* stream, int len) {
  static_cast<SdlSoundRing*>(userdata)->fill(stream, len);
}

}  // namespace

SdlSoundRing::~SdlSoundRing() {
  releaseRing();
  releaseDevice();
}

bool SdlSoundRing::openDevice() {
  // The panel owns SIGINT and SIGTERM; SDL must not take them over.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  audioInitialised = SDL_Init(SDL_INIT_AUDIO) == 0;
  return audioInitialised;
}

bool SdlSoundRing::setFormat(const WaveFormat& format) {
  if (format.formatTag != kFormatPcm || format.bitsPerSample != 16 || format.channels == 0 ||
      format.samplesPerSec == 0) {
    return false;
  }
  wanted = format;
  return true;
}

bool SdlSoundRing::createRing(uint32_t bytes) {
  if (!audioInitialised || wanted.channels == 0 || bytes == 0 || device != 0) {
    return false;
  }
  loop.create(bytes);

  SDL_AudioSpec spec;
  SDL_zero(spec);
  spec.freq = static_cast<int>(wanted.samplesPerSec);
  spec.format = AUDIO_S16SYS;
  spec.channels = static_cast<Uint8>(wanted.channels);
  spec.samples = kCallbackSamples;
  spec.callback = fillFromRing;
  spec.userdata = this;
  // No allowed changes: SDL converts when the device wants another format. It opens paused.
  device = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
  if (device == 0) {
    loop.release();
    return false;
  }
  return true;
}

bool SdlSoundRing::lock(uint32_t offset, uint32_t bytes, RingRegions& regions) {
  return loop.lock(offset, bytes, regions);
}

bool SdlSoundRing::unlock(const RingRegions& regions) {
  return loop.unlock(regions);
}

bool SdlSoundRing::playLooping() {
  if (device == 0) {
    return false;
  }
  position.store(0, std::memory_order_relaxed);
  sounding.store(true, std::memory_order_release);
  SDL_PauseAudioDevice(device, 0);
  return SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_PLAYING;
}

bool SdlSoundRing::status(uint32_t& statusWord) {
  if (device == 0) {
    return false;
  }
  statusWord =
      SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_PLAYING ? kStatusPlaying | kStatusLooping : 0;
  return true;
}

bool SdlSoundRing::playPosition(uint32_t& offset) {
  if (device == 0) {
    return false;
  }
  offset = position.load(std::memory_order_acquire);
  return true;
}

void SdlSoundRing::stop() {
  if (device != 0) {
    sounding.store(false, std::memory_order_relaxed);
    SDL_PauseAudioDevice(device, 1);
  }
}

void SdlSoundRing::releaseRing() {
  // Closing joins SDL's audio thread, so the callback is done with the ring before it goes.
  if (device != 0) {
    SDL_CloseAudioDevice(device);
    device = 0;
  }
  sounding.store(false, std::memory_order_relaxed);
  loop.release();
}

void SdlSoundRing::releaseDevice() {
  if (audioInitialised) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioInitialised = false;
  }
  // SDL keeps an error buffer per thread; a worker that is not an SDL thread must hand its own
  // back before it ends, or every Run leaks one.
  SDL_TLSCleanup();
}

void SdlSoundRing::sleep(int sleepMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
}

void SdlSoundRing::fill(uint8_t* out, int bytes) {
  if (!sounding.load(std::memory_order_acquire)) {
    std::memset(out, 0, static_cast<size_t>(bytes));
    return;
  }
  const uint32_t ringBytes = loop.size();
  uint32_t at = position.load(std::memory_order_relaxed);
  for (int i = 0; i < bytes; ++i) {
    out[i] = loop.at(at);
    at = at + 1 == ringBytes ? 0 : at + 1;
  }
  position.store(at, std::memory_order_release);
}
