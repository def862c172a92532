// A session's state is an ordinary settings file, read whole before anything of it is applied.
#include "session_state.h"

#include <sys/stat.h>

#include <cerrno>

#include "control_values.h"
#include "instrument.h"
#include "panel_settings.h"

namespace {

// The links are released while the positions are set, so that each slider keeps its own.
void setControls(Instrument& instrument, const ControlValues& values) {
  instrument.setLink(IDC_LINKLENGTH, false);
  instrument.setLink(IDC_LINKPITCH, false);
  for (const SettingsKey& slider : kSliderKeys) {
    instrument.setPosition(slider.id, *sliderMember(values, slider.id));
  }
  instrument.setMethod(values.m_method);
  instrument.setLink(IDC_LINKLENGTH, values.m_linkLength != 0);
  instrument.setLink(IDC_LINKPITCH, values.m_linkPitch != 0);
}

}  // namespace

bool SessionState::open(Instrument& instrument, const std::string& path, std::string& problem) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 && errno == ENOENT) {
    return true;
  }
  SettingsDocument document;
  PanelSettings read;
  if (!document.open(path, read)) {
    problem = document.error();
    return false;
  }
  const ControlValues before = instrument.values();
  if (!read.soundPath.empty() && instrument.playing()) {
    instrument.OnRunStop();
  }
  setControls(instrument, read.values);
  if (!read.soundPath.empty()) {
    if (read.seedKept) {
      instrument.transport().seedNextRun(read.seed);
    }
    if (!instrument.openSound(read.soundPath)) {
      setControls(instrument, before);
      problem = path + ": the sound " + read.soundPath + " cannot be played";
      return false;
    }
  }
  m_document = document;
  return true;
}

bool SessionState::save(const Instrument& instrument, const std::string& path,
                        std::string& problem) {
  PanelSettings settings;
  settings.soundPath = instrument.soundPath();
  settings.values = instrument.values();
  if (!m_document.save(path, settings)) {
    problem = m_document.error();
    return false;
  }
  return true;
}
