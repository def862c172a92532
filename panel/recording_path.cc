// Recording names and folders.
#include "recording_path.h"

#include <unistd.h>

#include <filesystem>
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

bool exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
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
                          const std::tm& when) {
  std::string folder = folderOf(soundPath);
  if (soundPath.empty() || access(folder.c_str(), W_OK) != 0) {
    folder = fallbackFolder;
    // A folder that cannot be made shows up as a file that cannot be written, with the reason.
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  const std::string name = recordingFileName(soundPath, when);
  const std::string separator = folder.back() == '/' ? "" : "/";
  const std::string stem = folder + separator + name.substr(0, name.size() - 4);
  std::string path = stem + ".wav";
  for (int n = 2; exists(path); ++n) {
    path = stem + " " + std::to_string(n) + ".wav";
  }
  return path;
}
