// What one synthesis worker is given for its Run: nothing else on its path is shared but the run
// flag and the random source.
#pragma once

class EngineControls;
class EngineLease;
class Granulator;
class RecordTap;

struct PlaybackContext {
  // The engine to play; it and its samples outlive the worker's loop.
  Granulator* granulator = nullptr;
  // The controls that hand that engine its changes; null when nothing changes it while it plays.
  EngineControls* controls = nullptr;
  // Given back as soon as the loop ends; null when nothing waits for the engine.
  EngineLease* lease = nullptr;
  // Where each block put into the ring is offered; null when nothing can record.
  RecordTap* recordTap = nullptr;
};
