// The Qt panel on the offscreen platform: layout, the paint-driven binding, the buttons, keys,
// the wheel, the readouts, dropped files, and the application's start and close. Sound runs through
// the real worker on SDL's dummy driver.
#include "panel_dlg.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
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
#include "panel_app.h"
#include "panel_command.h"
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
  // The template keeps its size; what the panel adds stacks up below it.
  const QRect templateRect(0, 0, dluToPixelsX(kDialogWidthDlu, units),
                           dluToPixelsY(kDialogHeightDlu, units));
  EXPECT_EQ(dlg->width(), templateRect.width());
  ASSERT_NE(readoutLine(), nullptr);
  showAndSettle();
  const QRect line(readoutLine()->mapTo(dlg.get(), QPoint(0, 0)), readoutLine()->size());
  EXPECT_GE(line.top(), templateRect.bottom() + 1);
  EXPECT_LE(line.bottom(), dlg->height() - 1);
  EXPECT_GT(line.height(), 0);
  EXPECT_GE(dlg->height(), templateRect.height() + CWaveStrip::kHeightPx);
  for (const ControlTemplate& t : kPanelTemplate) {
    if (t.id == IDC_STATIC)
      continue;
    const QRect expected(dluToPixelsX(t.x, units), dluToPixelsY(t.y, units),
                         dluToPixelsX(t.width, units), dluToPixelsY(t.height, units));
    EXPECT_EQ(dlg->control(t.id)->geometry(), expected) << "control " << t.id;
  }
  std::vector<std::string> captions;
  for (QPushButton* b : dlg->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
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
    if ((w->focusPolicy() & Qt::TabFocus) && w->property("controlId").isValid())
      order.push_back(w->property("controlId").toInt());
    w = w->nextInFocusChain();
  } while (w != dlg->control(IDC_RUN) && order.size() < 40);
  EXPECT_EQ(order, expected);
}

TEST_F(PanelDlgTest, EverySliderAppliesItselfWhenShownAndAtEachPaintAfterAMove) {
  const Granulator& g = instrument->granulator();
  EXPECT_EQ(g.inspect().speed, 0.0f);
  showAndSettle();
  EXPECT_EQ(g.inspect().lenMin, 1000);
  EXPECT_EQ(g.inspect().zeroThreshold, 32768);
  EXPECT_EQ(g.inspect().speed, 1.0f);

  slider(IDC_ZERO)->setValue(0);
  slider(IDC_SPREAD)->setValue(1000);
  settle();
  EXPECT_EQ(g.inspect().zeroThreshold, 0);
  EXPECT_EQ(g.inspect().spread, 0x1.b4e81cp-7f);  // 1000 / 75000
  button(IDC_METHOD)->click();
  EXPECT_EQ(g.inspect().pitchMode, PitchMode::kEachHeadWalks);
}

TEST_F(PanelDlgTest, LinkedLengthsFollowTheMovedSliderAndThePaintsSettle) {
  showAndSettle();
  button(IDC_LINKLENGTH)->click();
  slider(IDC_LENGTH2)->setValue(4000);
  settle();
  EXPECT_EQ(slider(IDC_LENGTH1)->value(), 4000);
  EXPECT_EQ(instrument->granulator().inspect().lenMin, 0);
  EXPECT_EQ(instrument->granulator().inspect().lenRange, 0);

  // Writing positions the sliders already show must not repaint them again and again.
  PaintCounter counter;
  for (QSlider* s : dlg->findChildren<QSlider*>()) s->installEventFilter(&counter);
  settle();
  EXPECT_EQ(counter.paints, 0);
}

