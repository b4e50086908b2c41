// G.711 A-law: the fixed points, and agreement with an independent
// implementation (sox) over all codes and on a speech-like signal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/Alaw.h"
#include "media/MediaTestSupport.h"

namespace zy {
namespace {

namespace fs = std::filesystem;

static_assert(AlawEncode(0) == 0xD5);
static_assert(AlawEncode(-1) == 0x55);
static_assert(AlawDecode(0xD5) == 8);
static_assert(AlawDecode(0x55) == -8);

TEST(AlawTest, FixedPoints) {
  struct Case {
    int16_t sample;
    uint8_t code;
  };
  const Case cases[] = {
      {0, 0xD5},     {-1, 0x55},     {7, 0xD5},    {8, 0xD5},     {15, 0xD5},
      {16, 0xD4},    {-8, 0x55},     {-9, 0x55},   {-16, 0x55},   {-17, 0x54},
      {32767, 0xAA}, {-32768, 0x2A}, {4095, 0x9A}, {-4096, 0x1A},
  };
  for (const Case& c : cases) EXPECT_EQ(AlawEncode(c.sample), c.code) << c.sample;
}

TEST(AlawTest, EncodeOfEveryDecodedLevelGivesItsCodeBack) {
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(AlawEncode(AlawDecode(static_cast<uint8_t>(code))), code) << code;
  }
}

// Louder input never gives a lower level.
TEST(AlawTest, EncoderIsMonotonic) {
  int previous = -32768;
  for (int s = -32768; s <= 32767; ++s) {
    const int level = AlawDecode(AlawEncode(static_cast<int16_t>(s)));
    ASSERT_GE(level, previous) << s;
    previous = level;
  }
}

class SoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("sox --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "sox not installed";
    dir = fs::path(::testing::TempDir()) / ("zy_alaw_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
  static void Write(const fs::path& p, const void* data, size_t n) {
    std::ofstream(p, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
  }
  static std::vector<char> Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static int Run(const std::string& command) { return std::system(command.c_str()); }

  fs::path dir;
};

TEST_F(SoxTest, DecoderAgreesOnAll256Codes) {
  std::array<uint8_t, 256> codes;
  for (int i = 0; i < 256; ++i) codes[i] = static_cast<uint8_t>(i);
  Write(dir / "codes.al", codes.data(), codes.size());
  ASSERT_EQ(Run("sox -t al -r 8000 -c 1 " + (dir / "codes.al").string() +
                " -t raw -e signed -b 16 -L " + (dir / "levels.raw").string()),
            0);
  const std::vector<char> raw = Read(dir / "levels.raw");
  ASSERT_EQ(raw.size(), 512u);
  for (int i = 0; i < 256; ++i) {
    const auto lo = static_cast<uint8_t>(raw[2 * i]);
    const auto hi = static_cast<uint8_t>(raw[2 * i + 1]);
    const auto sox = static_cast<int16_t>(lo | (hi << 8));
    EXPECT_EQ(AlawDecode(static_cast<uint8_t>(i)), sox) << "code " << i;
  }
}

// sox rounds to the nearest level where this encoder truncates: on speech
// the two differ, but never by more than one neighbouring level.
TEST_F(SoxTest, EncoderDiffersFromSoxByAtMostOneNeighbouringCode) {
  const std::vector<int16_t> speech = test::SpeechLike(3 * 8000);
  std::vector<uint8_t> le(speech.size() * 2);
  for (size_t i = 0; i < speech.size(); ++i) {
    le[2 * i] = static_cast<uint8_t>(speech[i]);
    le[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(speech[i]) >> 8);
  }
  Write(dir / "speech.raw", le.data(), le.size());
  ASSERT_EQ(Run("sox -t raw -r 8000 -c 1 -e signed -b 16 -L " + (dir / "speech.raw").string() +
                " -t al " + (dir / "speech.al").string()),
            0);
  const std::vector<char> sox = Read(dir / "speech.al");
  ASSERT_EQ(sox.size(), speech.size());

  // Rank of each code among the 256 levels, lowest first.
  std::array<int, 256> order;
  for (int i = 0; i < 256; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [](int a, int b) {
    return AlawDecode(static_cast<uint8_t>(a)) < AlawDecode(static_cast<uint8_t>(b));
  });
  std::array<int, 256> rank;
  for (int r = 0; r < 256; ++r) rank[order[r]] = r;

  size_t differing = 0;
  std::array<bool, 8> segmentSeen{};
  for (size_t i = 0; i < speech.size(); ++i) {
    const uint8_t ours = AlawEncode(speech[i]);
    const auto theirs = static_cast<uint8_t>(sox[i]);
    segmentSeen[((ours ^ 0x55) >> 4) & 7] = true;
    if (ours == theirs) continue;
    ++differing;
    ASSERT_LE(std::abs(rank[ours] - rank[theirs]), 1)
        << "sample " << speech[i] << " ours " << int(ours) << " sox " << int(theirs);
  }
  EXPECT_GT(differing, speech.size() / 20) << "rounding and truncation should differ often";
  for (int s = 0; s < 8; ++s) EXPECT_TRUE(segmentSeen[s]) << "segment " << s << " unused";
}

}  // namespace
}  // namespace zy
