// Opens and saves settings files through the instrument, and remembers each Run's start.
#include "settings_control.h"

#include "instrument.h"
#include "panel_services.h"
#include "render_command_text.h"

bool isSettingsPath(const std::string& path) {
  const std::string suffix = kSettingsSuffix;
  return path.size() > suffix.size() &&
         path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}

SettingsControl::SettingsControl(Instrument& instrument, PanelServices& services)
    : m_instrument(instrument), m_services(services) {
  m_instrument.addListener(this);
}

SettingsControl::~SettingsControl() {
  m_instrument.removeListener(this);
}

void SettingsControl::OnSave() {
  std::string path = m_document.path();
  if (path.empty() && !m_services.chooseSettingsFile(path, true)) {
    return;
  }
  saveSettings(path);
}

void SettingsControl::OnOpen() {
  std::string path;
  if (m_services.chooseSettingsFile(path, false)) {
    openSettings(path);
  }
}

bool SettingsControl::saveSettings(const std::string& path) {
  if (!m_document.save(path, settings())) {
    m_services.showMessage(kSaveSettingsFailedText, m_document.error().c_str());
    return false;
  }
  m_dirty = false;
  return true;
}

bool SettingsControl::openSettings(const std::string& path) {
  SettingsDocument document = m_document;
  PanelSettings read;
  read.values.m_linkLength = m_instrument.values().m_linkLength;
  read.values.m_linkPitch = m_instrument.values().m_linkPitch;
  if (!document.open(path, read)) {
    m_services.showMessage(kOpenSettingsFailedText, document.error().c_str());
    return false;
  }
  const ControlValues before = m_instrument.values();
  // The new positions are heard from the file's Run, not slid into the one that plays.
  if (!read.soundPath.empty() && m_instrument.playing()) {
    m_instrument.OnRunStop();
  }
  setControls(read.values);
  if (m_settle) {
    m_settle();
  }
  if (!read.soundPath.empty()) {
    if (read.seedKept) {
      m_instrument.transport().seedNextRun(read.seed);
    }
    if (!m_instrument.openSound(read.soundPath)) {
      setControls(before);
      return false;
    }
  }
  m_document = document;
  m_seedKept = read.seedKept;
  m_seed = read.seed;
  m_dirty = false;
  if (!m_document.warnings().empty()) {
    std::string detail;
    for (const std::string& warning : m_document.warnings()) {
      detail += (detail.empty() ? "" : "\n") + warning;
    }
    m_services.showMessage(kSettingsWarningText, detail.c_str());
  }
  return true;
}

// The links are released while the positions are set, so that each slider keeps the file's own
// position, and then take the file's state.
void SettingsControl::setControls(const ControlValues& values) {
  m_instrument.setLink(IDC_LINKLENGTH, false);
  m_instrument.setLink(IDC_LINKPITCH, false);
  ControlValues positions = values;
  for (const SliderRange& range : kSliderRanges) {
    m_instrument.setPosition(range.id, *sliderMember(positions, range.id));
  }
  m_instrument.setMethod(values.m_method);
  m_instrument.setLink(IDC_LINKLENGTH, values.m_linkLength != 0);
  m_instrument.setLink(IDC_LINKPITCH, values.m_linkPitch != 0);
}

PanelSettings SettingsControl::settings() const {
  PanelSettings settings;
  settings.soundPath = m_instrument.soundPath();
  settings.values = m_instrument.values();
  settings.seedKept = m_seedKept;
  settings.seed = m_seed;
  settings.convert = !m_instrument.soundNote().empty();
  return settings;
}

std::string SettingsControl::renderCommand() const {
  return m_ran ? renderCommandText(m_runSound, m_runValues, m_runSeed, m_runConverted) : "";
}

// Heard once the engine is prepared and seeded, before any control can move.
void SettingsControl::playbackShown(bool playing) {
  if (playing) {
    m_ran = true;
    m_runValues = m_instrument.values();
    m_runSeed = m_instrument.runSeed();
    m_runSound = m_instrument.soundPath();
    m_runConverted = !m_instrument.soundNote().empty();
  }
}
