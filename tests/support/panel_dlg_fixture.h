// What the Qt panel's tests share: the application, made once per program after the shared main
// has chosen the offscreen platform, a counter of paints, and a panel over its own instrument.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "fake_services.h"
#include "instrument.h"
#include "midi_control.h"
#include "midi_menus.h"
#include "panel_app.h"
#include "panel_command.h"
#include "panel_dlg.h"
#include "panel_services.h"
#include "qt_panel_services.h"
#include "run_flag.h"
#include "sound_files.h"
#include "test_wav.h"
#include "wave_strip.h"

namespace panel_fixture {

class AppEnvironment : public ::testing::Environment {
 public:
  // Created here rather than at start-up, after the shared main has chosen the offscreen
  // platform, and never when the tests are only listed.
  void SetUp() override { app = std::make_unique<CPanelApp>(argc, argv); }
  void TearDown() override { app.reset(); }
  static inline std::unique_ptr<CPanelApp> app;

 private:
  int argc = 1;
  char name[16] = "panel_dlg_test";
  char* argv[2] = {name, nullptr};
};

const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// Counts the paints of the sliders it watches.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      ++paints;
    return false;
  }
  int paints = 0;
};

class PanelDlgTest : public ::testing::Test {
 protected:
  PanelDlgTest()
      : instrument(std::make_unique<Instrument>(services, dir.path())),
        dlg(std::make_unique<CPanelDlg>(*instrument, services)) {}

  void showAndSettle() {
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    settle();
  }
  static void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  QSlider* slider(int id) const { return static_cast<QSlider*>(dlg->control(id)); }
  QAbstractButton* button(int id) const { return static_cast<QAbstractButton*>(dlg->control(id)); }
  std::string runCaption() const { return button(IDC_RUN)->text().toStdString(); }
  QLabel* readoutLine() const {
    for (QLabel* label : dlg->findChildren<QLabel*>()) {
      if (label->accessibleName() == "Readout")
        return label;
    }
    return nullptr;
  }
  std::string readout() const { return readoutLine()->text().toStdString(); }
  std::string tip(int id) const { return dlg->control(id)->toolTip().toStdString(); }
  std::string title() const { return dlg->windowTitle().toStdString(); }
  std::string toneFile(const std::string& name, int frames) {
    std::vector<int16_t> tone(frames);
    for (int i = 0; i < frames; ++i) tone[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
    return dir.write(name, testwav::monoWav16(tone));
  }

  testwav::TempDir dir;
  FakeServices services;
  std::unique_ptr<Instrument> instrument;
  std::unique_ptr<CPanelDlg> dlg;
};

}  // namespace panel_fixture