// A window that was never shown paints nothing, so only the instrument can carry these values to
// the engine; the widgets and their readouts show them all the same.
TEST_F(PanelDlgTest, ControlsSetThroughTheInstrumentReachTheEngineAndTheHiddenWindow) {
  ASSERT_FALSE(dlg->isVisible());
  instrument->setLink(IDC_LINKLENGTH, true);
  instrument->setPosition(IDC_LENGTH2, 3900);
  instrument->setPosition(IDC_ZERO, 500);
  instrument->setPosition(IDC_PITCH1, 100000);
  instrument->setPosition(IDC_PITCH2, 25000);
  instrument->setPosition(IDC_PITCHWALK, 10000);
  instrument->setPosition(IDC_SPREAD, 1000);
  instrument->setPosition(IDC_SPEED, 10000);
  instrument->setPosition(IDC_FADE, 4000);
  instrument->setMethod(1);
  instrument->setLink(IDC_LINKPITCH, true);
  const Granulator& g = instrument->granulator();
  EXPECT_EQ(g.inspect().lenMin, 100);
  EXPECT_EQ(g.inspect().lenRange, 0);
  EXPECT_EQ(g.inspect().zeroThreshold, 16384);
  EXPECT_EQ(g.inspect().spread, 0x1.b4e81cp-7f);  // 1000 / 75000
  EXPECT_EQ(g.inspect().speed, 2.0f);
  EXPECT_EQ(g.inspect().pitchMode, PitchMode::kEachHeadWalks);

  const std::pair<int, int> shown[] = {
      {IDC_LENGTH1, 3900},  {IDC_LENGTH2, 3900}, {IDC_ZERO, 500},
      {IDC_PITCH1, 100000}, {IDC_PITCH2, 25000}, {IDC_PITCHWALK, 10000},
      {IDC_SPREAD, 1000},   {IDC_SPEED, 10000},  {IDC_FADE, 4000}};
  for (const auto& [id, position] : shown) EXPECT_EQ(slider(id)->value(), position) << id;
  EXPECT_TRUE(button(IDC_METHOD)->isChecked());
  EXPECT_TRUE(button(IDC_LINKLENGTH)->isChecked());
  EXPECT_TRUE(button(IDC_LINKPITCH)->isChecked());
  EXPECT_EQ(tip(IDC_SPEED), "Speed: 2 \u00d7 the sound's own speed");

  // Run takes the Fade position set through the instrument.
  ASSERT_TRUE(instrument->openSound(toneFile("tone.wav", 8820)));
  EXPECT_EQ(runCaption(), "Stop");
  EXPECT_FALSE(slider(IDC_FADE)->isEnabled());
  EXPECT_EQ(g.inspect().fadeLength, 4000);
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
  EXPECT_EQ(instrument->granulator().inspect().fadeLength, 400);

  button(IDC_RESET)->click();
  EXPECT_EQ(slider(IDC_FADE)->value(), 1000);
  EXPECT_EQ(instrument->granulator().inspect().fadeLength, 400);

  button(IDC_RUN)->click();
  EXPECT_EQ(runCaption(), "Run");
  EXPECT_TRUE(slider(IDC_FADE)->isEnabled());
  EXPECT_FALSE(g_running);
  button(IDC_RUN)->click();
  EXPECT_TRUE(g_running);
  dlg.reset();
  instrument.reset();
  EXPECT_FALSE(g_running);
  EXPECT_EQ(services.messages.size(), 1u);
}

