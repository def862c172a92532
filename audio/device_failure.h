// A sound device that fails or goes away: its line on stderr, then the end of the process.
#pragma once

class EngineLease;

// Called once, on the failing worker's thread, with the line already on stderr. The worker never
// comes back from it: the handler arranges for another thread to end the process with status 1
// (the panel first finishes a recording in progress and shows the line in a box).
using DeviceFailureHandler = void (*)(const char* message);

// Null, the default, ends the process at once.
void setDeviceFailureHandler(DeviceFailureHandler handler);

// Prints `message` on stderr. Without a handler, ends the process with status 1; with one, hands
// the message to it and leaves this thread asleep until the process ends.
[[noreturn]] void failDevice(const char* message);

// The lease of the worker on this thread, or null. A failing device gives it back first, so the
// panel that lent the engine can still end in order while this thread sleeps.
void holdLeaseOnThisThread(EngineLease* lease);
