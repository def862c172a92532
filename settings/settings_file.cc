// Parses, edits and atomically saves `key = value` settings text.
#include "settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_map>

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return "";
  }
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// Counts the bytes of a well-formed UTF-8 sequence at `at`, or 0 for a malformed one (overlong
// forms, surrogates and code points past U+10FFFF included).
size_t utf8Length(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    return 1;
  }
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
    return 0;
  }
  for (size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      return 0;
    }
  }
  return length;
}

// Why a line is not text, or empty when it is.
std::string binaryReason(const std::string& line) {
  for (size_t at = 0; at < line.size();) {
    const unsigned char c = static_cast<unsigned char>(line[at]);
    if (c == 0) {
      return "a NUL byte: this is not a text file";
    }
    if (c < 0x20 && c != '\t') {
      return "a control character: this is not a text file";
    }
    const size_t length = utf8Length(line, at);
    if (length == 0) {
      return "not UTF-8 text";
    }
    at += length;
  }
  return "";
}

bool writeAll(int fd, const std::string& text) {
  const char* at = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, at, left);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    at += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

bool SettingsFile::fail(const std::string& name, int line, const std::string& reason) {
  m_error = name + (line > 0 ? ":" + std::to_string(line) : "") + ": " + reason;
  return false;
}

bool SettingsFile::load(const std::string& path, size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return fail(path, 0, std::strerror(errno));
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return fail(path, 0, "not a regular file");
  }
  const std::string tooLarge = maxBytes == kMaxBytes
                                   ? "larger than 1 MiB: this is not a settings file"
                                   : "larger than " + std::to_string(maxBytes >> 20) + " MiB";
  if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
    ::close(fd);
    return fail(path, 0, tooLarge);
  }
  // One byte more than the file's size tells a file that grew while it was read.
  std::string text(std::min<size_t>(static_cast<size_t>(info.st_size), maxBytes) + 1, '\0');
  size_t size = 0;
  for (;;) {
    if (size == text.size()) {
      // The file grew while it was read: read on, up to one byte past the limit.
      if (size > maxBytes) {
        break;
      }
      text.resize(std::min(size * 2, maxBytes + 1));
    }
    const ssize_t got = ::read(fd, &text[size], text.size() - size);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      return fail(path, 0, std::strerror(error));
    }
    if (got == 0) {
      break;
    }
    size += static_cast<size_t>(got);
  }
  ::close(fd);
  if (size > maxBytes) {
    return fail(path, 0, tooLarge);
  }
  text.resize(size);
  return parse(text, path);
}

bool SettingsFile::parse(const std::string& text, const std::string& name) {
  std::vector<Line> lines;
  std::vector<std::string> warnings;
  // Where each key stands in `lines`; a key given again drops its earlier line.
  std::unordered_map<std::string, size_t> where;
  std::vector<bool> dropped;
  bool anything = false;
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::string raw = text.substr(start, end - start);
    start = end + 1;
    if (!raw.empty() && raw.back() == '\r') {
      raw.pop_back();
    }
    if (const std::string reason = binaryReason(raw); !reason.empty()) {
      return fail(name, number, reason);
    }
    const std::string content = trimmed(raw);
    Line line;
    line.text = raw;
    line.number = number;
    if (content.empty() || content[0] == '#') {
      anything = anything || !content.empty();
      lines.push_back(line);
      dropped.push_back(false);
      continue;
    }
    anything = true;
    const size_t equals = content.find('=');
    if (equals == std::string::npos) {
      return fail(name, number, "expected key = value");
    }
    line.key = trimmed(content.substr(0, equals));
    line.value = trimmed(content.substr(equals + 1));
    if (line.key.empty()) {
      return fail(name, number, "no key before '='");
    }
    if (line.key.find_first_of(" \t") != std::string::npos) {
      return fail(name, number, "a key is one word: " + line.key);
    }
    if (line.key != kListKey) {
      const auto [at, first] = where.try_emplace(line.key, lines.size());
      if (!first) {
        warnings.push_back(name + ":" + std::to_string(number) + ": " + line.key +
                           " given again (line " + std::to_string(lines[at->second].number) +
                           "); the last one is taken");
        dropped[at->second] = true;
        at->second = lines.size();
      }
    }
    lines.push_back(line);
    dropped.push_back(false);
  }
  size_t kept = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!dropped[i]) {
      if (kept != i) {
        lines[kept] = std::move(lines[i]);
      }
      ++kept;
    }
  }
  lines.resize(kept);
  if (!anything) {
    return fail(name, 0, "empty: no settings in it");
  }
  m_lines = std::move(lines);
  m_warnings = std::move(warnings);
  m_error.clear();
  return true;
}

