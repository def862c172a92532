// Run/Stop and File...: the run flag, the synthesis worker, the sample buffer and the order of
// engine calls, free of any window layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sound_loader.h"

class EngineLease;
class EngineControls;
class Granulator;
class PanelServices;
class Preferences;
class RecordTap;
struct PlaybackContext;
struct ControlValues;

constexpr const char* kSelectFileText = "Please select a file first...";
// The last line under a refused file's reason.
constexpr const char* kConvertText =
    "Grainpanel plays 16-bit mono WAV files; to convert one: sox in.wav -b 16 -c 1 out.wav";
constexpr const char* kRunCaption = "Run";
constexpr const char* kStopCaption = "Stop";

// What the transport shows in the window besides its messages.
class TransportView {
 public:
  virtual ~TransportView() = default;
  virtual void setRunCaption(const char* caption) = 0;
  virtual void enableFade(bool enabled) = 0;
  // Playback started (the engine already prepared and published its first view) or stopped.
  virtual void showPlaying(bool playing) = 0;
};

class Transport {
 public:
  // Plays the context's engine until the run flag is cleared. A worker that does not give the
  // lease back itself keeps the engine until it returns.
  using Worker = uint32_t (*)(const PlaybackContext&);
  using Clock = uint32_t (*)();

  // Defaults: the real synthesis thread, the wall clock in seconds, a non-throwing allocation.
  // A Run starts the engine from `values` as they are at that moment; its worker offers what it
  // plays to `recordTap`, when given.
  Transport(Granulator& granulator, const ControlValues& values, TransportView& view,
            PanelServices& services, RecordTap* recordTap = nullptr);
  // Clears the run flag and waits for the worker to leave the engine before the buffer goes; a
  // worker still closing its device is left to finish on its own.
  ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  void setWorker(Worker worker) { m_worker = worker; }
  void setClock(Clock clock) { m_clock = clock; }
  void setAllocate(FrameAllocator allocate) { m_allocate = allocate; }
  // The controls through which each Run starts and its worker takes every change; without any,
  // the engine is started directly and changes reach it through its setters alone.
  void setControls(EngineControls* controls) { m_controls = controls; }
  // Where "Always convert such files" is kept; without any, every such file asks.
  void setPreferences(Preferences* preferences) { m_preferences = preferences; }
  // The next Run starts from `seed` instead of the clock's reading; the Runs after it read the
  // clock again.
  void seedNextRun(uint32_t seed) {
    m_nextSeed = seed;
    m_nextSeedGiven = true;
  }

  // Flag cleared, caption "Run", no sound.
  void initialise();
  void OnRunStop();
  void OnFile();
  // A file dropped on the panel or named on the command line: stopped, loaded and started as
  // File... does with a chosen file. False when the file was refused.
  bool OnDropFile(const std::string& path);

  bool playing() const;
  const float* samples() const { return m_sound.samples.get(); }
  int frameCount() const { return m_sound.frameCount; }
  // The path the sound in the buffer was loaded from; empty before the first load.
  const std::string& soundPath() const { return m_soundPath; }
  // What was converted ("kick.flac: 48 000 Hz, stereo, 24-bit, converted"); empty for a sound
  // read as it is.
  const std::string& soundNote() const { return m_soundNote; }
  // The seed the current or last Run started from.
  uint32_t runSeed() const { return m_seed; }

 private:
  void stop();
  void start();
  // Returns once the previous worker has left the engine for good; the flag must already be
  // clear. Its device may still be closing: the next worker waits for that, never the caller.
  void reclaimEngine();
  bool load(const char* path);
  // Whether a file the converter takes is converted: at once when the preference says so,
  // otherwise as the user answers the box.
  bool mayConvert(const std::string& detail);

  Granulator& m_granulator;
  const ControlValues& m_values;
  TransportView& m_view;
  PanelServices& m_services;
  RecordTap* m_recordTap;
  Worker m_worker;
  Clock m_clock;
  FrameAllocator m_allocate;
  Sound m_sound;
  std::string m_soundPath;
  std::string m_soundNote;
  Preferences* m_preferences = nullptr;
  EngineControls* m_controls = nullptr;
  uint32_t m_seed = 0;
  bool m_nextSeedGiven = false;
  uint32_t m_nextSeed = 0;
  std::shared_ptr<EngineLease> m_lease;
};
