// The Qt panel on the offscreen platform: layout, the paint-driven binding, values set through the
// instrument, the buttons, the icon and dropped files. Sound runs through the real worker on SDL's
// dummy driver.
#include "panel_dlg.h"

#include "panel_dlg_fixture.h"

namespace {

using panel_fixture::AppEnvironment;
using panel_fixture::PaintCounter;
using panel_fixture::PanelDlgTest;

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
  EXPECT_EQ(g.settings().speed(), 0.0f);
  showAndSettle();
  EXPECT_EQ(g.settings().lenMin(), 1000);
  EXPECT_EQ(g.settings().zeroThreshold(), 32768);
  EXPECT_EQ(g.settings().speed(), 1.0f);

  slider(IDC_ZERO)->setValue(0);
  slider(IDC_SPREAD)->setValue(1000);
  settle();
  EXPECT_EQ(g.settings().zeroThreshold(), 0);
  EXPECT_EQ(g.settings().spread(), 0x1.b4e81cp-7f);  // 1000 / 75000
  button(IDC_METHOD)->click();
  EXPECT_EQ(g.settings().pitchMode(), PitchMode::kEachHeadWalks);
}

TEST_F(PanelDlgTest, LinkedLengthsFollowTheMovedSliderAndThePaintsSettle) {
  showAndSettle();
  button(IDC_LINKLENGTH)->click();
  slider(IDC_LENGTH2)->setValue(4000);
  settle();
  EXPECT_EQ(slider(IDC_LENGTH1)->value(), 4000);
  EXPECT_EQ(instrument->granulator().settings().lenMin(), 0);
  EXPECT_EQ(instrument->granulator().settings().lenRange(), 0);

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
  EXPECT_EQ(g.settings().lenMin(), 100);
  EXPECT_EQ(g.settings().lenRange(), 0);
  EXPECT_EQ(g.settings().zeroThreshold(), 16384);
  EXPECT_EQ(g.settings().spread(), 0x1.b4e81cp-7f);  // 1000 / 75000
  EXPECT_EQ(g.settings().speed(), 2.0f);
  EXPECT_EQ(g.settings().pitchMode(), PitchMode::kEachHeadWalks);

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
  EXPECT_EQ(g.voiceState().fadeLength, 4000);
}

TEST_F(PanelDlgTest, AControllerLearntFromTheMenuMovesTheHiddenSliderAndShowsInItsTooltip) {
  MidiControl midi(*instrument, dir.path() + "/midi-bindings");
  auto* menus = new CMidiMenus(*dlg, midi);
  // Chooses the menu's entry `row` once the menu is up.
  auto choose = [this](int row) {
    QTimer::singleShot(0, [row] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      EXPECT_EQ(menu->actions()[0]->text().toStdString(), "Learn MIDI control");
      EXPECT_EQ(menu->actions().back()->text().toStdString(), "Copy as grainrender Command");
      menu->actions()[row]->activate(QAction::Trigger);
      menu->close();
    });
    emit slider(IDC_SPEED)->customContextMenuRequested(QPoint(2, 2));
  };
  auto send = [&midi, menus](uint8_t number, uint8_t value) {
    const uint8_t cc[] = {0xB5, number, value};
    midi.input(MidiControl::kAlsaInput).receive(cc, 3);
    if (midi.drain())
      menus->showBindings();
  };
  choose(0);
  EXPECT_EQ(tip(IDC_SPEED),
            "Speed: 1 \u00d7 the sound's own speed\nMIDI: learning, move a control");
  send(7, 10);
  send(7, 0);
  EXPECT_EQ(slider(IDC_SPEED)->value(), 10000);
  EXPECT_EQ(tip(IDC_SPEED), "Speed: 2 \u00d7 the sound's own speed\nMIDI: CC 7");
  choose(1);
  send(7, 127);
  EXPECT_EQ(slider(IDC_SPEED)->value(), 10000);
  EXPECT_EQ(tip(IDC_SPEED), "Speed: 2 \u00d7 the sound's own speed");
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
  EXPECT_EQ(instrument->granulator().voiceState().fadeLength, 400);

  button(IDC_RESET)->click();
  EXPECT_EQ(slider(IDC_FADE)->value(), 1000);
  EXPECT_EQ(instrument->granulator().voiceState().fadeLength, 400);

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

TEST_F(PanelDlgTest, ASettingsFileNamedOrDroppedOpensAndCtrlShiftCCopiesTheRunsCommand) {
  showAndSettle();
  QStringList menu;
  for (QAction* action : dlg->actions()) {
    menu << action->text() + " " + action->shortcut().toString();
  }
  EXPECT_EQ(menu.join(", ").toStdString(),
            "Save Settings Ctrl+S, Open Settings... Ctrl+O, Copy as grainrender Command "
            "Ctrl+Shift+C");
  EXPECT_EQ(dlg->contextMenuPolicy(), Qt::ActionsContextMenu);
  toneFile("tone.wav", 8820);
  const std::string text = "sound = tone.wav\npitch1 = 60000\nseed = 5\n";
  dlg->OnDropFile(dir.write("a.grainpanel", {text.begin(), text.end()}));
  EXPECT_TRUE(g_running);
  EXPECT_EQ(slider(IDC_PITCH1)->value(), 60000);
  QTest::keyClick(dlg.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const std::string copied = QGuiApplication::clipboard()->text().toStdString();
  EXPECT_EQ(copied.rfind("grainrender '" + dir.pathOf("tone.wav") + "' out.wav --length1 3000", 0),
            0u);
  EXPECT_NE(copied.find("--pitch1 60000 "), std::string::npos);
  EXPECT_EQ(copied.substr(copied.size() - 9), " --seed 5");
}

}  // namespace
