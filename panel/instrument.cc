// The instrument's calls: each control's handler, the transport and Record, and the news of them.
#include "instrument.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine_settings.h"
#include "instrument_listener.h"
#include "settings_file.h"
#include "take_file.h"

Instrument::Instrument(PanelServices& services, std::string recordFolder)
    : m_recorder(m_sink, m_tap),
      m_record(m_recorder, *this, std::move(recordFolder)),
      m_transport(m_granulator, m_values, *this, services, &m_tap) {
  m_transport.setControls(&m_controls);
  setStartupPositions(m_values);
  m_transport.initialise();
  m_record.initialise();
}

// The take that runs, or is still being written, is finished here, while this is still the view
// that gives it its settings file.
Instrument::~Instrument() {
  m_record.finish();
}

void Instrument::setPosition(int id, int position) {
  int* member = sliderMember(m_values, id);
  if (member == nullptr) {
    return;
  }
  const ControlValues before = m_values;
  *member = shownPosition(id, position);
  applySlider(id);
  if (m_values != before) {
    notify([](InstrumentListener* l) { l->controlsChanged(); });
  }
}

int Instrument::position(int id) const {
  if (const int* member = sliderMember(m_values, id)) {
    return *member;
  }
  switch (id) {
    case IDC_METHOD:
      return m_values.m_method;
    case IDC_LINKLENGTH:
      return m_values.m_linkLength;
    case IDC_LINKPITCH:
      return m_values.m_linkPitch;
    default:
      return 0;
  }
}

void Instrument::setMethod(int method) {
  const int ticked = method != 0 ? 1 : 0;
  const bool changed = ticked != m_values.m_method;
  m_values.m_method = ticked;
  play(false, [this] { applyMethod(m_granulator, m_values); });
  if (changed) {
    notify([](InstrumentListener* l) { l->controlsChanged(); });
  }
}

void Instrument::setLink(int id, bool on) {
  int* member = id == IDC_LINKLENGTH  ? &m_values.m_linkLength
                : id == IDC_LINKPITCH ? &m_values.m_linkPitch
                                      : nullptr;
  if (member == nullptr || *member == (on ? 1 : 0)) {
    return;
  }
  *member = on ? 1 : 0;
  notify([](InstrumentListener* l) { l->controlsChanged(); });
}

void Instrument::OnReset() {
  setStartupPositions(m_values);
  notify([](InstrumentListener* l) { l->controlsChanged(); });
  play(true, [this] { applyAll(m_granulator, m_values); });
}

void Instrument::applySlider(int id) {
  switch (id) {
    case IDC_LENGTH1:
      OnCustomdrawLength1();
      break;
    case IDC_LENGTH2:
      OnCustomdrawLength2();
      break;
    case IDC_ZERO:
      play(false, [this] { applyZero(m_granulator, m_values); });
      break;
    case IDC_PITCH1:
      OnCustomdrawPitch1();
      break;
    case IDC_PITCH2:
      OnCustomdrawPitch2();
      break;
    case IDC_PITCHWALK:
      play(true, [this] { applyPitchRange(m_granulator, m_values); });
      break;
    case IDC_SPREAD:
    case IDC_SPEED:
      play(false, [this] { applyLocation(m_granulator, m_values); });
      break;
    default:
      // The crossfade length is taken only when playback starts.
      break;
  }
}

void Instrument::OnCustomdrawLength1() {
  if (m_values.m_linkLength != 0) {
    m_values.m_length2 = m_values.m_length1;
  }
  play(false, [this] { applyLengths(m_granulator, m_values); });
}

void Instrument::OnCustomdrawLength2() {
  if (m_values.m_linkLength != 0) {
    m_values.m_length1 = m_values.m_length2;
  }
  play(false, [this] { applyLengths(m_granulator, m_values); });
}

void Instrument::OnCustomdrawPitch1() {
  if (m_values.m_linkPitch != 0) {
    m_values.m_pitch2 = m_values.m_pitch1;
    play(true, [this] { applyLinkedPitch(m_granulator, m_values, m_values.m_pitch1); });
  } else {
    play(true, [this] { applyPitchRange(m_granulator, m_values); });
  }
}

void Instrument::OnCustomdrawPitch2() {
  if (m_values.m_linkPitch != 0) {
    m_values.m_pitch1 = m_values.m_pitch2;
    play(true, [this] { applyLinkedPitch(m_granulator, m_values, m_values.m_pitch2); });
  } else {
    play(true, [this] { applyPitchRange(m_granulator, m_values); });
  }
}

