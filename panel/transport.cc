// Run/Stop and File...: the run flag, the synthesis worker, the sample buffer and the order of
// engine calls.
#include "panel/transport.h"

#include <ctime>
#include <new>
#include <string>

#include "audio/run_flag.h"
#include "audio/synth_thread.h"
#include "engine/granulator.h"
#include "engine/random_source.h"
#include "panel/panel_controls.h"
#include "panel/panel_services.h"
#include "wave/fade_edges.h"
#include "wave/wave_reader.h"

namespace {

uint32_t wallClockSeconds() {
  return static_cast<uint32_t>(std::time(nullptr));
}

std::unique_ptr<float[]> allocateFrames(size_t frames) {
  return std::unique_ptr<float[]>(new (std::nothrow) float[frames]);
}

}  // namespace

Transport::Transport(Granulator& granulator, PanelControls& controls, ControlExchange& exchange,
                     TransportView& view, PanelServices& services)
    : m_granulator(granulator),
      m_controls(controls),
      m_exchange(exchange),
      m_view(view),
      m_services(services),
      m_worker(SynthThread),
      m_clock(wallClockSeconds),
      m_allocate(allocateFrames) {}

Transport::~Transport() {
  g_running = false;
  joinWorker();
}

void Transport::initialise() {
  g_running = false;
  m_view.setRunCaption(kRunCaption);
  m_controls.setStartupPositions();
  m_exchange.writeControls(m_controls.values());
}

bool Transport::playing() const {
  return g_running;
}

void Transport::OnRunStop() {
  if (g_running) {
    stop();
  } else if (!m_samples) {
    m_services.showMessage(kSelectFileText);
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

void Transport::stop() {
  g_running = false;
  m_view.setRunCaption(kRunCaption);
  m_view.enableFade(true);
}

void Transport::start() {
  // The previous worker was told to stop; it must be gone before the flag is set again, or it
  // would keep running beside the new one.
  joinWorker();
  g_running = true;
  m_view.setRunCaption(kStopCaption);
  m_exchange.readControls(m_controls.values());
  m_granulator.prepare(m_samples.get(), m_frameCount, m_controls.values().m_fade);
  m_controls.applyAll();
  // After prepare, so that prepare's own draws come from the state before the seed.
  seedRandom(m_clock());
  m_thread = std::thread(m_worker, &m_granulator);
  m_view.enableFade(false);
}

void Transport::joinWorker() {
  if (m_thread.joinable()) {
    m_thread.join();
  }
}

// The new buffer is complete before the old one goes, so any failure keeps the old sound.
bool Transport::load(const char* path) {
  WaveReader reader;
  if (!reader.open(path)) {
    m_services.showMessage(kWrongFormatText);
    reader.close();
    return false;
  }
  const int frames = static_cast<int>(reader.frameCount());
  std::unique_ptr<float[]> buffer = m_allocate(static_cast<size_t>(frames));
  if (!buffer) {
    m_services.showMessage(kNoMemoryText);
    reader.close();
    return false;
  }
  reader.readFloats(buffer.get());
  fadeEdges(buffer.get(), frames);
  reader.close();

  joinWorker();
  m_samples = std::move(buffer);
  m_frameCount = frames;
  return true;
}
