// Definition of the run flag.
#include "audio/run_flag.h"

std::atomic<bool> g_running{false};
