// The output every worker of the process plays through, chosen once as the program starts and
// before any worker runs.
#pragma once

#include <cstdint>

class JackClient;

enum class AudioApi { kAuto, kSdl, kJack };

// kJack and kAuto open the JACK client when a server runs (kAuto falls back to SDL when none
// does; kJack keeps trying at each Run's device opening, which then fails). `latencyMs` sizes the
// ring, 0 for the default. Returns what the workers will use.
AudioApi chooseSoundOutput(AudioApi api, bool connect, int latencyMs);

// The JACK client the workers play through, or null for SDL.
JackClient* jackOutput();
// The ring each worker opens, in bytes.
uint32_t outputRingBytes();
