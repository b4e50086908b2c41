// The echo suppressor's gain behaviour, watched sample by sample.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "media/EchoSuppressor.h"
#include "media/MediaTestSupport.h"

namespace zy {
namespace {

constexpr size_t kN = 80;

// With a constant near-full-scale microphone sample of 32767 the suppressor
// outputs gain - 1, so the gain of every sample can be read back.
class EchoGainTest : public ::testing::Test {
 protected:
  // Runs `frames` frames of a far-end square wave of `level`; returns the
  // gain applied to each sample.
  std::vector<int> Run(int16_t level, int frames) {
    std::vector<int> gains;
    for (int f = 0; f < frames; ++f) {
      std::array<int16_t, kN> played, captured;
      for (size_t i = 0; i < kN; ++i) {
        played[i] = static_cast<int16_t>(i % 2 ? level : -level);
        captured[i] = 32767;
      }
      es.Process(played.data(), captured.data(), kN);
      for (int16_t c : captured) gains.push_back(c + 1);
    }
    return gains;
  }

  EchoSuppressor es;
};

TEST_F(EchoGainTest, WarmUpKeepsFullGainForFourFrames) {
  const std::vector<int> warm = Run(30000, 4);
  for (int g : warm) ASSERT_EQ(g, 32512);
  EXPECT_EQ(es.Delay(), 0);
  EXPECT_EQ(es.FarFast(), 0);
}

// The gain falls by 128 per sample from 32512 to 256 (252 samples) while
// the far end dominates, and climbs back by 128 per sample once the
// decaying far-end level is below the near-end level. On the way back the
// far-end level may pass through the narrow band where it only slightly
// dominates; the gain then stands on the 8192 floor first (one jump) and
// climbs from there. Which happens depends on the levels.
struct RecoveryCase {
  int16_t farLevel;
  bool throughSlightFloor;
};

class EchoRecoveryTest : public EchoGainTest, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(EchoRecoveryTest, GainFallsBy128PerSampleTo256AndClimbsBack) {
  Run(GetParam().farLevel, 4);
  const std::vector<int> loud = Run(GetParam().farLevel, 12);
  size_t start = 0;
  while (start < loud.size() && loud[start] == 32512) ++start;
  ASSERT_LT(start, loud.size()) << "the gain never fell";
  for (size_t k = 0; k < 252; ++k) {
    ASSERT_EQ(loud[start + k], 32512 - 128 * static_cast<int>(k + 1)) << k;
  }
  for (size_t k = start + 252; k < loud.size(); ++k) ASSERT_EQ(loud[k], 256) << k;
  EXPECT_EQ(es.Delay(), 3) << "a loud far end moves the reference to the last frame";