bool Instrument::openSound(const std::string& path) {
  const bool loaded = m_transport.OnDropFile(path);
  notify([](InstrumentListener* l) { l->soundChanged(); });
  return loaded;
}

void Instrument::OnFile() {
  m_transport.OnFile();
  notify([](InstrumentListener* l) { l->soundChanged(); });
}

void Instrument::OnRunStop() {
  m_transport.OnRunStop();
}

void Instrument::OnRecord() {
  setRecord(!m_recordPressed);
}

void Instrument::setRecord(bool pressed) {
  m_record.OnRecord(pressed, playing(), soundPath());
  // A press that changed nothing still tells the toggle where it stands.
  notify([](InstrumentListener* l) { l->recordStatusChanged(); });
}

void Instrument::OnRecordTimer() {
  m_record.OnTimer();
}

void Instrument::addListener(InstrumentListener* listener) {
  m_listeners.push_back(listener);
}

void Instrument::removeListener(InstrumentListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                    m_listeners.end());
}

// The transport shows every start and stop in the Run caption: a recording armed for the next Run
// starts here, before the worker takes its first sample.
void Instrument::setRunCaption(const char*) {
  const bool now = playing();
  m_record.OnPlayback(now, soundPath());
  notify([now](InstrumentListener* l) { l->playingChanged(now); });
}

// The window disables Fade while playing when it hears playbackShown.
void Instrument::enableFade(bool) {}

void Instrument::showPlaying(bool playing) {
  notify([playing](InstrumentListener* l) { l->playbackShown(playing); });
}

void Instrument::setRecordPressed(bool pressed) {
  m_recordPressed = pressed;
}

void Instrument::setRecordStatus(const std::string& text, const std::string& tip) {
  m_recordStatus = text;
  m_recordTip = tip;
  notify([](InstrumentListener* l) { l->recordStatusChanged(); });
}

// While a worker plays, a handler's change goes to it whole, to be taken between two blocks;
// otherwise the handler makes its engine calls at once.
template <typename Apply>
void Instrument::play(bool setsPitch, Apply apply) {
  if (m_controls.live()) {
    m_controls.publish(m_values, setsPitch);
  } else {
    apply();
  }
}

void Instrument::takeStopped() {
  m_takeRun = m_controls.runLog();
  m_takeSound = soundPath();
  m_takeConverted = !soundNote().empty();
}

// Beside the recording NAME.wav goes NAME.grainpanel, from which grainrender --replay plays the
// take again. A take with a gap, or a Run whose log is not whole, gets none, and stderr says why.
void Instrument::takeFinished(const RecordOutcome& outcome) {
  const std::shared_ptr<RunLog> run = std::move(m_takeRun);
  if (!run || outcome.ending == RecordEnding::kWriteFailed || outcome.sampleCount == 0) {
    return;
  }
  const std::string path = takeFilePath(outcome.path);
  if (!outcome.contiguous || !run->complete) {
    std::fprintf(stderr, "grainpanel: no %s: %s\n", path.c_str(),
                 outcome.contiguous ? "a change could not be logged" : "a block was lost");
    return;
  }
  Take take;
  take.run.soundPath = m_takeSound;
  take.run.values = run->start;
  take.run.seedKept = true;
  take.run.seed = run->seed;
  take.run.convert = m_takeConverted;
  take.start = outcome.firstSample;
  take.length = outcome.sampleCount;
  for (const ControlChange& change : run->changes) {
    if (change.sample < take.start + take.length) {
      take.changes.push_back(change);
    }
  }
  SettingsFile file;
  file.parse(
      "# A take recorded by Grainpanel, played again sample for sample by\n"
      "#   grainrender --replay THIS-FILE OUT.wav\n",
      path);
  writeTake(take, path, file);
  if (!file.save(path)) {
    std::fprintf(stderr, "grainpanel: %s\n", file.error().c_str());
  }
}

// A listener may add or remove listeners while it hears the news; it hears this call's news only
// if it was there when the call began.
template <typename Call>
void Instrument::notify(Call call) {
  const std::vector<InstrumentListener*> listeners = m_listeners;
  for (InstrumentListener* listener : listeners) {
    call(listener);
  }
}
