// Run/Stop and File...: the run flag, the synthesis worker, the sample buffer and the order of
// engine calls.
#include "transport.h"

#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <utility>

#include "engine_controls.h"
#include "engine_lease.h"
#include "engine_settings.h"
#include "granulator.h"
#include "panel_services.h"
#include "playback_context.h"
#include "preferences.h"
#include "run_flag.h"
#include "sound_converter.h"
#include "synth_thread.h"

namespace {

uint32_t wallClockSeconds() {
  return static_cast<uint32_t>(std::time(nullptr));
}

// The worker's thread: the lease is shared with it, so it outlives a transport that has gone.
void lend(Transport::Worker worker, PlaybackContext context, std::shared_ptr<EngineLease> lease) {
  context.lease = lease.get();
  worker(context);
  lease->giveBack();
}

}  // namespace

Transport::Transport(Granulator& granulator, const ControlValues& values, TransportView& view,
                     PanelServices& services, RecordTap* recordTap)
    : m_granulator(granulator),
      m_values(values),
      m_view(view),
      m_services(services),
      m_recordTap(recordTap),
      m_worker(SynthThreadOnLease),
      m_clock(wallClockSeconds),
      m_allocate(allocateFrames) {}

Transport::~Transport() {
  g_running = false;
  reclaimEngine();
}

void Transport::initialise() {
  g_running = false;
  m_view.setRunCaption(kRunCaption);
}

bool Transport::playing() const {
  return g_running;
}

void Transport::OnRunStop() {
  if (g_running) {
    stop();
  } else if (!m_sound.samples) {
    m_services.showMessage(kSelectFileText, "");
  } else {
    start();
  }
}

void Transport::OnFile() {
  // Nothing plays while the file is chosen, so the button says so.
  if (g_running) {
    stop();
  }
  std::string path;
  if (m_services.chooseWaveFile(path) && !load(path.c_str())) {
    return;
  }
  OnRunStop();
}

bool Transport::OnDropFile(const std::string& path) {
  if (g_running) {
    stop();
  }
  if (!load(path.c_str())) {
    return false;
  }
  OnRunStop();
  return true;
}

void Transport::stop() {
  g_running = false;
  if (m_controls != nullptr) {
    m_controls->stopRun();
  }
  m_view.setRunCaption(kRunCaption);
  m_view.enableFade(true);
  m_view.showPlaying(false);
}

void Transport::start() {
  // The previous worker was told to stop; it must be out of the engine before the flag is set
  // again, or it would keep running beside the new one.
  reclaimEngine();
  g_running = true;
  m_view.setRunCaption(kStopCaption);
  m_seed = m_nextSeedGiven ? m_nextSeed : m_clock();
  m_nextSeedGiven = false;
  // Every Run, not only the first, starts from the random source's start state, so that its seed
  // and positions alone say what it plays: grainrender --seed renders any Run.
  if (m_controls != nullptr) {
    m_controls->startRun(m_values, m_sound.samples.get(), m_sound.frameCount, m_seed);
  } else {
    startFirstRun(m_granulator, m_values, m_sound.samples.get(), m_sound.frameCount, m_seed);
  }
  m_lease = std::make_shared<EngineLease>();
  // Nothing ever joins a worker: the lease says when the engine is free, and the worker closes
  // its device on its own time, which a stalled driver can stretch to seconds.
  PlaybackContext context;
  context.granulator = &m_granulator;
  context.controls = m_controls;
  context.recordTap = m_recordTap;
  std::thread(lend, m_worker, context, m_lease).detach();
  m_view.enableFade(false);
  m_view.showPlaying(true);
}

void Transport::reclaimEngine() {
  if (m_lease) {
    m_lease->takeBack();
    m_lease.reset();
  }
}

// The new sound is complete before the old one goes, so any failure keeps the old sound. The
// strict loader goes first: a file it takes loads exactly as it always has.
bool Transport::load(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const std::string name = slash ? slash + 1 : path;
  Sound sound;
  std::string note;
  LoadOutcome outcome = loadSound(path, sound, m_allocate);
  if (outcome.result == LoadResult::kWrongFormat) {
    SoundConverter converter;
    if (converter.open(path)) {
      if (!mayConvert(name + ": " + outcome.reason + "\n" + kConvertText)) {
        // The box was the refusal: a seed meant for this sound's Run goes with it.
        m_nextSeedGiven = false;
        return false;
      }
      outcome = convertSound(converter, sound, m_allocate);
      note = name + ": " + converter.description() + ", converted";
    } else if (converter.readable()) {
      outcome.reason = converter.refusal();
    }
  }
  if (outcome.result != LoadResult::kLoaded) {
    std::string detail;
    if (outcome.result == LoadResult::kWrongFormat) {
      detail = name + ": " + outcome.reason + "\n" + kConvertText;
    }
    m_services.showMessage(loadMessage(outcome.result), detail.c_str());
    // A seed meant for the refused sound's Run goes with it.
    m_nextSeedGiven = false;
    return false;
  }
  reclaimEngine();
  m_sound = std::move(sound);
  m_soundPath = path;
  m_soundNote = note;
  return true;
}

bool Transport::mayConvert(const std::string& detail) {
  if (m_preferences != nullptr && m_preferences->alwaysConvert()) {
    return true;
  }
  bool always = false;
  if (!m_services.offerConversion(kWrongFormatText, detail.c_str(), always)) {
    return false;
  }
  if (always && m_preferences != nullptr) {
    m_preferences->setAlwaysConvert(true);
    m_preferences->save();
  }
  return true;
}
