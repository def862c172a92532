// The Qt panel on the offscreen platform: layout, the paint-driven binding, the buttons, keys,
// and the application's start and close. Sound runs through the real worker on SDL's dummy driver.
#include "panel_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "fake_services.h"
#include "panel_app.h"
#include "panel_services.h"
#include "qt_panel_services.h"
#include "run_flag.h"
#include "test_wav.h"
#include "wave_strip.h"

namespace {

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
  PanelDlgTest() : dlg(std::make_unique<CPanelDlg>(services)) {}

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

  testwav::TempDir dir;
  FakeServices services;
  std::unique_ptr<CPanelDlg> dlg;
};

TEST(DialogUnits, ConvertWithTheFontsAverageLetterWidthAndHeight) {
  // A font whose 52 letters span 312 px and whose lines are 13 px high has base units 6 x 13.
  const DialogBaseUnits units = baseUnitsOf(312, 13);
  EXPECT_EQ(units.x, 6);
  EXPECT_EQ(units.y, 13);
  EXPECT_EQ(dluToPixelsX(kDialogWidthDlu, units), 506);
  EXPECT_EQ(dluToPixelsY(kDialogHeightDlu, units), 270);
  EXPECT_EQ(dluToPixelsX(15, units), 23);
  EXPECT_EQ(dluToPixelsY(10, units), 16);
}

TEST_F(PanelDlgTest, EveryControlSitsAtItsTemplateRectangleAndNoneIsOkOrCancel) {
  const QFontMetrics metrics(dlg->font());
  const DialogBaseUnits units =
      baseUnitsOf(metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
                  metrics.height());
  // What the panel adds stacks up below the template, so only the height grows.
  EXPECT_EQ(dlg->width(), dluToPixelsX(kDialogWidthDlu, units));
  EXPECT_GE(dlg->height(), dluToPixelsY(kDialogHeightDlu, units) + CWaveStrip::kHeightPx);
  for (const ControlTemplate& t : kPanelTemplate) {
    if (t.id == IDC_STATIC)
      continue;
    const QRect expected(dluToPixelsX(t.x, units), dluToPixelsY(t.y, units),
                         dluToPixelsX(t.width, units), dluToPixelsY(t.height, units));
    EXPECT_EQ(dlg->control(t.id)->geometry(), expected) << "control " << t.id;
  }
  std::vector<std::string> captions;
  for (QPushButton* b : dlg->findChildren<QPushButton*>())
    captions.push_back(b->text().toStdString());
  EXPECT_EQ(captions, (std::vector<std::string>{"Run", "File...", "Reset", "", ""}));
}

TEST_F(PanelDlgTest, SlidersAreVerticalWithTheLowEndAtTheTopAndTabOrderIsTemplateOrder) {
  for (const SliderRange& r : kSliderRanges) {
    QSlider* s = slider(r.id);
    EXPECT_EQ(s->orientation(), Qt::Vertical);
    EXPECT_TRUE(s->invertedAppearance());
    EXPECT_EQ(s->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(std::make_pair(s->minimum(), s->maximum()), std::make_pair(r.low, r.high));
    EXPECT_EQ(s->value(), r.startPosition);
  }
  const std::vector<int> expected = {IDC_RUN,    IDC_LENGTH1,   IDC_LENGTH2,   IDC_FILE,
                                     IDC_PITCH1, IDC_PITCH2,    IDC_ZERO,      IDC_PITCHWALK,
                                     IDC_METHOD, IDC_SPREAD,    IDC_SPEED,     IDC_RESET,
                                     IDC_FADE,   IDC_LINKPITCH, IDC_LINKLENGTH};
  std::vector<int> order;
  QWidget* w = dlg->control(IDC_RUN);
  do {
    if (w->focusPolicy() & Qt::TabFocus)
      order.push_back(w->property("controlId").toInt());
    w = w->nextInFocusChain();
  } while (w != dlg->control(IDC_RUN) && order.size() < 40);
  EXPECT_EQ(order, expected);
}

TEST_F(PanelDlgTest, EverySliderAppliesItselfWhenShownAndAtEachPaintAfterAMove) {
  Granulator& g = dlg->granulator();
  EXPECT_EQ(g.inspect().speed, 0.0f);
  showAndSettle();
  EXPECT_EQ(g.inspect().lenMin, 1000);
  EXPECT_EQ(g.inspect().zeroThreshold, 32768);
  EXPECT_EQ(g.inspect().speed, 1.0f);

  slider(IDC_ZERO)->setValue(0);
  slider(IDC_SPREAD)->setValue(1000);
  settle();
  EXPECT_EQ(g.inspect().zeroThreshold, 0);
  EXPECT_EQ(g.inspect().spread, spreadFraction(1000));
  button(IDC_METHOD)->click();
  EXPECT_EQ(g.inspect().pitchMode, PitchMode::kEachHeadWalks);
}

TEST_F(PanelDlgTest, LinkedLengthsFollowTheMovedSliderAndThePaintsSettle) {
  showAndSettle();
  button(IDC_LINKLENGTH)->click();
  slider(IDC_LENGTH2)->setValue(4000);
  settle();
  EXPECT_EQ(slider(IDC_LENGTH1)->value(), 4000);
  EXPECT_EQ(dlg->granulator().inspect().lenMin, 0);
  EXPECT_EQ(dlg->granulator().inspect().lenRange, 0);

  // Writing positions the sliders already show must not repaint them again and again.
  PaintCounter counter;
  for (QSlider* s : dlg->findChildren<QSlider*>()) s->installEventFilter(&counter);
  settle();
  EXPECT_EQ(counter.paints, 0);
}

TEST_F(PanelDlgTest, ButtonsDriveTheRealWorker) {
  showAndSettle();
  button(IDC_RUN)->click();
  EXPECT_EQ(services.messages, std::vector<std::string>{"Please select a file first..."});
  std::vector<int16_t> tone(8820);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
  services.choices.push_back(dir.write("tone.wav", testwav::monoWav16(tone)));
  slider(IDC_FADE)->setValue(400);
  button(IDC_FILE)->click();
  EXPECT_EQ(runCaption(), "Stop");
  EXPECT_FALSE(slider(IDC_FADE)->isEnabled());
  EXPECT_TRUE(g_running);
  EXPECT_EQ(dlg->granulator().inspect().fadeLength, 400);

  button(IDC_RESET)->click();
  EXPECT_EQ(slider(IDC_FADE)->value(), 1000);
  EXPECT_EQ(dlg->granulator().inspect().fadeLength, 400);

  button(IDC_RUN)->click();
  EXPECT_EQ(runCaption(), "Run");
  EXPECT_TRUE(slider(IDC_FADE)->isEnabled());
  EXPECT_FALSE(g_running);
  button(IDC_RUN)->click();
  EXPECT_TRUE(g_running);
  dlg.reset();
  EXPECT_FALSE(g_running);
  EXPECT_EQ(services.messages.size(), 1u);
}

TEST_F(PanelDlgTest, SoundViewSpansTheWindowBelowTheTemplateAndNamesItself) {
  showAndSettle();
  const QFontMetrics metrics(dlg->font());
  const DialogBaseUnits units =
      baseUnitsOf(metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
                  metrics.height());
  auto* strip = dlg->findChild<CWaveStrip*>();
  ASSERT_NE(strip, nullptr);
  const QRect r(strip->mapTo(dlg.get(), QPoint(0, 0)), strip->size());
  EXPECT_GE(r.top(), dluToPixelsY(kDialogHeightDlu, units));
  EXPECT_LE(r.bottom(), dlg->height() - 1);
  EXPECT_EQ(r.left(), dluToPixelsX(5, units));
  EXPECT_EQ(r.width(), dlg->width() - 2 * dluToPixelsX(5, units));
  EXPECT_EQ(r.height(), 90);

  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(strip);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->text(QAccessible::Name), "Sound view");
  EXPECT_EQ(a->text(QAccessible::Description), "No sound loaded");
}

