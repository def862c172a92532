// grainrender as a process meets it: standard output, odd outputs and inputs, signals and limits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "test_wav.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Long enough for any render here; reached only when grainrender hangs.
constexpr auto kDeadline = std::chrono::seconds(20);

// What the child process gets besides its arguments.
struct ChildSetup {
  int ignoredSignal = 0;
  rlim_t addressSpaceBytes = RLIM_INFINITY;
  rlim_t fileSizeBytes = RLIM_INFINITY;
  // Standard error is a pipe that nobody reads any more.
  bool brokenErrorPipe = false;
};

// The built grainrender, started in `dir` with every signal at its default action; its standard
// output and error are collected through pipes. A child still running when the test ends, as
// after a failed assertion, is killed and reaped.
class Child {
 public:
  Child(const std::string& dir, const std::vector<std::string>& args,
        const ChildSetup& setup = {}) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(GRAINRENDER_PATH));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
      return;
    m_pid = fork();
    if (m_pid == 0) {
      // Only async-signal-safe calls between fork and exec.
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      int broken[2];
      if (setup.brokenErrorPipe && pipe(broken) == 0) {
        close(broken[0]);
        dup2(broken[1], STDERR_FILENO);
      }
      struct sigaction action {};
      action.sa_handler = SIG_DFL;
      for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &action, nullptr);
      if (setup.ignoredSignal != 0) {
        action.sa_handler = SIG_IGN;
        sigaction(setup.ignoredSignal, &action, nullptr);
      }
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      const rlimit address{setup.addressSpaceBytes, setup.addressSpaceBytes};
      const rlimit fileSize{setup.fileSizeBytes, setup.fileSizeBytes};
      // The signals that dump core leave no core file among the outputs.
      const rlimit noCore{0, 0};
      if (chdir(dir.c_str()) != 0 || setrlimit(RLIMIT_AS, &address) != 0 ||
          setrlimit(RLIMIT_FSIZE, &fileSize) != 0 || setrlimit(RLIMIT_CORE, &noCore) != 0)
        _exit(126);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    m_fds[0] = out[0];
    m_fds[1] = err[0];
  }
  ~Child() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    for (int fd : m_fds) {
      if (fd >= 0)
        close(fd);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return m_pid; }
  // Reads the standard error until it holds `text` or ends. The standard output is left unread,
  // so a render into it stops, mid-way, once the pipe is full.
  bool awaitError(const std::string& text) {
    collectUntil([&] { return m_err.find(text) != std::string::npos; }, false);
    return m_err.find(text) != std::string::npos;
  }
  // Collects everything and reaps the child: its wait status, or -1 if it had to be killed at
  // the deadline.
  int finish() {
    const bool ended = collectUntil([] { return false; });
    int status = -1;
    if (!ended)
      kill(m_pid, SIGKILL);
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return ended ? status : -1;
  }
  const std::string& out() const { return m_out; }
  const std::string& err() const { return m_err; }

 private:
  // False when the deadline passed first.
  bool collectUntil(const std::function<bool()>& done, bool readOut = true) {
    const auto deadline = Clock::now() + kDeadline;
    while (!done() && ((readOut && m_fds[0] >= 0) || m_fds[1] >= 0)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0)
        return false;
      pollfd fds[2] = {{readOut ? m_fds[0] : -1, POLLIN, 0}, {m_fds[1], POLLIN, 0}};
      if (poll(fds, 2, static_cast<int>(left.count())) < 0)
        return false;
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0)
          continue;
        char buffer[65536];
        const ssize_t n = read(m_fds[i], buffer, sizeof buffer);
        if (n > 0) {
          (i == 0 ? m_out : m_err).append(buffer, static_cast<size_t>(n));
        } else {
          close(m_fds[i]);
          m_fds[i] = -1;
        }
      }
    }
    return true;
  }

  pid_t m_pid = -1;
  int m_fds[2] = {-1, -1};
  std::string m_out;
  std::string m_err;
};

