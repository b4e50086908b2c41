// Call-progress tones: oscillators, cadence timelines, levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "media/ToneGenerator.h"

namespace zy {
namespace {

struct Frame {
  bool sounding = false;
  int peak = 0;
};

// Frames of 80 samples as the audio engine makes them.
std::vector<Frame> Frames(ToneGenerator& g, uint16_t mode, int frames) {
  std::vector<Frame> out;
  for (int f = 0; f < frames; ++f) {
    g.AdvanceCadence();
    Frame fr;
    for (int i = 0; i < 80; ++i) {
      const int s = g.NextToneSample(mode);
      fr.sounding |= s != 0;
      fr.peak = std::max(fr.peak, std::abs(s));
    }
    out.push_back(fr);
  }
  return out;
}

// Runs of equal "sounding" state: (sounding, frames).
std::vector<std::pair<bool, int>> Runs(const std::vector<Frame>& frames) {
  std::vector<std::pair<bool, int>> runs;
  for (const Frame& f : frames) {
    if (runs.empty() || runs.back().first != f.sounding) runs.emplace_back(f.sounding, 0);
    ++runs.back().second;
  }
  return runs;
}

TEST(ToneGeneratorTest, RingTimelineAfterReset) {
  ToneGenerator g;
  g.ResetCadence();
  const auto runs = Runs(Frames(g, 0x0203, 2000));
  // 90 ms silence, 900 ms tone, 4 s silence, 1 s tone, 4 s silence; the
  // second cycle starts with a whole second of tone.
  const std::vector<std::pair<bool, int>> expected = {
      {false, 9},  {true, 90},   {false, 400}, {true, 100},  {false, 400},
      {true, 100}, {false, 400}, {true, 100},  {false, 400}, {true, 1}};
  EXPECT_EQ(runs, expected);
}

TEST(ToneGeneratorTest, HalfLevelToneOnlyInTheFirst600Ms) {
  ToneGenerator a, b;
  a.ResetCadence();
  const auto frames = Frames(a, 0x0210, 2000);
  for (int cycle = 0; cycle < 2; ++cycle) {
    for (int f = 0; f < 1000; ++f) {
      const int at = cycle * 1000 + f - 1;  // frame 10s-1 begins step s
      if (at < 0) continue;
      const int step = (f / 10) % 100;
      const bool on = step == 0 || step == 1 || step == 4 || step == 5;
      const bool expectOn = on && !(cycle == 0 && step == 0);
      EXPECT_EQ(frames[at].sounding, expectOn) << "cycle " << cycle << " frame " << f;
    }
  }
  // Half the level of the other tones.
  b.ResetCadence();
  const auto full = Frames(b, 0x020A, 100);
  int halfPeak = 0, fullPeak = 0;
  for (const Frame& f : frames) halfPeak = std::max(halfPeak, f.peak);
  for (const Frame& f : full) fullPeak = std::max(fullPeak, f.peak);
  EXPECT_NEAR(halfPeak * 2, fullPeak, 4);
}

// Each patterned tone over a whole cycle (from the second cycle, so step 0
// counts), as steps of 100 ms that sound.
TEST(ToneGeneratorTest, CadencesOverTheTenSecondCycle) {
  auto steps = [](std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<bool> on(100, false);
    for (auto [from, to] : ranges)
      for (int s = from; s <= to; ++s) on[s] = true;
    return on;
  };
  std::vector<bool> alternate(100), busy(100), fast(100);
  for (int s = 0; s < 100; ++s) {
    alternate[s] = s % 2 == 0;           // 100 on / 100 off
    busy[s] = s % 10 < 5;                // 500 on / 500 off
    fast[s] = s % 4 == 1 || s % 4 == 2;  // 200/200, the first step off
  }
  const std::vector<bool> triple = steps({{0, 3}, {5, 6}, {8, 9}, {50, 53}, {55, 56}, {58, 59}});
  const std::vector<bool> bursts = steps({{0, 1},
                                          {4, 5},
                                          {8, 9},
                                          {25, 26},
                                          {29, 30},
                                          {33, 34},
                                          {50, 51},
                                          {54, 55},
                                          {58, 59},
                                          {75, 76},
                                          {79, 80},
                                          {83, 84}});
  const std::vector<bool> longLast = steps({{0, 1}, {4, 5}, {8, 13}, {50, 51}, {54, 55}, {58, 63}});
  const std::vector<bool> twice = steps({{0, 1}, {4, 5}, {50, 51}, {54, 55}});
  const std::vector<bool> ring = steps({{0, 9}, {50, 59}});
  const std::vector<bool> once = steps({{0, 1}, {4, 5}});
  const std::vector<std::pair<uint16_t, const std::vector<bool>*>> cases = {
      {0x0202, &alternate}, {0x0203, &ring},   {0x0204, &busy},   {0x0205, &fast},
      {0x0207, &fast},      {0x0206, &triple}, {0x0208, &triple}, {0x0209, &bursts},
      {0x020C, &longLast},  {0x0210, &once},   {0x0211, &twice}};
  for (const auto& [mode, expected] : cases) {
    ToneGenerator g;
    g.ResetCadence();
    const auto frames = Frames(g, mode, 2000);
    for (int s = 0; s < 100; ++s) {
      const int firstFrame = 1000 + 10 * s - 1;
      for (int k = 0; k < 10; ++k) {
        ASSERT_EQ(frames[firstFrame + k].sounding, (*expected)[s])
            << std::hex << mode << std::dec << " step " << s;
      }
    }
  }
}

TEST(ToneGeneratorTest, ContinuousTonesSoundFromTheFirstSample) {
  for (uint16_t mode : {0x0201, 0x020A, 0x020B, 0x020D, 0x020E}) {
    ToneGenerator g;
    g.ResetCadence();
    g.AdvanceCadence();
    EXPECT_NE(g.NextToneSample(mode), 0) << std::hex << mode;
    const auto frames = Frames(g, mode, 1200);
    for (const Frame& f : frames) ASSERT_TRUE(f.sounding) << std::hex << mode;
  }
}

// 425 Hz and 350 Hz at a quarter of about 13000.
TEST(ToneGeneratorTest, OscillatorFrequenciesAndLevels) {
  for (auto [mode, hz] : {std::pair<uint16_t, int>{0x020A, 425}, {0x020D, 350}}) {
    ToneGenerator g;
    int crossings = 0, peak = 0, previous = 0;
    for (int n = 0; n < 8000; ++n) {
      const int s = g.NextToneSample(mode);
      if ((previous < 0 && s >= 0) || (previous >= 0 && s < 0)) ++crossings;
      previous = s;
      peak = std::max(peak, std::abs(s));
    }
    EXPECT_NEAR(crossings, 2 * hz, 2) << hz;
    EXPECT_NEAR(peak, 13000 / 4, 150) << hz;
  }
}

TEST(ToneGeneratorTest, UnknownAndSilentCodesKeepTheOscillatorsRunning) {
  for (uint16_t mode : {0x0000, 0x0001, 0x0200, 0x020F, 0x0212, 0xFFFF}) {
    ToneGenerator silent, reference;
    for (int n = 0; n < 1234; ++n) {
      ASSERT_EQ(silent.NextToneSample(mode), 0) << std::hex << mode;
      reference.NextToneSample(0x0201);
    }
    for (int n = 0; n < 200; ++n) {
      ASSERT_EQ(silent.NextToneSample(0x020A), reference.NextToneSample(0x020A));
    }
  }
}

TEST(ToneGeneratorTest, FirstSamplesFromTheStartValues) {
  ToneGenerator g;
  // y = coef*y1/16384 - y2: 4259 and 3528, then 8047 and 6790.
  EXPECT_EQ(g.NextToneSample(0x0201), ((4259 + 3528) / 2) >> 2);
  EXPECT_EQ(g.Osc1().y1, 4259);
  EXPECT_EQ(g.Osc2().y1, 3528);
  EXPECT_EQ(g.NextToneSample(0x020A), (30959 * 4259 / 16384) >> 2);
  EXPECT_EQ(g.NextToneSample(0x0210), 0) << "cadence not started: bit mask 0";
}

TEST(ToneGeneratorTest, RequestedResetTakesEffectAtTheNextFrame) {
  ToneGenerator g;
  g.ResetCadence();
  Frames(g, 0x0203, 345);
  ASSERT_NE(g.Step(), 0);
  g.RequestCadenceReset();
  EXPECT_NE(g.Step(), 0);
  const auto runs = Runs(Frames(g, 0x0203, 100));
  EXPECT_EQ(runs.front(), (std::pair<bool, int>{false, 9}));
  EXPECT_EQ(runs.at(1), (std::pair<bool, int>{true, 90}));
}

}  // namespace
}  // namespace zy
