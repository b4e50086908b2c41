// The jitter buffer as a table of puts and gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "media/JitterBuffer.h"

namespace zy {
namespace {

// Frames carry their sequence number in the first byte.
struct Feed {
  JitterBuffer jb;
  void Put(bool marker, uint32_t ts, uint8_t tag, size_t length = 80) {
    std::vector<uint8_t> bytes(length, tag);
    jb.JitterPut(marker, ts, bytes.data(), bytes.size());
  }
  // Tag of the frame played, -1 for an empty slot.
  int Get() {
    uint8_t out[80];
    const size_t n = jb.JitterGet(out);
    return n == 0 ? -1 : out[0];
  }
};

struct AnchorCase {
  const char* name;
  bool marker;
  uint32_t timestamp;
};

class JitterAnchorTest : public ::testing::TestWithParam<AnchorCase> {};

// A marked frame, or one whose timestamp matches no slot, comes out of the
// 13th get after it was filed.
TEST_P(JitterAnchorTest, AnchorPlaysOnThe13thGet) {
  Feed f;
  // Some history, so that the slots expect a stream elsewhere.
  f.Put(true, 1000, 1);
  for (int i = 0; i < 5; ++i) f.Get();
  f.Put(GetParam().marker, GetParam().timestamp, 42);
  for (int get = 1; get <= 12; ++get) EXPECT_NE(f.Get(), 42) << get;
  EXPECT_EQ(f.Get(), 42);
}

INSTANTIATE_TEST_SUITE_P(Cases, JitterAnchorTest,
                         ::testing::Values(AnchorCase{"marked", true, 1080},
                                           AnchorCase{"unmatched", false, 9999999},
                                           AnchorCase{"markedFarAway", true, 0x80000000u}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JitterBufferTest, StreamPlaysInOrderWithTwelveFramesDelay) {
  Feed f;
  std::vector<int> played;
  for (int i = 0; i < 40; ++i) {
    f.Put(i == 0, 160000 + 80u * static_cast<uint32_t>(i), static_cast<uint8_t>(i));
    played.push_back(f.Get());
  }
  for (int i = 0; i < 12; ++i) EXPECT_EQ(played[i], -1) << i;
  for (int i = 12; i < 40; ++i) EXPECT_EQ(played[i], i - 12) << i;
}

TEST(JitterBufferTest, ReorderedFramesWithinTheWindowPlayInOrder) {
  Feed f;
  std::vector<int> order(60);
  std::iota(order.begin(), order.end(), 0);
  std::mt19937 rng(3);
  // Shuffle within blocks of 6 (up to five frames early or late).
  for (size_t b = 6; b < order.size(); b += 6) {
    std::shuffle(order.begin() + static_cast<long>(b), order.begin() + static_cast<long>(b + 6),
                 rng);
  }
  std::vector<int> played;
  for (int k = 0; k < 60; ++k) {
    const int seq = order[k];
    f.Put(seq == 0, 80u * static_cast<uint32_t>(seq), static_cast<uint8_t>(seq));
    played.push_back(f.Get());
  }
  for (int i = 0; i < 12; ++i) played.push_back(f.Get());
  std::vector<int> expected(60);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(std::vector<int>(played.begin() + 12, played.end()), expected);
}

// Timestamps within 1 of the expected one find their slot; others go to
// slot readIndex (2 here).
TEST(JitterBufferTest, TimestampToleranceIsOne) {
  for (int delta : {-2, -1, 0, 1, 2}) {
    Feed f;
    f.Put(true, 800, 1);
    f.Get();
    f.Get();  // readIndex 2; slot 3 expects 1040
    f.Put(false, static_cast<uint32_t>(1040 + delta), 2);
    const bool placed = f.jb.SlotLength(3) == 80;
    EXPECT_EQ(placed, delta >= -1 && delta <= 1) << delta;
    EXPECT_EQ(f.jb.SlotLength(2) == 80, !placed) << delta;
  }
}

TEST(JitterBufferTest, ToleranceWrapsAroundTheTimestampRange) {
  Feed f;
  f.Put(true, 0xFFFFFFFFu - 240, 1);
  f.Get();
  f.Get();  // slot 3 expects 0xFFFFFFFF, slot 4 expects 79
  f.Put(false, 0, 2);
  EXPECT_EQ(f.jb.SlotLength(3), 80u);
  f.Put(false, 79, 3);
  EXPECT_EQ(f.jb.SlotLength(4), 80u);
  EXPECT_EQ(f.jb.SlotLength(2), 0u);
}

// A frame whose slot was already played matches nothing and re-anchors the
// stream at readIndex; the stream then plays on with the same delay.
TEST(JitterBufferTest, TooLateFrameReanchors) {
  Feed f;
  for (int i = 0; i < 20; ++i) {
    f.Put(i == 0, 80u * static_cast<uint32_t>(i), static_cast<uint8_t>(i));
    f.Get();
  }
  // Frame 5 long after its slot was played.
  f.Put(false, 80u * 5, 5);
  EXPECT_EQ(f.jb.SlotLength(f.jb.ReadIndex()), 80u);
  EXPECT_EQ(f.jb.SlotTimestamp(f.jb.ReadIndex()), 400u);
}

TEST(JitterBufferTest, ResetEmptiesSlotsButKeepsTheirTimestamps) {
  Feed f;
  f.Put(true, 500, 1);
  f.Get();
  f.Put(false, 580, 2);
  f.jb.JitterReset();
  EXPECT_EQ(f.jb.ReadIndex(), 0);
  for (int i = 0; i < JitterBuffer::kSlots; ++i) EXPECT_EQ(f.jb.SlotLength(i), 0u) << i;
  EXPECT_EQ(f.jb.SlotTimestamp(1), 580u);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(f.Get(), -1);
}

TEST(JitterBufferTest, LongFramesAreCutTo80Bytes) {
  Feed f;
  f.Put(true, 0, 7, 200);
  EXPECT_EQ(f.jb.SlotLength(0), 80u);
}

TEST(JitterBufferTest, ShortFramesKeepTheirLength) {
  Feed f;
  f.Put(true, 0, 7, 1);
  for (int i = 0; i < 12; ++i) f.Get();
  uint8_t out[80];
  EXPECT_EQ(f.jb.JitterGet(out), 1u);
}

}  // namespace
}  // namespace zy
