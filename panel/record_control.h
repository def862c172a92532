// Record: a toggle that records what plays, armed while stopped, and the line that reports it.
#pragma once

#include <ctime>
#include <string>

class Recorder;
struct RecordOutcome;

constexpr const char* kRecordCaption = "Record";
constexpr const char* kRecordHintText = "Ctrl+R records what plays";
constexpr const char* kArmedText = "Recording starts with Run";
constexpr const char* kDiskTooSlowText = "Recording stopped: the disk could not keep up";
constexpr const char* kFileFullText = "Recording stopped: the file is full";

// What the record row shows.
class RecordView {
 public:
  virtual ~RecordView() = default;
  virtual void setRecordPressed(bool pressed) = 0;
  // The status line beside the toggle, and its tooltip.
  virtual void setRecordStatus(const std::string& text, const std::string& tip) = 0;
  // A take stops: no block of the stream reaches it any more.
  virtual void takeStopped() {}
  // Its writer is done: `outcome` says what the file holds.
  virtual void takeFinished(const RecordOutcome& outcome) { (void)outcome; }
};

class RecordControl {
 public:
  using Clock = std::tm (*)();

  // Recordings go beside their sound, or into `fallbackFolder` when that folder is read-only.
  RecordControl(Recorder& recorder, RecordView& view, std::string fallbackFolder);
  void setClock(Clock clock) { m_clock = clock; }

  // Shows the toggle released and the hint.
  void initialise();

  // The toggle was pressed or released. Pressed while nothing plays, it waits for the next Run.
  void OnRecord(bool pressed, bool playing, const std::string& soundPath);
  // Playback started (Run, or a File... that plays) or stopped (Stop, File...).
  void OnPlayback(bool playing, const std::string& soundPath);
  // Called now and then while recording or finishing: reports a recording that ended by itself,
  // or fell behind the disk, and a finished take once its writer is done.
  void OnTimer();

  bool recording() const { return m_state == State::kRecording; }
  // Recording, or a stopped take still being written: the timer is needed.
  bool busy() const { return m_state == State::kRecording || m_finishing; }
  // Stops a take that runs and waits until it is written, as the panel closes.
  void finish();

 private:
  enum class State { kOff, kArmed, kRecording };

  void start(const std::string& soundPath);
  void stop();
  RecordOutcome finishTake();
  void report(const RecordOutcome& outcome);

  Recorder& m_recorder;
  RecordView& m_view;
  const std::string m_fallbackFolder;
  Clock m_clock;
  State m_state = State::kOff;
  std::string m_takePath;
  // A stopped take whose writer has not finished yet: reported once it has.
  bool m_finishing = false;
};
