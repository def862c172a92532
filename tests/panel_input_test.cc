// The Qt panel's sound view, keys, slider steps and readouts on the offscreen platform.
#include "panel_dlg.h"
#include "panel_dlg_fixture.h"

namespace {

using panel_fixture::AppEnvironment;
using panel_fixture::PaintCounter;
using panel_fixture::PanelDlgTest;

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
  EXPECT_EQ(instrument->granulator().settings().speed(), 1.0f);
  EXPECT_EQ(instrument->granulator().settings().lenMin(), 1000);
  EXPECT_EQ(instrument->granulator().settings().lenRange(), 800);
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
  EXPECT_EQ(instrument->granulator().settings().lenMin(), 1000);
  EXPECT_EQ(instrument->granulator().settings().lenRange(), 800);

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

  // With no slider followed, the line says what was converted to play the sound.
  ASSERT_TRUE(testwav::writeSound(dir.pathOf("kick.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2,
                                  48000, std::vector<int32_t>(9600)));
  services.convert = true;
  services.choices.push_back(dir.pathOf("kick.aiff"));
  button(IDC_FILE)->click();
  button(IDC_RESET)->setFocus();
  EXPECT_EQ(readout(), "kick.aiff: 48 000 Hz, stereo, 24-bit, converted");
  EXPECT_EQ(line->text(QAccessible::Description), readout().c_str());
}

}  // namespace