bool exitedWith(int status, int code) {
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

class RenderCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<int16_t> ramp(4410);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 13 % 20000);
    dir.write("in.wav", testwav::monoWav16(ramp));
  }
  Bytes output(const std::string& name) { return testwav::readBytes(dir.pathOf(name)); }

  testwav::TempDir dir;
};

TEST_F(RenderCommand, DashWritesTheWholeFileToStandardOutputAndMessagesToStandardError) {
  Child toFile(dir.path(), {"in.wav", "file.wav", "--seed", "5", "--samples", "100000"});
  ASSERT_TRUE(exitedWith(toFile.finish(), 0)) << toFile.err();
  Child piped(dir.path(), {"in.wav", "-", "--seed", "5", "--samples", "100000"});
  ASSERT_TRUE(exitedWith(piped.finish(), 0)) << piped.err();
  const Bytes file = output("file.wav");
  ASSERT_EQ(file.size(), 44u + 2 * 100000);
  EXPECT_TRUE(Bytes(piped.out().begin(), piped.out().end()) == file);
  EXPECT_EQ(piped.err(), "");

  Child unseeded(dir.path(), {"in.wav", "-", "--samples", "10"});
  ASSERT_TRUE(exitedWith(unseeded.finish(), 0)) << unseeded.err();
  EXPECT_EQ(unseeded.out().size(), 44u + 2 * 10);
  EXPECT_EQ(unseeded.err().rfind("seed ", 0), 0u) << unseeded.err();
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"file.wav", "in.wav"}));
}

TEST_F(RenderCommand, TheOutputIsCheckedBeforeTheInputIsRead) {
  const std::string longName = std::string(252, 'n') + ".wav";
  const std::pair<std::string, std::string> cases[] = {
      {"nowhere/out.wav", "No such file or directory"},
      {longName, "File name too long"},
      {".", "Is a directory"},
  };
  // The input is missing too: whichever is checked first speaks.
  for (const auto& [output, problem] : cases) {
    Child child(dir.path(), {"missing.wav", output, "--seed", "1"});
    EXPECT_TRUE(exitedWith(child.finish(), 1)) << output;
    EXPECT_EQ(child.err(), "grainrender: cannot write " + output + ": " + problem + "\n");
  }
  EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
}

TEST_F(RenderCommand, TheInputByAnyOtherNameIsNeverTheOutput) {
  const Bytes input = output("in.wav");
  ASSERT_EQ(symlink("in.wav", dir.pathOf("link.wav").c_str()), 0);
  ASSERT_EQ(link(dir.pathOf("in.wav").c_str(), dir.pathOf("hard.wav").c_str()), 0);
  const std::string folder = dir.path().substr(dir.path().rfind('/') + 1);
  for (const std::string& name : {std::string("./in.wav"), "../" + folder + "/in.wav",
                                  std::string("link.wav"), std::string("hard.wav")}) {
    Child child(dir.path(), {"in.wav", name, "--seed", "1"});
    EXPECT_TRUE(exitedWith(child.finish(), 1)) << name;
    EXPECT_EQ(child.err(), "grainrender: cannot write " + name + ": it is the input file\n");
  }
  EXPECT_EQ(output("in.wav"), input);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"hard.wav", "in.wav", "link.wav"}));
}

TEST_F(RenderCommand, AFifoAsInputIsRefusedAtOnceEvenWithNoWriter) {
  ASSERT_EQ(mkfifo(dir.pathOf("in.fifo").c_str(), 0600), 0);
  Child child(dir.path(), {"in.fifo", "out.wav", "--seed", "1"});
  EXPECT_TRUE(exitedWith(child.finish(), 1)) << "still waiting at the deadline";
  EXPECT_EQ(child.err(), "Wrong file format: in.fifo: not a regular file\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.fifo", "in.wav"}));
}

