// The worker thread procedure over the real sound device.
#include "synth_thread.h"

#include "granulator.h"
#include "sdl_sound_ring.h"

uint32_t SynthThread(Granulator* granulator) {
  SdlSoundRing sound;
  return runSynthesis(*granulator, sound);
}
