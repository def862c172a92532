// The text of the help box that F1 opens.
#pragma once

constexpr const char* kHelpText =
    "Grainpanel turns a 16-bit mono WAV file into an endless cloud of short grains.\n"
    "\n"
    "File...  choose a sound; it starts playing at once.\n"
    "Run / Stop  start or stop the sound.\n"
    "Reset  put every slider back where it started.\n"
    "\n"
    "Length (two sliders)  how long each grain lasts, picked at random between the two:\n"
    "    top 4000 samples (about 91 ms), bottom 0. The button below links the pair.\n"
    "Pitch (two sliders)  the playback-rate range of the grains: top -2 (backwards,\n"
    "    twice as fast), middle 0 (frozen), bottom +2 (twice as fast). Starts at +1,\n"
    "    the sound's own pitch. The button below links the pair.\n"
    "Walk (third slider under Pitch)  how fast the rate wanders inside that range:\n"
    "    top none, bottom fastest. With the Pitch pair linked it has no effect.\n"
    "Method  ticked: the two overlapping grains wander in rate each on its own;\n"
    "    not ticked: they share one rate.\n"
    "Zero  chance that a grain is silent: top always, bottom never.\n"
    "Location, left (spread)  how widely grain starts scatter around the reading place:\n"
    "    top none, bottom 1.3 % of the sound's length.\n"
    "Location, right (speed)  how fast the reading place moves through the sound:\n"
    "    top standing still, middle the sound's own speed, bottom twice as fast.\n"
    "Fade  crossfade between grains, top 1 sample to bottom 4000 samples (about 91 ms);\n"
    "    set it while stopped, it takes effect at the next Run.\n"
    "\n"
    "Escape or closing the window quits.";