// How large a file in `dir` whose name starts with `prefix` has grown, -1 while there is none.
long long grownTo(const testwav::TempDir& dir, const std::string& prefix) {
  for (const std::string& name : dir.names()) {
    struct stat info;
    if (name.rfind(prefix, 0) == 0 && stat(dir.pathOf(name).c_str(), &info) == 0)
      return info.st_size;
  }
  return -1;
}

TEST_F(RenderCommand, AnInterruptRemovesTheTemporaryFileAndEndsTheProcessByThatSignal) {
  // A limit on the file's size ends a render that a signal failed to end.
  ChildSetup limited;
  limited.fileSizeBytes = 256 << 20;
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXCPU, SIGUSR1, SIGALRM, SIGRTMIN + 1}) {
    SCOPED_TRACE(strsignal(sig));
    // Unseeded, it prints its seed once the input is loaded and the render begins.
    Child child(dir.path(), {"in.wav", "out.wav", "--samples", "2000000000"}, limited);
    ASSERT_TRUE(child.awaitError("\n")) << child.err();
    // Mid-render: at least one block of samples is in the temporary file.
    const auto deadline = Clock::now() + kDeadline;
    while (grownTo(dir, ".grainrender-") < 44 + 2 * 65536 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(kill(child.pid(), sig), 0);
    const int status = child.finish();
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
  }
}

TEST_F(RenderCommand, ABrokenPipeOnStandardErrorRemovesTheTemporaryFileToo) {
  ChildSetup broken;
  broken.brokenErrorPipe = true;
  // The seed line is the first thing written to standard error, once the output is open.
  Child child(dir.path(), {"in.wav", "out.wav", "--samples", "1000"}, broken);
  const int status = child.finish();
  EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
  EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
}

// As under nohup: the signal stays ignored and the render ends as if it never came.
TEST_F(RenderCommand, ASignalTheCallerIgnoresStaysIgnored) {
  ChildSetup nohup;
  nohup.ignoredSignal = SIGHUP;
  Child child(dir.path(), {"in.wav", "-", "--samples", "200000"}, nohup);
  // The output pipe is not read yet, so the render is stopped part-way when the signal comes.
  ASSERT_TRUE(child.awaitError("\n")) << child.err();
  ASSERT_EQ(kill(child.pid(), SIGHUP), 0);
  EXPECT_TRUE(exitedWith(child.finish(), 0)) << child.err();
  EXPECT_EQ(child.out().size(), 44u + 2 * 200000);
}

TEST_F(RenderCommand, AFileSizeLimitEndsTheRenderWithAMessageAndLeavesNothing) {
  ChildSetup limited;
  limited.fileSizeBytes = 100000;
  Child child(dir.path(), {"in.wav", "out.wav", "--seed", "1", "--samples", "441000"}, limited);
  EXPECT_TRUE(exitedWith(child.finish(), 1));
  EXPECT_EQ(child.err(), "grainrender: cannot write out.wav: File too large\n");
  EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
}

// The memory a process may map is limited below what the sound needs; sanitizer builds map
// far more than that for themselves, so there the case cannot be set up.
TEST_F(RenderCommand, NotEnoughMemoryForTheSoundEndsWithAMessageAndLeavesNothing) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizers need more address space than the limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  GTEST_SKIP() << "sanitizers need more address space than the limit allows";
#endif
#endif
  const std::string big =
      dir.write("big.wav", testwav::headerBytes(testwav::consistentHeader(1, 16, 0)));
  // Sparse: 100 million frames take no disk, and 400 MB as floats.
  ASSERT_EQ(truncate(big.c_str(), 44 + 200000000LL), 0);
  ChildSetup limited;
  limited.addressSpaceBytes = 256 << 20;
  Child child(dir.path(), {"big.wav", "out.wav", "--seed", "1"}, limited);
  EXPECT_TRUE(exitedWith(child.finish(), 1)) << child.err();
  EXPECT_EQ(child.err(), "grainrender: Not enough memory to load this file: big.wav\n");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"big.wav", "in.wav"}));
}

}  // namespace
