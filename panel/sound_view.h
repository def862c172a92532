// The plain geometry of the sound view: the waveform overview and where its marks fall.
#pragma once

#include <vector>

#include "granulator.h"

// The lowest and highest sample in one pixel column of the overview.
struct ColumnRange {
  float low;
  float high;
};

// Column c covers frames c * n / columns up to (c + 1) * n / columns, both rounded down, and at
// least the frame it starts at, so a sound shorter than the strip repeats frames across columns.
// Empty when there is no sound or no column.
std::vector<ColumnRange> overviewColumns(const float* samples, int frameCount, int columns);

// What the strip draws for one view, in whole pixels of a strip `width` wide and `height` high,
// frame p falling in column floor(p * width / frameCount). A view that moves nothing on screen
// gives equal marks and needs no redraw.
struct StripMarks {
  int locationX;
  // The spread window around the location, from its left column up to its right one; it may
  // run past either end of the strip, and the part outside belongs at the other end.
  int windowLeft;
  int windowRight;
  int headAX;
  int headBX;
  // Each head's gain as a share of the strip's height, rounded to the nearest pixel.
  int headAHeight;
  int headBHeight;

  bool operator==(const StripMarks& o) const;
  bool operator!=(const StripMarks& o) const { return !(*this == o); }
};

StripMarks marksOf(const Granulator::View& view, int width, int height);
