// The worker thread procedure over the real sound device.
#include "audio/synth_thread.h"

#include "audio/sdl_sound_ring.h"
#include "engine/granulator.h"

uint32_t SynthThread(Granulator* granulator) {
  SdlSoundRing sound;
  return runSynthesis(*granulator, sound);
}
