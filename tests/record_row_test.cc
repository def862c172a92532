// The record row on the offscreen platform: where it sits, what it reads as through the
// accessibility interface, Ctrl+R, and takes recorded from the real worker on SDL's dummy driver.
#include "record_row.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "device_failure_box.h"
#include "dialog_template.h"
#include "fake_services.h"
#include "instrument.h"
#include "jack_server.h"
#include "panel_dlg.h"
#include "quit_on_signal.h"
#include "run_flag.h"
#include "sound_output.h"
#include "take_file.h"
#include "test_wav.h"

namespace {

class AppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
  void TearDown() override { app.reset(); }

 private:
  std::unique_ptr<QApplication> app;
  int argc = 1;
  char name[16] = "record_row_test";
  char* argv[2] = {name, nullptr};
};

const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

QString accessibleName(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face != nullptr ? face->text(QAccessible::Name) : QString();
}

class RecordRowTest : public ::testing::Test {
 protected:
  RecordRowTest()
      : instrument(std::make_unique<Instrument>(services, dir.path())),
        dlg(std::make_unique<CPanelDlg>(*instrument, services)) {
    row = dlg->findChild<CRecordRow*>();
    if (row != nullptr) {
      record = row->findChild<QPushButton*>();
      status = row->findChild<QLabel*>();
    }
    std::vector<int16_t> tone(8820);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i % 100) * 300 - 9000);
    sound = dir.write("tone.wav", testwav::monoWav16(tone));
  }

  void showAndSettle() {
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  QAbstractButton* button(int id) const { return static_cast<QAbstractButton*>(dlg->control(id)); }
  std::string statusText() const { return accessibleName(status).toStdString(); }
  // The recordings in the sound's folder, by name.
  std::vector<std::string> takes() const {
    std::vector<std::string> names;
    DIR* d = opendir(dir.path().c_str());
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      // Each take's settings file lies beside it.
      if (name != "tone.wav" && name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0)
        names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }
  // A complete 16-bit mono 44 100 Hz file of whole 256-sample blocks, with at least one block.
  void expectWholeTake(const std::string& name) {
    const Bytes bytes = readFile(dir.pathOf(name));
    ASSERT_GE(bytes.size(), 44u + 512u) << name;
    const uint32_t dataBytes = le32(bytes, 40);
    EXPECT_EQ(bytes.size(), 44u + dataBytes);
    EXPECT_EQ(dataBytes % 512, 0u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 44),
              testwav::headerBytes(testwav::consistentHeader(1, 16, dataBytes)));
  }

  testwav::TempDir dir;
  std::string sound;
  FakeServices services;
  std::unique_ptr<Instrument> instrument;
  std::unique_ptr<CPanelDlg> dlg;
  CRecordRow* row = nullptr;
  QPushButton* record = nullptr;
  QLabel* status = nullptr;
};

TEST_F(RecordRowTest, SitsBelowTheTemplateAsACheckableRecordButtonReachedByTab) {
  ASSERT_NE(record, nullptr);
  ASSERT_NE(status, nullptr);
  showAndSettle();
  const QPoint topLeft = record->mapTo(dlg.get(), QPoint(0, 0));
  EXPECT_GE(topLeft.y(), button(IDC_RESET)->geometry().bottom());
  EXPECT_LE(topLeft.y() + record->height(), dlg->height());
  EXPECT_EQ(record->text(), "Record");
  EXPECT_EQ(accessibleName(record), "Record");
  EXPECT_TRUE(record->isCheckable());
  EXPECT_FALSE(record->isChecked());
  EXPECT_TRUE(record->focusPolicy() & Qt::TabFocus);
  EXPECT_EQ(statusText(), "Ctrl+R records what plays");

  bool inChain = false;
  QWidget* w = dlg->control(IDC_RUN);
  for (int i = 0; i < 40 && !inChain; ++i, w = w->nextInFocusChain()) inChain = w == record;
  EXPECT_TRUE(inChain);
}

