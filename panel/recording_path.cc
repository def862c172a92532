// Recording names and folders.
#include "recording_path.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file's name without its folder and without its last extension.
std::string stemOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    name.erase(dot);
  }
  return name.empty() ? "Recording" : name;
}

// The user's home: $HOME, or the password database's entry when HOME is unset or not a path.
std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    return home;
  }
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string fileText(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

std::string recordingFileName(const std::string& soundPath, const std::tm& when) {
  char stamp[32];
  if (std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &when) == 0) {
    stamp[0] = '\0';
  }
  return stemOf(soundPath) + " " + stamp + ".wav";
}

std::string recordingPath(const std::string& soundPath, const std::string& fallbackFolder,
                          const std::tm& when, std::string& problem) {
  std::string folder = folderOf(soundPath);
  const std::string name = recordingFileName(soundPath, when);
  if (soundPath.empty() || access(folder.c_str(), W_OK) != 0) {
    folder = fallbackFolder;
    if (folder.empty()) {
      problem = "cannot write " + name + ": the user has no home folder";
      return "";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
      problem = "cannot write " + folder + "/" + name + ": " + error.message();
      return "";
    }
  }
  const std::string separator = folder.back() == '/' ? "" : "/";
  const std::string stem = folder + separator + name.substr(0, name.size() - 4);
  std::string path = stem + ".wav";
  // Made at once and only if new, so another panel starting a take in the same second takes the
  // next name instead of sharing this one.
  for (int n = 2;; ++n) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return path;
    }
    if (errno != EEXIST) {
      problem = "cannot write " + path + ": " + std::strerror(errno);
      return "";
    }
    path = stem + " " + std::to_string(n) + ".wav";
  }
}

std::string musicFolderIn(const std::string& home, const std::string& userDirs) {
  const std::string fallback = home + "/Music";
  std::istringstream lines(userDirs);
  std::string line;
  std::string folder;
  while (std::getline(lines, line)) {
    const std::string key = "XDG_MUSIC_DIR=\"";
    if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') {
      continue;
    }
    folder = line.substr(key.size(), line.size() - key.size() - 1);
    if (folder.rfind("$HOME", 0) == 0) {
      folder = home + folder.substr(5);
    }
  }
  // Only a folder below the home: the home itself (a "disabled" Music folder) or one outside it,
  // such as the root when HOME was empty, would scatter takes where they are not looked for.
  const std::filesystem::path relative =
      std::filesystem::path(folder).lexically_normal().lexically_relative(
          std::filesystem::path(home).lexically_normal());
  if (folder.empty() || folder[0] != '/' || relative.empty() || relative == "." ||
      *relative.begin() == "..") {
    return fallback;
  }
  std::string normal = std::filesystem::path(folder).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') {
    normal.pop_back();
  }
  return normal;
}

std::string userMusicFolder() {
  const std::string home = homeFolder();
  if (home.empty()) {
    return "";
  }
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string configFolder =
      config != nullptr && config[0] == '/' ? config : home + "/.config";
  return musicFolderIn(home, fileText(configFolder + "/user-dirs.dirs"));
}
