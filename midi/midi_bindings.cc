// The MIDI bindings and their file.
#include "midi_bindings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "control_values.h"

namespace {

// The file names each control by a word, so hand edits read easily.
constexpr const char* kNames[MidiBindings::kControlCount] = {
    "length1", "length2", "pitch1", "pitch2", "zero", "pitchwalk",
    "spread",  "speed",   "fade",   "method", "run",  "record"};

const char* kindWord(MidiBinding::Kind kind) {
  return kind == MidiBinding::kNote ? "note" : "cc";
}

// mkdir -p for the directory part of `path`.
bool makeParents(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string dir = path.substr(0, slash);
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
      return false;
    }
  }
  return true;
}

}  // namespace

const int MidiBindings::kControls[kControlCount] = {
    IDC_LENGTH1, IDC_LENGTH2, IDC_PITCH1, IDC_PITCH2, IDC_ZERO, IDC_PITCHWALK,
    IDC_SPREAD,  IDC_SPEED,   IDC_FADE,   IDC_METHOD, IDC_RUN,  kRecordControl};

std::string MidiBindings::defaultPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string dir;
  if (config != nullptr && config[0] == '/') {
    dir = config;
  } else {
    const char* home = std::getenv("HOME");
    dir = std::string(home != nullptr ? home : "") + "/.config";
  }
  return dir + "/grainpanel/midi-bindings";
}

int MidiBindings::indexOf(int id) {
  for (int i = 0; i < kControlCount; ++i) {
    if (kControls[i] == id) {
      return i;
    }
  }
  return -1;
}

void MidiBindings::load() {
  std::ifstream in(m_path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string name, kind;
    int number = -1;
    if (!(words >> name)) {
      continue;
    }
    if (name == "channel") {
      if (words >> number && number >= 0 && number <= 16) {
        m_channel = number;
      }
      continue;
    }
    if (!(words >> kind >> number) || number < 0 || number > 127 ||
        (kind != "cc" && kind != "note")) {
      continue;
    }
    for (int i = 0; i < kControlCount; ++i) {
      if (name == kNames[i]) {
        bind(kControls[i], {kind == "cc" ? MidiBinding::kController : MidiBinding::kNote, number});
      }
    }
  }
}

bool MidiBindings::save() const {
  std::ostringstream text;
  text << "# Grainpanel MIDI bindings: control, cc or note, number (0-127); channel 0 hears all.\n";
  text << "channel " << m_channel << "\n";
  for (int i = 0; i < kControlCount; ++i) {
    if (m_bindings[i].kind != MidiBinding::kNone) {
      text << kNames[i] << ' ' << kindWord(m_bindings[i].kind) << ' ' << m_bindings[i].number
           << "\n";
    }
  }
  const std::string bytes = text.str();
  const std::string temporary = m_path + ".tmp" + std::to_string(getpid());
  if (!makeParents(m_path)) {
    return false;
  }
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return false;
  }
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  const bool synced = written && fsync(fd) == 0;
  if (close(fd) != 0 || !synced || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void MidiBindings::bind(int id, MidiBinding binding) {
  const int index = indexOf(id);
  if (index < 0) {
    return;
  }
  const int holder = indexOf(controlFor(binding.kind, binding.number));
  if (holder >= 0) {
    m_bindings[holder] = MidiBinding{};
  }
  m_bindings[index] = binding;
}

void MidiBindings::forget(int id) {
  const int index = indexOf(id);
  if (index >= 0) {
    m_bindings[index] = MidiBinding{};
  }
}

MidiBinding MidiBindings::binding(int id) const {
  const int index = indexOf(id);
  return index >= 0 ? m_bindings[index] : MidiBinding{};
}

int MidiBindings::controlFor(MidiBinding::Kind kind, int number) const {
  for (int i = 0; i < kControlCount; ++i) {
    if (kind != MidiBinding::kNone && m_bindings[i].kind == kind &&
        m_bindings[i].number == number) {
      return kControls[i];
    }
  }
  return 0;
}