TEST_F(RecordRowTest, ArmedItStartsWithThePlayAndStopOrFileEndTheTakeAndNameIt) {
  showAndSettle();
  record->click();
  EXPECT_TRUE(record->isChecked());
  EXPECT_EQ(statusText(), "Recording starts with Run");
  EXPECT_TRUE(takes().empty());

  services.choices.push_back(sound);
  button(IDC_FILE)->click();
  ASSERT_TRUE(g_running);
  EXPECT_TRUE(record->isChecked());
  EXPECT_EQ(statusText().rfind("Recording tone ", 0), 0u) << statusText();
  EXPECT_TRUE(takes().size() == 1 && takes()[0].rfind("tone ", 0) == 0);
  QTest::qWait(300);

  button(IDC_RUN)->click();
  EXPECT_FALSE(g_running);
  EXPECT_FALSE(record->isChecked());
  ASSERT_EQ(takes().size(), 1u);
  const std::string take = takes()[0];
  EXPECT_EQ(take.rfind("tone ", 0), 0u) << take;
  EXPECT_TRUE(QTest::qWaitFor([&] { return statusText() == "Saved " + take; })) << statusText();
  EXPECT_EQ(status->toolTip().toStdString(), dir.pathOf(take));
  expectWholeTake(take);

  // Run again: the take is over. Ctrl+R records again until File... stops the sound; Cancel then
  // plays the old sound again without recording it.
  button(IDC_RUN)->click();
  EXPECT_FALSE(record->isChecked());
  QTest::keyClick(dlg.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(record->isChecked());
  QTest::qWait(200);
  button(IDC_FILE)->click();
  EXPECT_TRUE(g_running);
  EXPECT_FALSE(record->isChecked());
  ASSERT_EQ(takes().size(), 2u);
  const std::string second = takes()[0] == take ? takes()[1] : takes()[0];
  EXPECT_TRUE(QTest::qWaitFor([&] { return statusText() == "Saved " + second; }));
  expectWholeTake(second);
}

TEST_F(RecordRowTest, ClosingThePanelWhileRecordingKeepsTheFinishedTake) {
  showAndSettle();
  services.choices.push_back(sound);
  button(IDC_FILE)->click();
  record->click();
  ASSERT_TRUE(record->isChecked());
  QTest::qWait(200);
  // A session manager's SIGTERM closes the window as its own close does.
  {
    QuitOnSignal quitOnSignal;
    ASSERT_EQ(raise(SIGTERM), 0);
    QCoreApplication::processEvents();
  }
  dlg.reset();
  instrument.reset();
  EXPECT_FALSE(g_running);
  ASSERT_EQ(takes().size(), 1u);
  EXPECT_EQ(takes()[0].find(".grainrender-"), std::string::npos) << takes()[0];
  expectWholeTake(takes()[0]);
  EXPECT_TRUE(std::filesystem::exists(takeFilePath(dir.pathOf(takes()[0]))));
}

// The box comes from the worker's thread; the take must be whole on disk before it shows.
TEST_F(RecordRowTest, AServerGoneWhileRecordingKeepsTheTakeAndSaysWhatToTry) {
  JackServer server(48000, 256);
  if (!server.running())
    GTEST_SKIP() << "no jackd";
  ASSERT_EQ(chooseSoundOutput(AudioApi::kJack, false, 0), AudioApi::kJack);
  CDeviceFailureBox failure(*dlg, *instrument, services);
  showAndSettle();
  services.choices.push_back(sound);
  button(IDC_FILE)->click();
  record->click();
  QTest::qWait(300);
  server.kill();
  QTRY_VERIFY_WITH_TIMEOUT(failure.happened(), 5000);
  EXPECT_FALSE(g_running);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0], "The JACK server has gone away!");
  EXPECT_EQ(services.details[0], kDeviceAdviceText);
  ASSERT_EQ(takes().size(), 1u);
  // The writer finishes the take on its own thread, after the box.
  QTRY_VERIFY_WITH_TIMEOUT(
      [&] {
        const Bytes bytes = readFile(dir.pathOf(takes()[0]));
        return bytes.size() > 44 && le32(bytes, 40) == bytes.size() - 44;
      }(),
      5000);
  expectWholeTake(takes()[0]);
}

}  // namespace
