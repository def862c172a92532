// A WAV file that appears under its name complete or not at all, or a WAV stream.
#include "wave_writer.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "interrupt_cleanup.h"
#include "pcm16.h"
#include "sample_rate.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "samples are written in host order");

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr int kChunkSamples = 16384;
// Hidden and of fixed length, so any name the output may legally have leaves room for it.
constexpr char kTempName[] = ".grainrender-XXXXXX";
// As many links as the kernel itself follows in one path before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

void putLe16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void putLe32(uint8_t* at, uint32_t v) {
  putLe16(at, static_cast<uint16_t>(v));
  putLe16(at + 2, static_cast<uint16_t>(v >> 16));
}

// The folder part of a path, with its slash ("" for a bare name).
std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// True for a link in /proc, such as /proc/self/fd/1: the kernel takes it to an open file itself,
// which may be a pipe or a deleted file, and its text ("pipe:[123]") names nothing to follow.
bool isDescriptorLink(const std::string& link) {
  const std::string folder = directoryOf(link);
  struct statfs fileSystem;
  return statfs(folder.empty() ? "." : folder.c_str(), &fileSystem) == 0 &&
         fileSystem.f_type == PROC_SUPER_MAGIC;
}

// Follows `target` through symbolic links to the name they finally lead to, which need not exist
// yet (a dangling link names the file to create). A relative link is read from its own folder.
// A descriptor's link ends the walk, `target` naming it, with `byDescriptor` set. On success
// `info` describes the final file when `exists`; otherwise the errno.
int followLinks(std::string& target, struct stat& info, bool& exists, bool& byDescriptor) {
  byDescriptor = false;
  for (int hops = 0;; ++hops) {
    if (lstat(target.c_str(), &info) != 0) {
      exists = false;
      return errno == ENOENT ? 0 : errno;
    }
    exists = true;
    if (!S_ISLNK(info.st_mode)) {
      return 0;
    }
    if (isDescriptorLink(target)) {
      byDescriptor = true;
      return 0;
    }
    if (hops == kMaxLinks) {
      return ELOOP;
    }
    std::vector<char> text(PATH_MAX + 1);
    const ssize_t length = readlink(target.c_str(), text.data(), text.size());
    if (length < 0) {
      return errno;
    }
    if (length == 0 || static_cast<size_t>(length) == text.size()) {
      return ENAMETOOLONG;
    }
    const std::string link(text.data(), static_cast<size_t>(length));
    target = link[0] == '/' ? link : directoryOf(target) + link;
  }
}

}  // namespace

void waveHeader(SampleFormat format, uint32_t sampleCount, uint8_t (&header)[kWaveHeaderBytes]) {
  const bool isFloat = format == SampleFormat::kFloat32;
  const uint16_t bytesPerSample = isFloat ? 4 : 2;
  const uint32_t dataBytes = sampleCount * bytesPerSample;
  std::memcpy(header, "RIFF", 4);
  putLe32(header + 4, 36 + dataBytes);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  putLe32(header + 16, 16);
  putLe16(header + 20, isFloat ? kTagFloat : kTagPcm);
  putLe16(header + 22, 1);
  putLe32(header + 24, kSampleRate);
  putLe32(header + 28, kSampleRate * bytesPerSample);
  putLe16(header + 32, bytesPerSample);
  putLe16(header + 34, bytesPerSample * 8);
  std::memcpy(header + 36, "data", 4);
  putLe32(header + 40, dataBytes);
}

WaveWriter::~WaveWriter() {
  discard();
}

// Drops whatever the writer held and starts a new file's state, nothing opened yet.
void WaveWriter::begin(const std::string& path, SampleFormat format, uint32_t sampleCount) {
  discard();
  m_path = path;
  m_target = path;
  m_format = format;
  m_ownsFd = true;
  m_truncate = false;
  m_hasTarget = false;
  m_headerPending = true;
  m_sampleCount = sampleCount;
}

