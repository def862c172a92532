// Writes and reads a take's settings file.
#include "take_file.h"

#include <cstring>

#include "settings_file.h"

const char* const kTakeKeys[3] = {"take-start", "take-samples", SettingsFile::kListKey};

namespace {

constexpr const char* kRecentre = "recentre";
// About 290 days of sound: further into a Run than any take starts.
constexpr uint64_t kMaxTakeStart = uint64_t{1} << 40;

// The keys a change may name: every slider's but Fade's, which only a Run takes, and Method's.
template <typename Visit>
void forEachChangeKey(Visit visit) {
  for (const SettingsKey& slider : kSliderKeys) {
    if (slider.id != IDC_FADE) {
      visit(slider);
    }
  }
  visit(SettingsKey{"method", IDC_METHOD});
}

int valueOf(const ControlValues& values, int id) {
  return id == IDC_METHOD ? values.m_method : *sliderMember(values, id);
}

bool setsPitch(int id) {
  return id == IDC_PITCH1 || id == IDC_PITCH2 || id == IDC_PITCHWALK;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
    const size_t end = text.find_first_of(" \t", at);
    out.push_back(text.substr(at, end - at));
    at = end;
  }
  return out;
}

// One change line over the positions before it; false with the reason.
bool readChange(const std::string& text, ControlValues& values, ControlChange& change,
                std::string& reason) {
  const std::vector<std::string> parts = words(text);
  if (parts.empty() || !parseWholeNumber(parts[0], UINT64_MAX, change.sample)) {
    reason = "a sample number first, not " + (parts.empty() ? std::string("nothing") : parts[0]);
    return false;
  }
  change.recentred = false;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i] == kRecentre) {
      change.recentred = true;
      continue;
    }
    const size_t equals = parts[i].find('=');
    int id = 0;
    forEachChangeKey([&](const SettingsKey& key) {
      if (parts[i].compare(0, equals, key.key) == 0 && equals == std::strlen(key.key)) {
        id = key.id;
      }
    });
    const std::string value = equals == std::string::npos ? "" : parts[i].substr(equals + 1);
    uint64_t position = 0;
    if (id == 0 || !parseWholeNumber(value, UINT32_MAX, position)) {
      reason = "not a position or " + std::string(kRecentre) + ": " + parts[i];
      return false;
    }
    if (id == IDC_METHOD) {
      values.m_method = position != 0 ? 1 : 0;
    } else {
      *sliderMember(values, id) = shownPosition(id, static_cast<long long>(position));
    }
    // The panel sets the pitch range again whenever a pitch position moves.
    change.recentred = change.recentred || setsPitch(id);
  }
  change.values = values;
  return true;
}

}  // namespace

void writeTake(const Take& take, const std::string& filePath, SettingsFile& file) {
  writePanelSettings(take.run, filePath, file);
  file.set("take-start", std::to_string(take.start));
  file.set("take-samples", std::to_string(take.length));
  std::vector<std::string> lines;
  ControlValues before = take.run.values;
  for (const ControlChange& change : take.changes) {
    std::string line = std::to_string(change.sample);
    bool pitchMoved = false;
    forEachChangeKey([&](const SettingsKey& key) {
      const int now = valueOf(change.values, key.id);
      if (now != valueOf(before, key.id)) {
        line += " " + std::string(key.key) + "=" + std::to_string(now);
        pitchMoved = pitchMoved || setsPitch(key.id);
      }
    });
    if (change.recentred && !pitchMoved) {
      line += std::string(" ") + kRecentre;
    }
    lines.push_back(line);
    before = change.values;
  }
  file.setAll(SettingsFile::kListKey, lines);
}

bool readTake(const SettingsFile& file, const std::string& filePath, Take& take,
              std::string& problem) {
  Take read;
  if (!readPanelSettings(file, filePath, read.run, problem)) {
    return false;
  }
  const auto bad = [&](const char* key, int line, const std::string& reason) {
    problem = filePath + ":" + std::to_string(line) + ": " + key + ": " + reason;
    return false;
  };
  const std::string* start = file.find("take-start");
  const std::string* length = file.find("take-samples");
  if (start == nullptr || length == nullptr || !read.run.seedKept || read.run.soundPath.empty()) {
    problem = filePath + ": not a take: it needs sound, seed, take-start and take-samples";
    return false;
  }
  uint64_t count = 0;
  if (!parseWholeNumber(*start, kMaxTakeStart, read.start)) {
    return bad("take-start", file.lineOf("take-start"), "not a sample number: " + *start);
  }
  if (!parseWholeNumber(*length, UINT32_MAX, count) || count == 0) {
    return bad("take-samples", file.lineOf("take-samples"),
               "a number of samples from 1 to 4294967295, not " + *length);
  }
  read.length = static_cast<uint32_t>(count);
  const uint64_t end = read.start + read.length;
  ControlValues values = read.run.values;
  uint64_t previous = 0;
  for (const auto& [line, text] : file.all(SettingsFile::kListKey)) {
    ControlChange change;
    std::string reason;
    if (!readChange(text, values, change, reason)) {
      return bad(SettingsFile::kListKey, line, reason);
    }
    if (change.sample < previous) {
      return bad(SettingsFile::kListKey, line,
                 "sample " + std::to_string(change.sample) + " comes before the change above it");
    }
    if (change.sample >= end) {
      return bad(SettingsFile::kListKey, line,
                 "sample " + std::to_string(change.sample) + " runs past the take's end (sample " +
                     std::to_string(end) + ")");
    }
    previous = change.sample;
    read.changes.push_back(change);
  }
  take = std::move(read);
  return true;
}

std::string takeFilePath(const std::string& recordingPath) {
  const size_t slash = recordingPath.rfind('/');
  const size_t dot = recordingPath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? recordingPath.substr(0, dot) : recordingPath) + ".grainpanel";
}
