// The float to 16-bit conversion, one sample and many at a time, at values worked out by hand.
#include "pcm16.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct Case {
  float in;
  int16_t out;
};

// Products of 32767 truncated toward zero. 0.99999994f (the float below 1) gives 32766.998...,
// which a float product would round up to 32767; -3.0f / 32767.0f is a little above -3/32767,
// so its product -2.99999999... truncates to -2 (a float product would round to -3); 0.1f is
// 0.100000001..., giving 3276.70...
const Case kCases[] = {
    {0.0f, 0},
    {-0.0f, 0},
    {1.0f, 32767},
    {-1.0f, -32767},
    {1.5f, 32767},
    {-1.5f, -32767},
    {std::numeric_limits<float>::infinity(), 32767},
    {-std::numeric_limits<float>::infinity(), -32767},
    {std::numeric_limits<float>::quiet_NaN(), -32767},
    {0.5f, 16383},
    {-0.5f, -16383},
    {0.25f, 8191},
    {0.1f, 3276},
    {0.99999994f, 32766},
    {-0.99999994f, -32766},
    {1.0f / 32768.0f, 0},
    {-3.0f / 32767.0f, -2},
    {1.00000012f, 32767},
};

}  // namespace

TEST(Pcm16, OneSampleClampsScalesInDoubleAndTruncates) {
  for (const Case& c : kCases) {
    EXPECT_EQ(toPcm16(c.in), c.out) << c.in;
  }
}

TEST(Pcm16, ManyAtATimeGiveTheSameAnswerInEveryPosition) {
  const int n = static_cast<int>(std::size(kCases));
  // Every case passes through every lane of the eight-wide path and through the tail.
  for (int shift = 0; shift < 8; ++shift) {
    for (int length : {n, n + 5, 3 * n}) {
      std::vector<float> in(length + shift, 0.75f);
      std::vector<int16_t> expected(length + shift, 24575);
      for (int i = shift; i < length + shift; ++i) {
        in[i] = kCases[(i - shift) % n].in;
        expected[i] = kCases[(i - shift) % n].out;
      }
      std::vector<int16_t> out(length + shift + 1, 99);
      toPcm16(in.data(), out.data(), length + shift);
      EXPECT_EQ(out.back(), 99) << "nothing written past the end";
      out.pop_back();
      ASSERT_EQ(out, expected) << "shift " << shift << ", length " << length;
    }
  }
}
