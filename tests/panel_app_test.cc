// The panel's boxes, the application's start and close, and grainpanel's command line.
#include "panel_app.h"

#include "panel_dlg_fixture.h"

namespace {

using panel_fixture::AppEnvironment;
using panel_fixture::PaintCounter;
using panel_fixture::PanelDlgTest;

// The real boxes, inspected and closed from inside their own modal loops.
TEST(QtPanelServices, BoxesHaveTheirButtonsAndTheFileDialogOffersEverySoundFile) {
  QtPanelServices real;
  QString text;
  QString detail = "unset";
  QMessageBox::StandardButtons buttons;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      detail = box->informativeText();
      buttons = box->standardButtons();
      box->reject();
    }
  });
  real.showMessage("Wrong file format", "a.wav: stereo (convert it to 16-bit mono)");
  EXPECT_EQ(text, "Wrong file format");
  EXPECT_EQ(detail, "a.wav: stereo (convert it to 16-bit mono)");
  EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);

  // The conversion box: same text and detail, Convert and play as its default beside OK, and
  // the check box handed back as the user left it.
  QString defaultButton;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      detail = box->informativeText();
      buttons = box->standardButtons();
      defaultButton = box->defaultButton()->text();
      EXPECT_EQ(box->checkBox()->text(), "Always convert such files");
      box->checkBox()->setChecked(true);
      box->defaultButton()->click();
    }
  });
  bool always = false;
  EXPECT_TRUE(real.offerConversion("Wrong file format", "k.flac: not a WAV file", always));
  EXPECT_EQ(detail, "k.flac: not a WAV file");
  EXPECT_EQ(buttons, QMessageBox::Ok);
  EXPECT_EQ(defaultButton, "Convert and play");
  EXPECT_TRUE(always);

  QStringList filters;
  QString suffix;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      filters = dialog->nameFilters();
      suffix = dialog->defaultSuffix();
      dialog->reject();
    }
  });
  std::string path = "unchanged";
  EXPECT_FALSE(real.chooseWaveFile(path));
  ASSERT_EQ(filters.size(), 3);
  for (const char* pattern : {"*.wav ", "*.flac ", "*.aiff ", "*.ogg ", "*.opus ", "*.caf "}) {
    EXPECT_TRUE(filters[0].contains(pattern)) << pattern;
  }
  EXPECT_EQ(filters.mid(1), (QStringList{"Wave Files (*.wav)", "All Files (*)"}));
  EXPECT_EQ(suffix, "wav");
}

TEST(PanelApp, RunsThePanelAsItsOnlyWindowAndEndsWithStatusZero) {
  int windows = -1;
  bool panel = false;
  QTimer::singleShot(0, [&] {
    windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) windows += w->isVisible() ? 1 : 0;
    QWidget* modal = QApplication::activeModalWidget();
    panel = qobject_cast<CPanelDlg*>(modal) != nullptr;
    if (modal)
      QTest::keyClick(modal, Qt::Key_Escape);
  });
  EXPECT_EQ(AppEnvironment::app->InitInstance(), 0);
  EXPECT_EQ(windows, 1);
  EXPECT_TRUE(panel);
  EXPECT_FALSE(g_running);
}

// Runs `step` every few milliseconds inside whatever modal loop is running until it returns true,
// or closes the modal window after two seconds so that a failure cannot hang the test.
void pollModal(std::function<bool()> step) {
  auto* timer = new QTimer;
  auto* polls = new int(0);
  QObject::connect(timer, &QTimer::timeout, [timer, polls, step] {
    QWidget* modal = QApplication::activeModalWidget();
    if (step() || (++*polls > 400 && modal && (modal->close(), true))) {
      timer->stop();
      timer->deleteLater();
      delete polls;
    }
  });
  timer->start(5);
}

// What the panel showed once it had dealt with a file named on the command line.
struct Opened {
  std::string message;
  std::string title;
  int frames = -1;
  bool playing = false;
};

Opened openFromCommandLine(const std::string& path) {
  Opened seen;
  pollModal([&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen.message = box->text().toStdString();
      box->reject();
      return false;
    }
    auto* panel = qobject_cast<CPanelDlg*>(modal);
    if (!panel || (!g_running && seen.message.empty()))
      return false;
    seen = {seen.message, panel->windowTitle().toStdString(),
            panel->instrument().transport().frameCount(), g_running};
    QTest::keyClick(panel, Qt::Key_Escape);
    return true;
  });
  PanelCommand command;
  command.soundPath = path;
  EXPECT_EQ(AppEnvironment::app->InitInstance(command), 0);
  return seen;
}

TEST(PanelApp, OpensPlayingTheFileNamedOnTheCommandLineOrWithNoSoundWhenItIsRefused) {
  testwav::TempDir dir;
  const Opened pad = openFromCommandLine(dir.write("pad.wav", testwav::monoWav16({0, 9, 99, 9})));
  EXPECT_EQ(pad.message, "");
  EXPECT_TRUE(pad.playing);
  EXPECT_EQ(pad.frames, 4);
  EXPECT_EQ(pad.title, "pad.wav \u2014 Grainpanel");
  const Opened stereo = openFromCommandLine(
      dir.write("stereo.wav", testwav::headerBytes(testwav::consistentHeader(2, 16, 400))));
  EXPECT_EQ(stereo.message, "Wrong file format");
  EXPECT_FALSE(stereo.playing);
  EXPECT_EQ(stereo.frames, 0);
  EXPECT_EQ(stereo.title, "Grainpanel");
  EXPECT_FALSE(g_running);
}

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

// Runs the built grainpanel; none of these arguments gets as far as opening a window.
CommandResult runGrainpanel(const std::string& args) {
  testwav::TempDir scratch;
  const std::string out = scratch.pathOf("out.txt");
  const std::string err = scratch.pathOf("err.txt");
  const int raw = std::system(
      (std::string("'") + GRAINPANEL_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'")
          .c_str());
  auto text = [](const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
}

TEST(GrainpanelCommand, HelpAndVersionEndAtOnceAndBadUsageEndsWithTwo) {
  const CommandResult version = runGrainpanel("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "grainpanel 1.0.0\n");
  const CommandResult help = runGrainpanel("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, kPanelUsage);
  EXPECT_EQ(help.err, "");
  const CommandResult unknown = runGrainpanel("--bogus");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, std::string("grainpanel: unknown option --bogus\n") + kPanelUsage);
  EXPECT_EQ(runGrainpanel("a.wav b.wav").status, 2);
}

}  // namespace