TEST_F(PanelDlgTest, WindowIconIsTheMenuIconAtEveryThemeSizeAndNamesItsDesktopEntry) {
  EXPECT_EQ(QGuiApplication::desktopFileName(), "io.github.grainpanel.Grainpanel");
  const QList<QSize> sizes = {{16, 16}, {32, 32}, {48, 48}, {128, 128}, {256, 256}};
  ASSERT_EQ(QApplication::windowIcon().availableSizes(), sizes);
  ASSERT_EQ(dlg->windowIcon().availableSizes(), sizes);
  // Cells of the icon's 16-unit grid: the tile, a groove, the middle thumb over its groove, the
  // top grain, and the tile just below that grain.
  struct Cell {
    int x, y;
    QRgb colour;
  };
  const Cell cells[] = {{0, 0, qRgb(0x20, 0x28, 0x38)},
                        {3, 5, qRgb(0x70, 0x80, 0x98)},
                        {7, 4, qRgb(0xf0, 0xb0, 0x30)},
                        {14, 3, qRgb(0x60, 0xd0, 0xe0)},
                        {14, 4, qRgb(0x20, 0x28, 0x38)}};
  for (const QSize& size : sizes) {
    const QImage image = dlg->windowIcon().pixmap(size).toImage();
    ASSERT_EQ(image.size(), size);
    const int unit = size.width() / 16;
    for (const Cell& c : cells) {
      EXPECT_EQ(image.pixel(c.x * unit + unit / 2, c.y * unit + unit / 2), c.colour)
          << size.width() << " px, cell " << c.x << "," << c.y;
    }
  }
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
  for (const char* word : {"File...", "Run", "Reset", "Record", "Length", "Pitch", "Walk", "Method",
                           "Zero", "Location", "Fade", "Page Up", "Ctrl+R", "Enter"}) {
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

TEST_F(PanelDlgTest, PagesAndGrooveClicksMoveAFifthAndArrowsAndWheelNotchesAHundredth) {
  showAndSettle();
  QSlider* pitch = slider(IDC_PITCH1);
  QTest::keyClick(pitch, Qt::Key_PageUp);
  EXPECT_EQ(pitch->value(), 55000);
  QTest::keyClick(pitch, Qt::Key_PageDown);
  QTest::keyClick(pitch, Qt::Key_PageDown);
  EXPECT_EQ(pitch->value(), 95000);
  QTest::keyClick(pitch, Qt::Key_PageDown);
  EXPECT_EQ(pitch->value(), 100000);
  QTest::keyClick(pitch, Qt::Key_Up);
  EXPECT_EQ(pitch->value(), 99000);
  QTest::keyClick(pitch, Qt::Key_Home);
  EXPECT_EQ(pitch->value(), 0);
  QTest::keyClick(pitch, Qt::Key_End);
  EXPECT_EQ(pitch->value(), 100000);

  // Fade's 3999 positions: pages of 800 and steps of 40, and five pages from the top reach 4000.
  QSlider* fade = slider(IDC_FADE);
  QTest::keyClick(fade, Qt::Key_Down);
  EXPECT_EQ(fade->value(), 1040);
  QTest::keyClick(fade, Qt::Key_Home);
  for (int i = 0; i < 4; ++i) QTest::keyClick(fade, Qt::Key_PageDown);
  EXPECT_EQ(fade->value(), 3201);
  QTest::keyClick(fade, Qt::Key_PageDown);
  EXPECT_EQ(fade->value(), 4000);

  // A click in the groove above the thumb (Length 1 stands three quarters down) pages upward.
  QSlider* length = slider(IDC_LENGTH1);
  QTest::mouseClick(length, Qt::LeftButton, Qt::NoModifier, QPoint(length->width() / 2, 4));
  EXPECT_EQ(length->value(), 2200);

  // One notch away from the user moves the thumb up one hundredth, however many lines a notch
  // scrolls elsewhere; a fine wheel's parts add up to a notch.
  QApplication::setWheelScrollLines(3);
  QSlider* speed = slider(IDC_SPEED);
  auto turn = [speed](int delta) {
    QWheelEvent wheel(QPointF(5, 5), speed->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(speed, &wheel);
  };
  turn(120);
  EXPECT_EQ(speed->value(), 4900);
  turn(-240);
  EXPECT_EQ(speed->value(), 5100);
  turn(60);
  EXPECT_EQ(speed->value(), 5100);
  turn(60);
  EXPECT_EQ(speed->value(), 5000);
  settle();
  EXPECT_EQ(instrument->granulator().inspect().speed, 1.0f);
  EXPECT_EQ(instrument->granulator().inspect().lenMin, 1000);
  EXPECT_EQ(instrument->granulator().inspect().lenRange, 800);
}

TEST_F(PanelDlgTest, ReadoutFollowsTheMovedOrFocusedSliderAndEachTooltipSaysTheSame) {
  showAndSettle();
  EXPECT_EQ(readout(), "");
  EXPECT_EQ(tip(IDC_LENGTH1), "Length 1: 1000 samples (22.7 ms)");
  EXPECT_EQ(tip(IDC_PITCH2), "Pitch 2: rate 1 (0.0 semitones)");
  EXPECT_EQ(tip(IDC_SPREAD), "Spread: 0.00 % of the sound");

  // Length 1 moved up a page: the engine's hold range runs from Length 2's 1000 to 1800.
  QTest::keyClick(slider(IDC_LENGTH1), Qt::Key_PageUp);
  settle();
  EXPECT_EQ(readout(), "Length 1: 1800 samples (40.8 ms)");
  EXPECT_EQ(tip(IDC_LENGTH1), readout());
  EXPECT_EQ(instrument->granulator().inspect().lenMin, 1000);
  EXPECT_EQ(instrument->granulator().inspect().lenRange, 800);

  QTest::keyClick(slider(IDC_PITCH2), Qt::Key_PageUp);
  EXPECT_EQ(readout(), "Pitch 2: rate 0.2 (\u221227.9 semitones)");

  // The linked partner follows and its tooltip with it, but the line stays on the moved slider.
  button(IDC_LINKLENGTH)->click();
  QTest::keyClick(slider(IDC_LENGTH2), Qt::Key_PageDown);
  settle();
  EXPECT_EQ(readout(), "Length 2: 200 samples (4.54 ms)");
  EXPECT_EQ(tip(IDC_LENGTH1), "Length 1: 200 samples (4.54 ms)");
  button(IDC_LINKPITCH)->click();
  EXPECT_EQ(tip(IDC_PITCHWALK), "Walk: 0 % of the range per sample (none while Pitch is linked)");

  // The spread in seconds needs the sound: 1 % of 44 100 frames.
  slider(IDC_SPREAD)->setValue(750);
  services.choices.push_back(toneFile("second.wav", 44100));
  button(IDC_FILE)->click();
  EXPECT_EQ(tip(IDC_SPREAD), "Spread: 1.00 % of the sound (0.010 s)");

  dlg->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
  slider(IDC_ZERO)->setFocus();
  EXPECT_EQ(readout(), "Zero: 0.0 % of grains silent");
  button(IDC_RESET)->setFocus();
  EXPECT_EQ(readout(), "");

  // What an outside reader finds: the line by its name, its text as the description.
  QAccessibleInterface* line = QAccessible::queryAccessibleInterface(readoutLine());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->text(QAccessible::Name), "Readout");
  slider(IDC_ZERO)->setFocus();
  EXPECT_EQ(line->text(QAccessible::Description), "Zero: 0.0 % of grains silent");
  QAccessibleInterface* zero = QAccessible::queryAccessibleInterface(slider(IDC_ZERO));
  EXPECT_EQ(zero->text(QAccessible::Description), "Zero: 0.0 % of grains silent");
}

TEST_F(PanelDlgTest, LinkTogglesSayWhatTheyLinkAndKeepTheirEmptyCaptions) {
  for (const auto& [id, what] : {std::make_pair(IDC_LINKLENGTH, "Link the two Length sliders"),
                                 std::make_pair(IDC_LINKPITCH, "Link the two Pitch sliders")}) {
    QAbstractButton* toggle = button(id);
    EXPECT_EQ(toggle->toolTip().toStdString(), what);
    EXPECT_EQ(toggle->accessibleDescription().toStdString(), what);
    EXPECT_EQ(toggle->text(), "");
    EXPECT_FALSE(toggle->icon().isNull());
    EXPECT_LT(toggle->iconSize().width(), toggle->width());
    EXPECT_LT(toggle->iconSize().height(), toggle->height());
  }
}

TEST_F(PanelDlgTest, ADroppedFileLoadsAndPlaysAsFileDoesAndTheTitleNamesIt) {
  showAndSettle();
  EXPECT_EQ(title(), "Grainpanel");
  auto drag = [this](const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &enter);
    if (enter.isAccepted()) {
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(dlg.get(), &drop);
      settle();
    }
    return enter.isAccepted();
  };
  const QUrl tone = QUrl::fromLocalFile(QString::fromStdString(toneFile("tone.wav", 8820)));
  EXPECT_FALSE(drag({tone, tone}));
  EXPECT_FALSE(drag({QUrl("https://example.org/tone.wav")}));
  EXPECT_FALSE(g_running);

  ASSERT_TRUE(drag({tone}));
  EXPECT_TRUE(g_running);
  EXPECT_EQ(runCaption(), "Stop");
  EXPECT_EQ(instrument->transport().frameCount(), 8820);
  EXPECT_EQ(title(), "tone.wav \u2014 Grainpanel");

  const std::string stereo =
      dir.write("stereo.wav", testwav::headerBytes(testwav::consistentHeader(2, 16, 0)));
  ASSERT_TRUE(drag({QUrl::fromLocalFile(QString::fromStdString(stereo))}));
  EXPECT_EQ(services.messages, std::vector<std::string>{"Wrong file format"});
  EXPECT_FALSE(g_running);
  EXPECT_EQ(runCaption(), "Run");
  EXPECT_EQ(title(), "tone.wav \u2014 Grainpanel");

  services.choices.push_back(toneFile("other.wav", 4410));
  button(IDC_FILE)->click();
  EXPECT_EQ(title(), "other.wav \u2014 Grainpanel");
}

// The real boxes, inspected and closed from inside their own modal loops.
TEST(QtPanelServices, MessageHasOkAndCancelAndTheFileDialogOffersWaveFiles) {
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
  EXPECT_EQ(AppEnvironment::app->InitInstance(path), 0);
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