// Heads that neither move nor sound (rate 0, location standing, every grain silent) leave the
// strip alone while it plays.
TEST_F(PanelDlgTest, SoundViewRedrawsWhileTheHeadsMoveAndRestsWhenNothingChangesOrItStops) {
  showAndSettle();
  auto* strip = dlg->findChild<CWaveStrip*>();
  auto* timer = strip->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  PaintCounter counter;
  strip->installEventFilter(&counter);
  std::vector<int16_t> tone(8820);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
  services.choices.push_back(dir.write("tone.wav", testwav::monoWav16(tone)));
  button(IDC_FILE)->click();
  ASSERT_TRUE(g_running);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 33);
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(strip);
  EXPECT_EQ(a->text(QAccessible::Description), "0.20 s of sound, playing");
  EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= 3; }, 5000));

  slider(IDC_PITCH1)->setValue(50000);
  slider(IDC_PITCH2)->setValue(50000);
  slider(IDC_SPEED)->setValue(0);
  slider(IDC_ZERO)->setValue(0);
  QTest::qWait(500);
  counter.paints = 0;
  QTest::qWait(300);
  EXPECT_EQ(counter.paints, 0);

  button(IDC_RUN)->click();
  EXPECT_FALSE(timer->isActive());
  EXPECT_TRUE(a->text(QAccessible::Description).startsWith("0.20 s of sound, stopped at "));
}

TEST_F(PanelDlgTest, EnterAwayFromAPushButtonOrEscapeEndsTheDialogAndF1ShowsHelp) {
  showAndSettle();
  QTest::keyClick(slider(IDC_ZERO), Qt::Key_F1);
  for (const char* word : {"File...", "Run", "Reset", "Length", "Pitch", "Walk", "Method", "Zero",
                           "Location", "Fade"}) {
    EXPECT_NE(services.help.find(word), std::string::npos) << word;
  }
  QTest::keyClick(button(IDC_RUN), Qt::Key_Return);  // a push button takes Enter itself
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(services.messages.size(), 1u);

  QTest::keyClick(slider(IDC_SPEED), Qt::Key_Return);
  EXPECT_EQ(dlg->result(), QDialog::Accepted);
  EXPECT_FALSE(dlg->isVisible());
  showAndSettle();
  QTest::keyClick(button(IDC_LINKPITCH), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_FALSE(button(IDC_LINKPITCH)->isChecked());
  showAndSettle();
  QTest::keyClick(slider(IDC_ZERO), Qt::Key_Escape);
  EXPECT_EQ(dlg->result(), QDialog::Rejected);
  EXPECT_FALSE(dlg->isVisible());
}

// The real boxes, inspected and closed from inside their own modal loops.
TEST(QtPanelServices, MessageHasOkAndCancelAndTheFileDialogOffersWaveFiles) {
  QtPanelServices real;
  QString text;
  QMessageBox::StandardButtons buttons;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      buttons = box->standardButtons();
      box->reject();
    }
  });
  real.showMessage("Wrong file format");
  EXPECT_EQ(text, "Wrong file format");
  EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);

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
  EXPECT_EQ(filters, QStringList{"Wave Files (*.wav)"});
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

}  // namespace
