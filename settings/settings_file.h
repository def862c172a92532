// A settings file as text: `key = value` lines and `#` comments, kept in their order so that a
// file saved again keeps the keys and comments this version does not know.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class SettingsFile {
 public:
  // Larger files are refused before they are read: settings are a few hundred bytes.
  static constexpr size_t kMaxBytes = 1024 * 1024;
  // A key that may be given on many lines, all of them kept in order: a take's changes.
  static constexpr const char* kListKey = "change";

  // Reads and parses the file, refused when larger than `maxBytes`. On failure the file's
  // previous contents stay and error() says "NAME:LINE: reason" (or "NAME: reason" for the file
  // as a whole).
  bool load(const std::string& path, size_t maxBytes = kMaxBytes);
  // The same for text already read; `name` is what messages call it.
  bool parse(const std::string& text, const std::string& name);
  // Writes text() to a temporary file beside `path`, flushes it to the disk and renames it over
  // `path`, so a crash leaves either the old file or the new one, never half of one.
  bool save(const std::string& path);

  std::string text() const;
  // The value of `key`, or null when the file does not set it.
  const std::string* find(const std::string& key) const;
  // The line of the file that set `key` (0 for one set since), for messages about its value.
  int lineOf(const std::string& key) const;
  // Every value of the list key with the line that gave it, in the file's order.
  std::vector<std::pair<int, std::string>> all(const std::string& key) const;
  // Replaces every line of the list key with one line for each of `values`, at the end.
  void setAll(const std::string& key, const std::vector<std::string>& values);
  // Replaces the value where the key stands, or appends the key at the end.
  void set(const std::string& key, const std::string& value);
  void remove(const std::string& key);

  const std::string& error() const { return m_error; }
  // What parse accepted but a player should hear about: keys given twice.
  const std::vector<std::string>& warnings() const { return m_warnings; }

 private:
  // An empty key marks a comment or a blank line, kept as it was written.
  struct Line {
    std::string key;
    std::string value;
    std::string text;
    int number = 0;
  };

  bool fail(const std::string& name, int line, const std::string& reason);

  std::vector<Line> m_lines;
  std::string m_error;
  std::vector<std::string> m_warnings;
};