  const std::vector<int> quiet = Run(0, 40);
  size_t rise = 0;
  while (rise < quiet.size() && quiet[rise] == 256) ++rise;
  ASSERT_LT(rise, quiet.size()) << "the gain never recovered";
  int from = 256;
  if (GetParam().throughSlightFloor) {
    ASSERT_EQ(quiet[rise], 8192);
    from = 8192;
    ++rise;
  }
  const size_t steps = static_cast<size_t>((32512 - from) / 128);
  for (size_t k = 0; k < steps; ++k) {
    ASSERT_EQ(quiet[rise + k], from + 128 * static_cast<int>(k + 1)) << k;
  }
  for (size_t k = rise + steps; k < quiet.size(); ++k) ASSERT_EQ(quiet[k], 32512) << k;
}

INSTANTIATE_TEST_SUITE_P(Levels, EchoRecoveryTest,
                         ::testing::Values(RecoveryCase{29000, false}, RecoveryCase{30000, true},
                                           RecoveryCase{16000, true}));

// Loud played audio and a quiet microphone: the gain reaches its deep floor;
// when the far end falls silent it comes back to full gain.
TEST(EchoSuppressorTest, QuietMicrophoneUnderLoudFarEnd) {
  EchoSuppressor es;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> mic(-300, 300);
  std::array<int16_t, kN> captured;
  int lowest = es.Gain();
  for (size_t f = 0; f < 60; ++f) {
    for (int16_t& c : captured) c = static_cast<int16_t>(mic(rng));
    std::array<int16_t, kN> played;
    for (size_t i = 0; i < kN; ++i) played[i] = static_cast<int16_t>(i % 2 ? 30000 : -30000);
    es.Process(played.data(), captured.data(), kN);
    lowest = std::min(lowest, es.Gain());
  }
  EXPECT_EQ(lowest, 256);
  EXPECT_EQ(es.Gain(), 256);
  std::array<int16_t, kN> silence{};
  for (size_t f = 0; f < 40; ++f) {
    for (int16_t& c : captured) c = static_cast<int16_t>(mic(rng));
    es.Process(silence.data(), captured.data(), kN);
  }
  EXPECT_EQ(es.Gain(), 32512);
}

// Near-end speech with a silent far end passes at full gain.
TEST(EchoSuppressorTest, NearEndAloneIsNotAttenuated) {
  EchoSuppressor es;
  const std::vector<int16_t> near = test::SpeechLike(8000, 9, 20000);
  std::array<int16_t, kN> silence{};
  for (size_t f = 0; f < near.size() / kN; ++f) {
    std::array<int16_t, kN> captured;
    std::copy_n(near.begin() + static_cast<long>(f * kN), kN, captured.begin());
    es.Process(silence.data(), captured.data(), kN);
    for (size_t i = 0; i < kN; ++i) {
      const int m = near[f * kN + i];
      ASSERT_EQ(captured[i], (m * 32512) >> 15) << f << ":" << i;
    }
  }
  EXPECT_EQ(es.Delay(), 0);
}

// Full-scale audio on both sides never lets the averages wrap.
TEST(EchoSuppressorTest, FullScaleKeepsTheAveragesInRange) {
  EchoSuppressor es;
  const int16_t extremes[] = {-32768, 32767};
  for (size_t f = 0; f < 200; ++f) {
    std::array<int16_t, kN> played, captured;
    for (size_t i = 0; i < kN; ++i) {
      played[i] = f < 100 ? int16_t{-32768} : extremes[(i + f) % 2];
      captured[i] = f < 100 ? int16_t{-32768} : extremes[i % 2];
    }
    es.Process(played.data(), captured.data(), kN);
    for (int32_t v : {es.FarFast(), es.FarSlow(), es.NearLevel()}) {
      ASSERT_GE(v, 0) << f;
      ASSERT_LE(v, int32_t{1} << 30) << f;
    }
    if (f == 99) {
      EXPECT_EQ(es.FarFast(), int32_t{1} << 30);
      EXPECT_EQ(es.FarSlow(), int32_t{1} << 30);
    }
  }
}

TEST(EchoSuppressorTest, ResetRestoresFullGainAndWarmUp) {
  EchoSuppressor es;
  std::array<int16_t, kN> played, captured;
  for (int f = 0; f < 10; ++f) {
    played.fill(20000);
    captured.fill(100);
    es.Process(played.data(), captured.data(), kN);
  }
  ASSERT_LT(es.Gain(), 32512);
  es.EchoReset();
  EXPECT_EQ(es.Gain(), 32512);
  EXPECT_EQ(es.Delay(), 0);
  EXPECT_EQ(es.NearLevel(), 0);
  // Warm-up again: no reference for four frames.
  for (int f = 0; f < 4; ++f) {
    played.fill(20000);
    captured.fill(1000);
    es.Process(played.data(), captured.data(), kN);
    EXPECT_EQ(captured[0], (1000 * 32512) >> 15);
    EXPECT_EQ(es.FarFast(), 0);
  }
  // Warm-up near level: the sum of the last 32 values of m*m/80.
  EXPECT_EQ(es.NearLevel(), 32 * (1000 * 1000 / 80));
}

TEST(EchoSuppressorTest, CountsAboveTheHistoryRoomAreCut) {
  EchoSuppressor es;
  std::vector<int16_t> played(400, 1000), captured(400, 1000);
  for (int f = 0; f < 6; ++f) es.Process(played.data(), captured.data(), 400);
  EXPECT_NE(captured[159], 1000);
  EXPECT_EQ(captured[200], 1000) << "samples past 160 are left alone";
}

}  // namespace
}  // namespace zy
