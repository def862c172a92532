// What the remote adapters drive: the instrument's own operations, called on the UI thread.
#pragma once

class RemoteTarget {
 public:
  virtual ~RemoteTarget() = default;
  // A slider position, clamped to the slider's range and applied as the slider's handler does.
  virtual void setPosition(int id, int position) = 0;
  virtual int position(int id) const = 0;
  virtual void setMethod(int method) = 0;
  virtual int method() const = 0;
  virtual bool playing() const = 0;
  virtual void OnRunStop() = 0;
  virtual bool recording() const = 0;
  virtual void OnRecord() = 0;
};