std::string SettingsFile::text() const {
  std::string out;
  for (const Line& line : m_lines) {
    out += line.key.empty() ? line.text : line.key + " = " + line.value;
    out += '\n';
  }
  return out;
}

const std::string* SettingsFile::find(const std::string& key) const {
  for (const Line& line : m_lines) {
    if (line.key == key) {
      return &line.value;
    }
  }
  return nullptr;
}

int SettingsFile::lineOf(const std::string& key) const {
  for (const Line& line : m_lines) {
    if (line.key == key) {
      return line.number;
    }
  }
  return 0;
}

std::vector<std::pair<int, std::string>> SettingsFile::all(const std::string& key) const {
  std::vector<std::pair<int, std::string>> values;
  for (const Line& line : m_lines) {
    if (line.key == key) {
      values.emplace_back(line.number, line.value);
    }
  }
  return values;
}

void SettingsFile::setAll(const std::string& key, const std::vector<std::string>& values) {
  m_lines.erase(std::remove_if(m_lines.begin(), m_lines.end(),
                               [&key](const Line& line) { return line.key == key; }),
                m_lines.end());
  for (const std::string& value : values) {
    Line line;
    line.key = key;
    line.value = value;
    m_lines.push_back(line);
  }
}

void SettingsFile::set(const std::string& key, const std::string& value) {
  for (Line& line : m_lines) {
    if (line.key == key) {
      if (line.value != value) {
        line.value = value;
        line.number = 0;
      }
      return;
    }
  }
  Line line;
  line.key = key;
  line.value = value;
  m_lines.push_back(line);
}

void SettingsFile::remove(const std::string& key) {
  for (auto it = m_lines.begin(); it != m_lines.end(); ++it) {
    if (it->key == key) {
      m_lines.erase(it);
      return;
    }
  }
}

bool SettingsFile::save(const std::string& path) {
  namespace fs = std::filesystem;
  // A value that parse would refuse or change (a file name with a line break, bytes that are not
  // UTF-8, spaces at an end) would make a file that cannot be opened again as it was saved.
  for (const Line& line : m_lines) {
    if (line.key.empty()) {
      continue;
    }
    if (!binaryReason(line.value).empty() || trimmed(line.value) != line.value) {
      return fail(path, 0, line.key + ": cannot be kept as one line of UTF-8 text");
    }
  }
  std::error_code error;
  // A link is followed, as an editor follows it, so the link stays and its target changes.
  fs::path target = path;
  if (fs::is_symlink(target, error)) {
    target = fs::canonical(target, error);
    if (error) {
      return fail(path, 0, error.message());
    }
  }
  struct stat info;
  const bool exists = stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    return fail(path, 0, "not a regular file");
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    return fail(path, 0, std::strerror(errno));
  }
  // mkstemp makes the file private; a file replaced keeps its permissions, a new one gets the
  // usual ones.
  const mode_t mask = umask(0);
  umask(mask);
  bool written = fchmod(fd, exists ? info.st_mode & 07777 : 0666 & ~mask) == 0 &&
                 writeAll(fd, text()) && fsync(fd) == 0;
  int writeError = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    writeError = errno;
  }
  if (written && std::rename(pattern.c_str(), target.c_str()) != 0) {
    written = false;
    writeError = errno;
  }
  if (!written) {
    ::unlink(pattern.c_str());
    return fail(path, 0, std::strerror(writeError));
  }
  // The rename itself reaches the disk only with its folder.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  m_error.clear();
  return true;
}
