// Definition of the run flag.
#include "run_flag.h"

std::atomic<bool> g_running{false};
