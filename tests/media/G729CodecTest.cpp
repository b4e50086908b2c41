// G.729 through the library: frame types, the received-frame mapping
// (word count, erasure) checked against direct library calls, and the
// silence descriptions of voice activity detection.
#include <gtest/gtest.h>

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "media/G729Codec.h"
#include "media/MediaTestSupport.h"

namespace zy {
namespace {

using Frame = std::array<int16_t, 80>;

double Energy(const Frame& f) {
  double e = 0;
  for (int16_t s : f) e += static_cast<double>(s) * s;
  return e / 80;
}

// Speech frames of the encoder, to give decoders a history.
std::vector<std::vector<uint8_t>> EncodedSpeech(size_t frames) {
  G729Codec enc;
  enc.Init(false);
  const std::vector<int16_t> speech = test::SpeechLike(frames * 80, 21);
  std::vector<std::vector<uint8_t>> out;
  for (size_t f = 0; f < frames; ++f) {
    uint8_t bytes[10];
    const size_t n = enc.Encode(&speech[f * 80], bytes);
    out.emplace_back(bytes, bytes + n);
  }
  return out;
}

TEST(G729CodecTest, FrameCounterRule) {
  EXPECT_EQ(G729Codec::NextFrameCounter(0), 1);
  EXPECT_EQ(G729Codec::NextFrameCounter(255), 256);
  EXPECT_EQ(G729Codec::NextFrameCounter(32766), 32767);
  EXPECT_EQ(G729Codec::NextFrameCounter(32767), 256);

  G729Codec c;
  c.Init(true);
  Frame silence{};
  uint8_t out[10];
  for (int i = 0; i < 5; ++i) c.Encode(silence.data(), out);
  EXPECT_EQ(c.FrameCounter(), 5);
  c.Init(true);
  EXPECT_EQ(c.FrameCounter(), 0);
}

TEST(G729CodecTest, WithoutVoiceActivityDetectionEveryFrameIsSpeech) {
  G729Codec c;
  c.Init(false);
  Frame silence{};
  uint8_t out[10];
  for (int i = 0; i < 200; ++i) ASSERT_EQ(c.Encode(silence.data(), out), 10u) << i;
}

// Speech, then a silent microphone, then speech: silence gives a 2-byte
// silence description and then mostly nothing.
TEST(G729CodecTest, VoiceActivityDetectionSuppressesSilence) {
  G729Codec c;
  c.Init(true);
  const std::vector<int16_t> speech = test::SpeechLike(8000, 4);
  uint8_t out[10];
  std::string types;
  auto encode = [&](const int16_t* samples) {
    const size_t n = c.Encode(samples, out);
    ASSERT_TRUE(n == 0 || n == 2 || n == 10) << n;
    types += n == 10 ? 'S' : n == 2 ? 'D' : '.';
  };
  for (size_t f = 0; f < 40; ++f) encode(&speech[4000 + f * 80]);
  Frame silence{};
  for (int f = 0; f < 100; ++f) encode(silence.data());
  const std::string quiet = types.substr(40);
  EXPECT_NE(quiet.find('D'), std::string::npos) << types;
  EXPECT_GE(std::count(quiet.begin(), quiet.end(), '.'), 80) << types;
  EXPECT_EQ(quiet.find('S', quiet.find('D')), std::string::npos) << types;
}

// Each received length is decoded exactly as the library decodes the frame
// type and erasure flag it stands for.
struct ReceivedCase {
  const char* name;
  std::vector<uint8_t> bytes;
  // What the library must be told.
  bool bits;
  size_t bitLength;
  uint8_t erased;
  uint8_t sid;
};

class G729ReceivedTest : public ::testing::TestWithParam<ReceivedCase> {};

TEST_P(G729ReceivedTest, MapsToTheLibraryFrameType) {
  const ReceivedCase& c = GetParam();
  const auto history = EncodedSpeech(30);
  G729Codec ours;
  ours.Init(false);
  std::unique_ptr<bcg729DecoderChannelContextStruct, void (*)(bcg729DecoderChannelContextStruct*)>
      ref(initBcg729DecoderChannel(), closeBcg729DecoderChannel);
  Frame a, b;
  for (const auto& h : history) {
    ours.Decode(h.data(), h.size(), a.data());
    bcg729Decoder(ref.get(), h.data(), 10, 0, 0, 0, b.data());
    ASSERT_EQ(a, b);
  }
  // The frame under test, then three untransmitted frames, which show the
  // comfort noise it set up.
  for (int k = 0; k < 4; ++k) {
    if (k == 0) {
      ours.Decode(c.bytes.data(), c.bytes.size(), a.data());
      bcg729Decoder(ref.get(), c.bits ? c.bytes.data() : nullptr, static_cast<uint8_t>(c.bitLength),
                    c.erased, c.sid, 0, b.data());
    } else {
      ours.Decode(nullptr, 0, a.data());
      bcg729Decoder(ref.get(), nullptr, 0, 0, 1, 0, b.data());
    }
    EXPECT_EQ(a, b) << c.name << " frame " << k;
  }
}

const std::vector<uint8_t> kSpeechBits = {0x3C, 0x91, 0x5A, 0x06, 0xE1,
                                          0x77, 0x20, 0x4B, 0x9D, 0x12};
const std::vector<uint8_t> kSid = {0xA6, 0x3C};  // L0 1, L1 9, L2 8, gain 30

INSTANTIATE_TEST_SUITE_P(
    Lengths, G729ReceivedTest,
    ::testing::Values(
        ReceivedCase{"speech", kSpeechBits, true, 10, 0, 0},
        ReceivedCase{"speechOddByte",
                     {0x3C, 0x91, 0x5A, 0x06, 0xE1, 0x77, 0x20, 0x4B, 0x9D, 0x12, 9},
                     true,
                     10,
                     0,
                     0},
        ReceivedCase{"erasedSpeech", std::vector<uint8_t>(10, 0), false, 0, 1, 0},
        ReceivedCase{"sidOneWord", kSid, true, 2, 0, 1},
        ReceivedCase{"sidOneWordOddByte", {0xA6, 0x3C, 0xFF}, true, 2, 0, 1},
        ReceivedCase{"sidTwoWords", {0xA6, 0x3C, 0x55, 0x55}, true, 2, 0, 1},
        ReceivedCase{"erasedSid", {0, 0}, false, 0, 1, 1},
        ReceivedCase{"threeWordsUntransmitted", {1, 2, 3, 4, 5, 6}, false, 0, 0, 1},
        ReceivedCase{"fourWordsUntransmitted", {1, 2, 3, 4, 5, 6, 7, 8}, false, 0, 0, 1},
        ReceivedCase{"erasedUntransmitted", std::vector<uint8_t>(8, 0), false, 0, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A received 2-byte silence description sets the comfort-noise level: two
// descriptions with different gains give different noise, and a 4-byte one
// carrying the same first 15 bits gives the same.
TEST(G729CodecTest, TwoByteSilenceDescriptionSetsTheComfortNoise) {
  const auto history = EncodedSpeech(30);
  auto noiseEnergy = [&](std::vector<uint8_t> sid) {
    G729Codec d;
    d.Init(false);
    Frame out;
    for (const auto& h : history) d.Decode(h.data(), h.size(), out.data());
    double energy = 0;
    for (int k = 0; k < 20; ++k) {
      d.Decode(sid.data(), sid.size(), out.data());
      if (k >= 10) energy += Energy(out);
    }
    return energy;
  };
  const double loud = noiseEnergy({0xA6, 0x3E});   // gain index 31
  const double quiet = noiseEnergy({0xA6, 0x02});  // gain index 1
  EXPECT_GT(loud, 20 * quiet);
  EXPECT_EQ(noiseEnergy({0xA6, 0x3E, 0x12, 0x34}), loud);
}

TEST(G729CodecTest, WithoutInitialisationNothingIsCodedAndNothingBreaks) {
  G729Codec c;
  Frame in{}, out;
  out.fill(5);
  uint8_t bytes[10];
  EXPECT_EQ(c.Encode(in.data(), bytes), 0u);
  c.Decode(kSpeechBits.data(), kSpeechBits.size(), out.data());
  EXPECT_EQ(out, Frame{});
}

}  // namespace
}  // namespace zy
