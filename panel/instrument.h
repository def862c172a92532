// The instrument: the engine, the sound, the twelve control values, the transport and the
// recording. Every way in (the window, and any other source on the user-interface thread) plays
// it through these calls; what shows it listens. No Qt here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "control_values.h"
#include "engine_controls.h"
#include "granulator.h"
#include "record_control.h"
#include "record_tap.h"
#include "recorder.h"
#include "transport.h"
#include "wave_file_sink.h"

class InstrumentListener;
class PanelServices;

class Instrument : private TransportView, private RecordView {
 public:
  // Start-up positions, stopped, no sound. Recordings go beside their sound, or into
  // `recordFolder` when that folder is read-only.
  Instrument(PanelServices& services, std::string recordFolder);
  // Stops playback and waits for the worker to leave the engine; a recording still running is
  // finished and kept.
  ~Instrument() override;
  Instrument(const Instrument&) = delete;
  Instrument& operator=(const Instrument&) = delete;

  // Slider `id` at `position`, clamped to its range and applied as that slider's handler
  // applies it: the link rule, then the engine's setters in the handler's order. Fade is only
  // stored; a Run takes it.
  void setPosition(int id, int position);
  // A slider's position, Method's or a link's state (0 or 1); 0 for any other id.
  int position(int id) const;
  // Method ticked (non-zero) or not; the engine takes the pitch mode at once.
  void setMethod(int method);
  // IDC_LINKLENGTH or IDC_LINKPITCH pressed or released. Like the toggle, it acts at the next
  // move of a slider of its pair.
  void setLink(int id, bool on);
  // Every slider and Method to its start-up state, the links as they are, applied at once.
  void OnReset();
  const ControlValues& values() const { return m_values; }

  // Stops, loads `path` and starts as File... does with a chosen file. False when it is refused
  // (the message is shown and the old sound kept).
  bool openSound(const std::string& path);
  // Stops, asks for a file, loads it and starts.
  void OnFile();
  void OnRunStop();
  bool playing() const { return m_transport.playing(); }
  // The seed of the current or last Run.
  uint32_t runSeed() const { return m_transport.runSeed(); }
  // The path the sound was loaded from; empty before the first load.
  const std::string& soundPath() const { return m_transport.soundPath(); }
  int frameCount() const { return m_transport.frameCount(); }
  // What was converted to play the sound ("kick.flac: 48 000 Hz, stereo, 24-bit, converted");
  // empty for a sound read as it is.
  const std::string& soundNote() const { return m_transport.soundNote(); }

  // Presses Record when it is released and releases it when pressed.
  void OnRecord();
  // Record pressed or released. Pressed while nothing plays, it waits for the next Run.
  void setRecord(bool pressed);
  // Called now and then while recording: reports a recording that ended by itself.
  void OnRecordTimer();
  bool recording() const { return m_record.recording(); }
  bool recordPressed() const { return m_recordPressed; }
  const std::string& recordStatus() const { return m_recordStatus; }
  const std::string& recordTip() const { return m_recordTip; }

  const Granulator& granulator() const { return m_granulator; }
  Transport& transport() { return m_transport; }
  const Transport& transport() const { return m_transport; }
  RecordControl& recordControl() { return m_record; }

  void addListener(InstrumentListener* listener);
  void removeListener(InstrumentListener* listener);

 private:
  void setRunCaption(const char* caption) override;
  void enableFade(bool enabled) override;
  void showPlaying(bool playing) override;
  void setRecordPressed(bool pressed) override;
  void setRecordStatus(const std::string& text, const std::string& tip) override;
  void takeStopped() override;
  void takeFinished(const RecordOutcome& outcome) override;

  void OnCustomdrawLength1();
  void OnCustomdrawLength2();
  void OnCustomdrawPitch1();
  void OnCustomdrawPitch2();
  // Runs the handler of slider `id` on the values as they stand.
  void applySlider(int id);

  template <typename Apply>
  void play(bool setsPitch, Apply apply);
  template <typename Call>
  void notify(Call call);

  Granulator m_granulator;
  EngineControls m_controls{m_granulator};
  ControlValues m_values;
  // Before the recorder, which detaches from it as it goes, and the transport, whose worker
  // offers to it until it gives the engine back.
  RecordTap m_tap;
  WaveFileSink m_sink;
  Recorder m_recorder;
  RecordControl m_record;
  bool m_recordPressed = false;
  std::string m_recordStatus;
  std::string m_recordTip;
  std::vector<InstrumentListener*> m_listeners;
  // The Run of the take that stopped last, for the take's own settings file.
  std::shared_ptr<RunLog> m_takeRun;
  std::string m_takeSound;
  bool m_takeConverted = false;
  // Last, so that it goes first: it stops the worker before the engine, the sound and the
  // recorder go.
  Transport m_transport;
};
