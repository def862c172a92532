// Measures the panel's CPU time while it plays a sound and draws the sound view: the real dialog
// on whatever platform Qt is given (xcb under Xvfb through scripts/panel-load), SDL on its dummy
// driver unless SDL_AUDIODRIVER says otherwise. Prints each thread's share of one core.
// Usage: panel_load SOUND.wav [seconds]   (20 when not given)
#include <dirent.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "control_values.h"
#include "instrument.h"
#include "panel_dlg.h"
#include "panel_services.h"
#include "wave_strip.h"

namespace {

// File... picks the sound given on the command line; a message goes to stderr.
class FixedChoice : public PanelServices {
 public:
  explicit FixedChoice(std::string path) : m_path(std::move(path)) {}
  void showMessage(const char* text, const char*) override {
    std::fprintf(stderr, "panel: %s\n", text);
  }
  bool offerConversion(const char* text, const char*, bool&) override {
    std::fprintf(stderr, "panel: %s\n", text);
    return false;
  }
  bool chooseWaveFile(std::string& path) override {
    path = m_path;
    return true;
  }
  void showHelp(const char*) override {}

 private:
  std::string m_path;
};

class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
  int paints = 0;
};

struct ThreadTime {
  std::string name;
  double seconds;
};

// User plus system time of every thread of this process, by thread id, from /proc.
std::map<int, ThreadTime> threadTimes() {
  std::map<int, ThreadTime> out;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) {
    return out;
  }
  while (dirent* entry = readdir(dir)) {
    const int tid = std::atoi(entry->d_name);
    if (tid <= 0) {
      continue;
    }
    std::ifstream stat("/proc/self/task/" + std::string(entry->d_name) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The name is in parentheses and may hold spaces; utime and stime are fields 14 and 15.
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) {
      continue;
    }
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 13; ++i) {
      rest >> field;
    }
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    rest >> utime >> stime;
    out[tid] = {line.substr(open + 1, close - open - 1), (utime + stime) / tick};
  }
  closedir(dir);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: panel_load SOUND.wav [seconds]\n");
    return 2;
  }
  const double playSeconds = argc > 2 ? std::atof(argv[2]) : 20.0;
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  QApplication app(argc, argv);
  FixedChoice services(argv[1]);
  Instrument instrument(services, "/tmp");
  CPanelDlg dlg(instrument, services);
  dlg.show();
  if (!QTest::qWaitForWindowExposed(&dlg)) {
    std::fprintf(stderr, "panel_load: the window was never shown\n");
    return 1;
  }
  PaintCounter counter;
  dlg.findChild<CWaveStrip*>()->installEventFilter(&counter);
  static_cast<QAbstractButton*>(dlg.control(IDC_FILE))->click();
  if (!instrument.playing()) {
    return 1;
  }
  // The first second draws the overview and settles; the measurement starts after it.
  QTest::qWait(1000);

  const pid_t mainThread = getpid();
  const std::map<int, ThreadTime> before = threadTimes();
  counter.paints = 0;
  QElapsedTimer wall;
  wall.start();
  QTimer::singleShot(static_cast<int>(playSeconds * 1000), &app, &QApplication::quit);
  app.exec();
  const double elapsed = wall.nsecsElapsed() * 1e-9;
  const std::map<int, ThreadTime> after = threadTimes();
  const int paints = counter.paints;
  static_cast<QAbstractButton*>(dlg.control(IDC_RUN))->click();

  std::printf("platform %s, driver %s, %.2f s of playback, %d sound view redraws (%.1f/s)\n",
              qPrintable(QGuiApplication::platformName()), std::getenv("SDL_AUDIODRIVER"), elapsed,
              paints, paints / elapsed);
  double total = 0.0;
  for (const auto& [tid, t] : after) {
    const auto was = before.find(tid);
    const double used = t.seconds - (was != before.end() ? was->second.seconds : 0.0);
    total += used;
    std::printf("%s thread %-16s %7.0f ms CPU = %5.2f%% of one core\n",
                tid == mainThread ? "UI    " : "other ", t.name.c_str(), used * 1e3,
                100.0 * used / elapsed);
  }
  std::printf("whole process                  %7.0f ms CPU = %5.2f%% of one core\n", total * 1e3,
              100.0 * total / elapsed);
  return 0;
}
