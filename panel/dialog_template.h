// The panel's controls in template order (also the tab order), placed in dialog units.
#pragma once

#include "control_values.h"

enum class ControlKind { PushButton, Slider, GroupBox, CheckBox, LinkToggle };

constexpr int IDC_STATIC = -1;

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* caption;
  int x;
  int y;
  int width;
  int height;
  bool captionLeft;
};

constexpr int kDialogWidthDlu = 337;
constexpr int kDialogHeightDlu = 166;

// The Run button's caption is set at start-up; the link toggles carry none.
constexpr ControlTemplate kPanelTemplate[] = {
    {IDC_RUN, ControlKind::PushButton, "", 275, 10, 51, 20, false},
    {IDC_LENGTH1, ControlKind::Slider, "", 11, 15, 15, 130, false},
    {IDC_LENGTH2, ControlKind::Slider, "", 35, 15, 15, 130, false},
    {IDC_STATIC, ControlKind::GroupBox, "Length", 5, 5, 55, 155, false},
    {IDC_FILE, ControlKind::PushButton, "File...", 275, 34, 51, 20, false},
    {IDC_PITCH1, ControlKind::Slider, "", 71, 15, 15, 130, false},
    {IDC_PITCH2, ControlKind::Slider, "", 95, 15, 15, 130, false},
    {IDC_STATIC, ControlKind::GroupBox, "Pitch", 65, 5, 80, 155, false},
    {IDC_ZERO, ControlKind::Slider, "", 156, 15, 15, 130, false},
    {IDC_STATIC, ControlKind::GroupBox, "Zero", 150, 5, 25, 145, true},
    {IDC_PITCHWALK, ControlKind::Slider, "", 120, 15, 15, 130, false},
    {IDC_METHOD, ControlKind::CheckBox, "Method", 275, 60, 45, 10, false},
    {IDC_SPREAD, ControlKind::Slider, "", 186, 15, 15, 130, false},
    {IDC_SPEED, ControlKind::Slider, "", 210, 15, 15, 130, false},
    {IDC_STATIC, ControlKind::GroupBox, "Location", 180, 5, 55, 145, false},
    {IDC_RESET, ControlKind::PushButton, "Reset", 275, 75, 51, 20, false},
    {IDC_FADE, ControlKind::Slider, "", 246, 15, 19, 130, false},
    {IDC_STATIC, ControlKind::GroupBox, "Fade", 240, 5, 30, 145, false},
    {IDC_LINKPITCH, ControlKind::LinkToggle, "", 80, 145, 20, 10, false},
    {IDC_LINKLENGTH, ControlKind::LinkToggle, "", 20, 145, 20, 10, false},
};

// Pixels per 4 horizontal and per 8 vertical dialog units, taken from the dialog's font.
struct DialogBaseUnits {
  int x;
  int y;
};

// The average width of the 52 letters, rounded, as the window system measures a dialog font.
constexpr DialogBaseUnits baseUnitsOf(int lettersWidthPx, int fontHeightPx) {
  return {(lettersWidthPx / 26 + 1) / 2, fontHeightPx};
}

// Rounded to the nearest pixel, like the window system's own conversion.
constexpr int dluToPixelsX(int dlu, DialogBaseUnits units) {
  return (dlu * units.x + 2) / 4;
}
constexpr int dluToPixelsY(int dlu, DialogBaseUnits units) {
  return (dlu * units.y + 4) / 8;
}
