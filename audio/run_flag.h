// The one signal from the panel to the synthesis thread: set while synthesis is wanted.
#pragma once

#include <atomic>

// False at process start. Only the UI thread writes it; the synthesis thread reads it before every
// sample. It carries no data with it, so relaxed loads and stores suffice.
extern std::atomic<bool> g_running;