bool WaveWriter::open(const std::string& path, SampleFormat format, uint32_t sampleCount) {
  begin(path, format, sampleCount);
  struct stat info;
  if (path == kStandardOutput) {
    m_fd = STDOUT_FILENO;
    m_ownsFd = false;
    noteTarget(fstat(m_fd, &info) == 0, info);
    return true;
  }
  bool exists = false;
  bool byDescriptor = false;
  if (const int error = followLinks(m_target, info, exists, byDescriptor); error != 0) {
    return fail("cannot write", error);
  }
  // Whatever the descriptor holds is written in place, as standard output is; a file it holds is
  // emptied only once the checks have passed, since it may be the input.
  if (byDescriptor) {
    m_fd = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
      return fail("cannot write", errno);
    }
    const bool known = fstat(m_fd, &info) == 0;
    noteTarget(known, info);
    m_truncate = known && S_ISREG(info.st_mode);
    return true;
  }
  noteTarget(exists, info);
  if (exists && S_ISDIR(info.st_mode)) {
    return fail("cannot write", EISDIR);
  }
  // A device or a FIFO is where the sound goes, not a file to replace: a file renamed over
  // /dev/null would take its place. The header's sizes are known, so it can stream.
  if (exists && !S_ISREG(info.st_mode)) {
    m_fd = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
      return fail("cannot write", errno);
    }
    return true;
  }
  // Replacing a file its owner has made read-only would undo the protection, as cp and the
  // shell refuse to.
  if (exists && faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) {
    return fail("cannot write", errno);
  }
  const std::string pattern = directoryOf(m_target) + kTempName;
  std::vector<char> name(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
  int createError = 0;
  bool recorded = false;
  {
    // Created and recorded with the signals held, so no signal finds it unrecorded.
    SignalHold hold;
    m_fd = mkostemp(name.data(), O_CLOEXEC);
    createError = errno;
    if (m_fd >= 0) {
      m_tempPath = name.data();
      recorded = recordInterruptedFile(name.data());
    }
  }
  if (m_fd < 0) {
    return fail("cannot write", createError);
  }
  if (!recorded) {
    return fail("cannot write", ENAMETOOLONG);
  }
  // mkstemp makes the file private. A file that is replaced keeps its permissions, owner and
  // group, as an editor keeps them; where the owner cannot be kept (only root may give a file
  // away), neither can the right to run as that owner. A new file gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  mode_t mode = exists ? info.st_mode & 07777 : 0666 & ~mask;
  if (exists && (info.st_uid != geteuid() || info.st_gid != getegid()) &&
      fchown(m_fd, info.st_uid, info.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
  }
  if (fchmod(m_fd, mode) != 0) {
    return fail("cannot write", errno);
  }
  return true;
}

bool WaveWriter::create(const std::string& path, SampleFormat format, uint32_t sampleCount) {
  begin(path, format, sampleCount);
  m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (m_fd < 0) {
    return fail("cannot write", errno);
  }
  // An empty regular file is a name reserved for this output; anything else belongs to another.
  struct stat info;
  if (fstat(m_fd, &info) != 0) {
    return fail("cannot write", errno);
  }
  if (!S_ISREG(info.st_mode) || info.st_size != 0) {
    return fail("cannot write", EEXIST);
  }
  m_createdPath = path;
  return true;
}

bool WaveWriter::overwrites(const std::string& path) const {
  struct stat info;
  return m_hasTarget && stat(path.c_str(), &info) == 0 && info.st_dev == m_targetDevice &&
         info.st_ino == m_targetInode;
}

void WaveWriter::noteTarget(bool exists, const struct stat& info) {
  m_hasTarget = exists;
  m_targetDevice = info.st_dev;
  m_targetInode = info.st_ino;
}

bool WaveWriter::write(const float* samples, int count) {
  if (!writePendingHeader()) {
    return false;
  }
  if (m_format == SampleFormat::kFloat32) {
    return writeBytes(samples, static_cast<size_t>(count) * sizeof(float));
  }
  int16_t pcm[kChunkSamples];
  for (int done = 0; done < count;) {
    const int n = std::min(count - done, kChunkSamples);
    toPcm16(samples + done, pcm, n);
    if (!writeBytes(pcm, static_cast<size_t>(n) * sizeof(int16_t))) {
      return false;
    }
    done += n;
  }
  return true;
}

bool WaveWriter::writePcm16(const int16_t* samples, int count) {
  if (m_format != SampleFormat::kPcm16 || !writePendingHeader()) {
    return false;
  }
  return writeBytes(samples, static_cast<size_t>(count) * sizeof(int16_t));
}

bool WaveWriter::setSampleCount(uint32_t sampleCount) {
  if (m_fd < 0) {
    return false;
  }
  m_sampleCount = sampleCount;
  if (m_headerPending) {
    return true;
  }
  uint8_t header[kWaveHeaderBytes];
  waveHeader(m_format, sampleCount, header);
  size_t done = 0;
  while (done < sizeof header) {
    const ssize_t written =
        pwrite(m_fd, header + done, sizeof header - done, static_cast<off_t>(done));
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return fail("cannot write", errno);
    }
    done += static_cast<size_t>(written);
  }
  return true;
}

bool WaveWriter::commit() {
  if (!writePendingHeader()) {
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (m_ownsFd && close(fd) != 0) {
    return fail("cannot write", errno);
  }
  m_createdPath.clear();
  if (m_tempPath.empty()) {
    return true;
  }
  SignalHold hold;
  if (std::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
    return fail("cannot write", errno);
  }
  forgetInterruptedFile();
  m_tempPath.clear();
  return true;
}

bool WaveWriter::writePendingHeader() {
  if (m_fd < 0) {
    return false;
  }
  if (!m_headerPending) {
    return true;
  }
  m_headerPending = false;
  if (m_truncate && ftruncate(m_fd, 0) != 0) {
    return fail("cannot write", errno);
  }
  uint8_t header[kWaveHeaderBytes];
  waveHeader(m_format, m_sampleCount, header);
  return writeBytes(header, sizeof header);
}

bool WaveWriter::writeBytes(const void* bytes, size_t size) {
  if (m_fd < 0) {
    return false;
  }
  const char* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = ::write(m_fd, at, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return fail("cannot write", errno);
    }
    at += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Nothing half written stays behind: the temporary file goes with the error.
bool WaveWriter::fail(const std::string& what, int errorNumber) {
  m_error = what + " " + m_path + ": " + std::strerror(errorNumber);
  discard();
  return false;
}

void WaveWriter::discard() {
  if (m_fd >= 0 && m_ownsFd) {
    close(m_fd);
  }
  m_fd = -1;
  if (!m_createdPath.empty()) {
    unlink(m_createdPath.c_str());
    m_createdPath.clear();
  }
  if (!m_tempPath.empty()) {
    SignalHold hold;
    unlink(m_tempPath.c_str());
    forgetInterruptedFile();
    m_tempPath.clear();
  }
}
