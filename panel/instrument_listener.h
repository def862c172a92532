// What hears of the instrument's changes: the window, and anything else that shows its state.
#pragma once

class InstrumentListener {
 public:
  virtual ~InstrumentListener() = default;
  // A control's value changed: a slider, Method, a link, or all of them by Reset.
  virtual void controlsChanged() {}
  // Run started, before the worker takes its first sample, or playback stopped.
  virtual void playingChanged(bool /*playing*/) {}
  // After playingChanged: the started engine is prepared and lent to the worker (its first view
  // published), or playback has stopped.
  virtual void playbackShown(bool /*playing*/) {}
  // A sound was loaded or refused: the sound may have changed.
  virtual void soundChanged() {}
  // The Record toggle or its status line changed.
  virtual void recordStatusChanged() {}
};
