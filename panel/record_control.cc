// Record: when a recording starts and stops, and what the row says about it.
#include "record_control.h"

#include <cstdio>
#include <utility>

#include "recorder.h"
#include "recording_path.h"

namespace {

std::tm localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

RecordControl::RecordControl(Recorder& recorder, RecordView& view, std::string fallbackFolder)
    : m_recorder(recorder),
      m_view(view),
      m_fallbackFolder(std::move(fallbackFolder)),
      m_clock(localNow) {}

void RecordControl::initialise() {
  m_view.setRecordPressed(false);
  m_view.setRecordStatus(kRecordHintText, "");
}

void RecordControl::OnRecord(bool pressed, bool playing, const std::string& soundPath) {
  if (pressed && m_state == State::kOff) {
    if (playing) {
      start(soundPath);
    } else {
      m_state = State::kArmed;
      m_view.setRecordPressed(true);
      m_view.setRecordStatus(kArmedText, "");
    }
  } else if (!pressed && m_state == State::kArmed) {
    m_state = State::kOff;
    m_view.setRecordPressed(false);
    m_view.setRecordStatus(kRecordHintText, "");
  } else if (!pressed && m_state == State::kRecording) {
    stop();
  }
}

void RecordControl::OnPlayback(bool playing, const std::string& soundPath) {
  if (playing && m_state == State::kArmed) {
    start(soundPath);
  } else if (!playing && m_state == State::kRecording) {
    stop();
  }
}

void RecordControl::OnTimer() {
  if (m_state == State::kRecording && (m_recorder.ended() || m_recorder.fellBehind())) {
    stop();
  } else if (m_finishing && m_recorder.ended()) {
    m_finishing = false;
    const RecordOutcome outcome = finishTake();
    // Once a new take is armed, its line is the one to keep.
    if (m_state == State::kOff) {
      report(outcome);
    }
  }
}

void RecordControl::start(const std::string& soundPath) {
  if (m_finishing && m_recorder.ended()) {
    m_finishing = false;
    finishTake();
  }
  std::string problem;
  const std::string path = recordingPath(soundPath, m_fallbackFolder, m_clock(), problem);
  if (path.empty() || !m_recorder.start(path)) {
    if (!path.empty()) {
      // The name reserved for a take that could not start is given back.
      std::remove(path.c_str());
      problem = m_recorder.error();
    }
    m_state = State::kOff;
    m_view.setRecordPressed(false);
    const std::string text = "Cannot record: " + problem;
    m_view.setRecordStatus(text, text);
    return;
  }
  m_state = State::kRecording;
  m_takePath = path;
  m_view.setRecordPressed(true);
  m_view.setRecordStatus("Recording " + nameOf(path), path);
}

// The writer may be held up by a frozen disk: the window never waits for it. A take that fell
// behind says so at once; any other is reported as saved once its writer is done.
void RecordControl::stop() {
  m_recorder.requestStop();
  m_view.takeStopped();
  m_state = State::kOff;
  m_view.setRecordPressed(false);
  if (m_recorder.ended()) {
    report(finishTake());
    return;
  }
  m_finishing = true;
  if (m_recorder.fellBehind()) {
    m_view.setRecordStatus(kDiskTooSlowText, "Saving " + m_takePath);
  } else {
    m_view.setRecordStatus("Saving " + nameOf(m_takePath), m_takePath);
  }
}

void RecordControl::finish() {
  if (m_state == State::kRecording) {
    m_recorder.requestStop();
    m_view.takeStopped();
    m_state = State::kOff;
    m_finishing = true;
  }
  if (m_finishing) {
    m_finishing = false;
    finishTake();
  }
}

RecordOutcome RecordControl::finishTake() {
  const RecordOutcome outcome = m_recorder.stop();
  m_view.takeFinished(outcome);
  return outcome;
}

void RecordControl::report(const RecordOutcome& outcome) {
  const std::string saved = "Saved " + nameOf(outcome.path);
  switch (outcome.ending) {
    case RecordEnding::kStopped:
      m_view.setRecordStatus(saved, outcome.path);
      break;
    case RecordEnding::kDiskTooSlow:
      m_view.setRecordStatus(kDiskTooSlowText, "Saved " + outcome.path);
      break;
    case RecordEnding::kFileFull:
      m_view.setRecordStatus(kFileFullText, "Saved " + outcome.path);
      break;
    case RecordEnding::kWriteFailed: {
      const std::string text = "Recording failed: " + outcome.error;
      m_view.setRecordStatus(text, text);
      break;
    }
  }
}
