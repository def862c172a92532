// The text of the help box that F1 opens. Each line "term<TAB>meaning" is a row of a two-column
// table; an empty line is a gap between groups of rows; a line without a tab is a paragraph.
#pragma once

constexpr const char* kHelpText =
    "Grainpanel turns a 16-bit mono WAV file into an endless cloud of short grains.\n"
    "\n"
    "File...\tChoose a sound and play it; dropping a WAV file on the panel does the same.\n"
    "Run / Stop\tStart or stop the sound.\n"
    "Reset\tPut every slider and Method back where they started.\n"
    "Record\tRecord what plays to a WAV file beside the sound.\n"
    "\n"
    "Length\tA grain lasts a random length between the two: top 4000 samples, bottom 0.\n"
    "Pitch\tThe range of rates between the two: top -2 (backwards), 0 (frozen), bottom +2.\n"
    "Walk\tThird Pitch slider: how fast the rate wanders in that range; none at the top.\n"
    "Links\tThe buttons under Length and Pitch move their two sliders together.\n"
    "Method\tTicked: the two overlapping grains wander in rate each on its own.\n"
    "Zero\tThe chance that a grain is silent: top always, bottom never.\n"
    "Location\tLeft: how widely grain starts scatter. Right: how fast the reading place moves.\n"
    "Fade\tCrossfade between grains, 1 to 4000 samples; it takes effect at the next Run.\n"
    "\n"
    "Page Up/Down\tMove the slider with the focus by a fifth of its range.\n"
    "Arrow keys\tMove it by a hundredth, as the mouse wheel does.\n"
    "Home, End\tMove it to its top, to its bottom.\n"
    "Ctrl+R\tRecord on or off.\n"
    "Ctrl+S, Ctrl+O\tSave the settings to a .grainpanel file; open one.\n"
    "Ctrl+Shift+C\tCopy the grainrender command that renders this Run.\n"
    "Right-click\tOn a slider, Method, Run/Stop or Record: learn or forget its MIDI control.\n"
    "Enter, Escape\tClose the panel; Enter on a push button presses the button.";
