// The plain geometry of the sound view: the waveform overview and where its marks fall.
#include "sound_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

std::vector<ColumnRange> overviewColumns(const float* samples, int frameCount, int columns) {
  std::vector<ColumnRange> out;
  if (samples == nullptr || frameCount < 1 || columns < 1) {
    return out;
  }
  out.resize(columns);
  // Wide products: a long sound times a few hundred columns passes 2^31.
  for (int c = 0; c < columns; ++c) {
    const int begin = static_cast<int>(int64_t{c} * frameCount / columns);
    const int end = std::max(begin + 1, static_cast<int>(int64_t{c + 1} * frameCount / columns));
    const auto [low, high] = std::minmax_element(samples + begin, samples + end);
    out[c] = ColumnRange{*low, *high};
  }
  return out;
}

bool StripMarks::operator==(const StripMarks& o) const {
  return locationX == o.locationX && windowLeft == o.windowLeft && windowRight == o.windowRight &&
         headAX == o.headAX && headBX == o.headBX && headAHeight == o.headAHeight &&
         headBHeight == o.headBHeight;
}

StripMarks marksOf(const Granulator::View& view, int width, int height) {
  const double perFrame = static_cast<double>(width) / view.frameCount;
  auto column = [perFrame](double frame) { return static_cast<int>(std::floor(frame * perFrame)); };
  const double halfSpan = view.frameCount * static_cast<double>(view.spread) * 0.5;

  StripMarks m;
  m.locationX = column(view.location);
  m.windowLeft = m.locationX;
  m.windowRight = m.locationX;
  if (halfSpan > 0.0) {
    m.windowLeft = column(view.location - halfSpan);
    m.windowRight = static_cast<int>(std::ceil((view.location + halfSpan) * perFrame));
  }
  m.headAX = column(view.posA);
  m.headBX = column(view.posB);
  m.headAHeight = static_cast<int>(std::lround(view.gainA * static_cast<double>(height)));
  m.headBHeight = static_cast<int>(std::lround(view.gainB * static_cast<double>(height)));
  return m;
}
