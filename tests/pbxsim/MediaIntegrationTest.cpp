// The simulator's media peer over loopback UDP, played against a tiny RTP
// sender and receiver written here: echo, tone and file playback, the
// recorder's A-law and G.729 decoding, and the log of telephone events.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "Loopback.h"
#include "pbxsim/Media.h"

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

namespace pbxsim {
namespace {

using namespace test;

// A-law values as published with the standard's tables.
const std::pair<uint8_t, int16_t> kAlawTable[] = {
    {0xD5, 8},     {0x55, -8},     {0xD4, 24},  {0x54, -24},  {0x80, 5504}, {0x00, -5504},
    {0xAA, 32256}, {0x2A, -32256}, {0xFF, 848}, {0x7F, -848}, {0xC5, 264},  {0xE5, 1056},
};

// The tests' own A-law expansion, for looking at what the peer sends.
int16_t Expand(uint8_t code) {
  const int a = code ^ 0x55;
  const int exponent = (a >> 4) & 7;
  const int mantissa = a & 0x0F;
  const int magnitude =
      exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
  return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

// Power of a frequency in a block of samples (Goertzel).
double Power(const std::vector<int16_t>& x, double hz) {
  const double w = 2 * std::numbers::pi * hz / 8000;
  const double c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (int16_t v : x) {
    double s0 = v + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// Normalised correlation of `rec` against `ref` at the best lag up to maxLag.
double BestCorrelation(const std::vector<int16_t>& ref, const std::vector<int16_t>& rec,
                       size_t from, size_t count, size_t maxLag) {
  double best = -1;
  for (size_t lag = 0; lag <= maxLag; ++lag) {
    if (from + count + lag > rec.size() || from + count > ref.size()) break;
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = from; i < from + count; ++i) {
      double x = ref[i], y = rec[i + lag];
      xy += x * y;
      xx += x * x;
      yy += y * y;
    }
    if (xx > 0 && yy > 0) best = std::max(best, xy / std::sqrt(xx * yy));
  }
  return best;
}

Bytes EventPayload(uint8_t code, bool end, uint16_t duration) {
  return {code, uint8_t(end ? 0x80 : 0x00), uint8_t(duration >> 8), uint8_t(duration)};
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "/pbxsim-" + std::to_string(::getpid()) + "-" + name;
}

class MediaPeerTest : public ::testing::Test {
 protected:
  // Starts a peer that sends to `phone` until the phone's packets show it
  // another address.
  void Start(MediaMode mode, uint8_t c = codec::kG711) {
    cfg.mode = mode;
    cfg.codec = c;
    cfg.phoneAddress = "127.0.0.1";
    if (cfg.phonePort == 0) cfg.phonePort = phone.Port();
    peer = std::make_unique<MediaPeer>(cfg);
    ASSERT_TRUE(peer->Start());
    ASSERT_NE(peer->Port(), 0);
  }

  MediaReport WaitVoice(size_t packets) {
    return peer->WaitFor([&](const MediaReport& r) { return r.voicePackets >= packets; }, kWait);
  }

  void Send(const Bytes& packet) { phone.SendTo(peer->Port(), packet); }

  MediaPeerConfig cfg;
  UdpPeer phone;
  std::unique_ptr<MediaPeer> peer;
};

// ---------------------------------------------------------------- recorder

TEST_F(MediaPeerTest, RecorderExpandsALaw) {
  Start(MediaMode::kTone);  // the recorder runs whatever the mode
  Bytes codes;
  for (const auto& [code, value] : kAlawTable) codes.push_back(code);
  Send(RtpPacket(8, 1, 0, 7, true, codes));
  MediaReport r = WaitVoice(1);
  ASSERT_EQ(r.recording.size(), std::size(kAlawTable));
  for (size_t i = 0; i < std::size(kAlawTable); ++i) {
    EXPECT_EQ(r.recording[i], kAlawTable[i].second) << std::hex << int(kAlawTable[i].first);
  }
  // All 256 codes agree with the tests' own expansion.
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
  Send(RtpPacket(8, 2, std::size(kAlawTable), 7, false, all));
  r = WaitVoice(2);
  ASSERT_EQ(r.recording.size(), std::size(kAlawTable) + 256);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(r.recording[std::size(kAlawTable) + i], Expand(i)) << i;
}

TEST_F(MediaPeerTest, RecorderDecodesG729) {
  Start(MediaMode::kEcho);
  // A two-tone signal under a rising and falling envelope: only a decoder
  // that follows it correlates over the whole second.
  std::vector<int16_t> signal(8000);
  for (size_t n = 0; n < signal.size(); ++n) {
    double env = n < 4000 ? n / 4000.0 : (8000 - n) / 4000.0;
    double t = 2 * std::numbers::pi * n / 8000;
    signal[n] = int16_t(8000 * env * (std::sin(440 * t) + 0.5 * std::sin(1230 * t)) / 1.5);
  }
  bcg729EncoderChannelContextStruct* enc = initBcg729EncoderChannel(0);
  const size_t framesPerPacket = 2;
  size_t packets = 0;
  for (size_t f = 0; f + framesPerPacket <= signal.size() / 80; f += framesPerPacket) {
    Bytes payload;
    for (size_t k = 0; k < framesPerPacket; ++k) {
      uint8_t bits[10];
      uint8_t len = 0;
      bcg729Encoder(enc, signal.data() + (f + k) * 80, bits, &len);
      ASSERT_EQ(len, 10);
      payload.insert(payload.end(), bits, bits + len);
    }
    Send(RtpPacket(18, uint16_t(packets), uint32_t(f * 80), 9, packets == 0, payload));
    ++packets;
  }
  closeBcg729EncoderChannel(enc);
  MediaReport r = WaitVoice(packets);
  ASSERT_EQ(r.recording.size(), signal.size());
  EXPECT_GT(BestCorrelation(signal, r.recording, 800, 6000, 200), 0.8);
}

TEST_F(MediaPeerTest, TimestampGapsBecomeSilence) {
  Start(MediaMode::kEcho);
  Send(RtpPacket(8, 1, 1000, 7, true, Bytes(160, 0xAA)));
  Send(RtpPacket(8, 2, 1000 + 320, 7, false, Bytes(160, 0xAA)));  // 160 samples not sent
  MediaReport r = WaitVoice(2);
  ASSERT_EQ(r.recording.size(), 480u);
  EXPECT_EQ(r.recording[159], 32256);
  EXPECT_EQ(r.recording[160], 0);
  EXPECT_EQ(r.recording[319], 0);
  EXPECT_EQ(r.recording[320], 32256);
}

struct OddPacket {
  const char* name;
  Bytes bytes;
  size_t samples;  // recorded from it; 0 with `bad`
  bool bad;
};

Bytes WithCsrcAndPadding() {
  Bytes b = RtpPacket(8, 1, 0, 7, false, {});
  b[0] = 0x80 | 0x20 | 2;                 // padding, two contributing sources
  b.insert(b.end(), 8, 0x11);             // the sources
  b.insert(b.end(), {0xD5, 0xD5, 0xD5});  // payload
  b.insert(b.end(), {0x00, 0x00, 0x03});  // padding, its count last
  return b;
}

Bytes WithExtension(uint16_t words, size_t present) {
  Bytes b = RtpPacket(8, 1, 0, 7, false, {});
  b[0] |= 0x10;
  b.insert(b.end(), {0xBE, 0xDE, uint8_t(words >> 8), uint8_t(words)});
  b.insert(b.end(), present, 0x22);
  return b;
}

TEST_F(MediaPeerTest, OddAndBrokenPacketsAreReadWithinTheirLength) {
  Start(MediaMode::kEcho);
  const OddPacket cases[] = {
      {"too_short", {0x80, 0x08, 0x00}, 0, true},
      {"version_1",
       [] {
         Bytes b = RtpPacket(8, 1, 0, 7, false, {0xD5});
         b[0] = 0x40;
         return b;
       }(),
       0, true},
      {"unknown_payload_type", RtpPacket(0, 1, 0, 7, false, {0xFF}), 0, true},
      {"csrc_and_padding", WithCsrcAndPadding(), 3, false},
      {"padding_beyond_payload",
       [] {
         Bytes b = RtpPacket(8, 1, 0, 7, false, {0xD5, 0x09});
         b[0] |= 0x20;
         return b;
       }(),
       0, true},
      {"csrc_beyond_end",
       [] {
         Bytes b = RtpPacket(8, 1, 0, 7, false, {0xD5});
         b[0] |= 0x0F;
         return b;
       }(),
       0, true},
      {"extension_beyond_end", WithExtension(100, 8), 0, true},
      {"extension_then_payload",
       [] {
         Bytes b = WithExtension(1, 4);
         b.insert(b.end(), {0xD5, 0xD5});
         return b;
       }(),
       2, false},
      {"short_event", RtpPacket(101, 1, 0, 7, false, {5, 0x80}), 0, true},
  };
  size_t bad = 0, samples = 0, voice = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Send(c.bytes);
    bad += c.bad;
    samples += c.samples;
    voice += c.samples > 0;
    MediaReport r = peer->WaitFor(
        [&](const MediaReport& m) { return m.badPackets == bad && m.voicePackets == voice; },
        kWait);
    EXPECT_EQ(r.badPackets, bad);
    EXPECT_EQ(r.recording.size(), samples);
  }
  MediaReport r = peer->Report();
  EXPECT_EQ(r.received, std::size(cases));
  EXPECT_TRUE(r.events.empty());
}

TEST_F(MediaPeerTest, RecordingIsWrittenToAWavFileAtStop) {
  cfg.recordFile = TempPath("rec.wav");
  Start(MediaMode::kEcho);
  Send(RtpPacket(8, 1, 0, 7, true, {0xD5, 0x55, 0xAA, 0x2A}));
  WaitVoice(1);
  peer->Stop();
  MediaReport r = peer->Report();
  EXPECT_EQ(r.recordFile, cfg.recordFile);
  SF_INFO info{};
  SNDFILE* f = sf_open(cfg.recordFile.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(info.samplerate, 8000);
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
  std::vector<short> back(16);
  back.resize(static_cast<size_t>(sf_read_short(f, back.data(), 16)));
  sf_close(f);
  EXPECT_EQ(back, (std::vector<short>{8, -8, 32256, -32256}));
  std::remove(cfg.recordFile.c_str());
}

// ---------------------------------------------------------------- telephone events

TEST_F(MediaPeerTest, TelephoneEventsAreLoggedPerDigit) {
  cfg.eventPayloadType = 96;
  Start(MediaMode::kEcho);
  uint16_t seq = 0;
  auto digit = [&](uint8_t code, uint32_t ts, int endPackets) {
    for (uint16_t d = 0; d < 1280; d += 80)
      Send(RtpPacket(96, seq++, ts, 5, d == 0, EventPayload(code, false, d)));
    for (int i = 0; i < endPackets; ++i)
      Send(RtpPacket(96, seq++, ts, 5, false, EventPayload(code, true, 1280)));
  };
  digit(5, 1000, 3);
  digit(11, 5000, 3);
  digit(1, 9000, 0);  // its end packets were lost
  MediaReport r = peer->WaitFor([&](const MediaReport& m) { return m.eventPackets == seq; }, kWait);
  ASSERT_EQ(r.events.size(), 3u);
  const TelephoneEvent& five = r.events[0];
  EXPECT_EQ(five.Digit(), '5');
  EXPECT_EQ(five.timestamp, 1000u);
  EXPECT_TRUE(five.marker);
  EXPECT_EQ(five.packets, 19u);
  EXPECT_EQ(five.endPackets, 3u);
  EXPECT_EQ(five.duration, 1280);
  ASSERT_EQ(five.durations.size(), 19u);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(five.durations[i], i * 80);
  EXPECT_EQ(five.Describe(), "event 5 duration 1280 packets 19 end 3");
  EXPECT_EQ(r.events[1].Digit(), '#');
  EXPECT_EQ(r.events[1].endPackets, 3u);
  EXPECT_EQ(r.events[2].Digit(), '1');
  EXPECT_FALSE(r.events[2].Ended());
  EXPECT_EQ(r.events[2].duration, 1200);
  EXPECT_EQ(r.voicePackets, 0u) << "events are not voice";
}

// ---------------------------------------------------------------- what the peer sends

TEST_F(MediaPeerTest, EchoReturnsVoiceInItsOwnStreamToTheSender) {
  UdpPeer loginPort;  // where the login said; the phone sends from elsewhere
  cfg.phonePort = loginPort.Port();
  Start(MediaMode::kEcho);
  Send(RtpPacket(101, 50, 10, 0x11223344, true, EventPayload(3, false, 0)));  // not echoed
  for (uint16_t i = 0; i < 5; ++i) {
    Bytes payload(160, uint8_t(0x10 + i));
    Send(RtpPacket(8, uint16_t(100 + i), 1000 + 160u * i, 0x11223344, i == 0, payload));
  }
  std::optional<Rtp> first;
  for (uint16_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    auto back = phone.Receive();
    ASSERT_TRUE(back);
    if (!first) first = back;
    EXPECT_EQ(back->payloadType, 8);
    EXPECT_EQ(back->payload, Bytes(160, uint8_t(0x10 + i)));
    EXPECT_EQ(back->marker, i == 0);
    EXPECT_NE(back->ssrc, 0x11223344u);
    EXPECT_EQ(back->ssrc, first->ssrc);
    EXPECT_EQ(back->seq, uint16_t(first->seq + i));
    EXPECT_EQ(back->ts, first->ts + 160u * i);
    EXPECT_EQ(back->fromPort, peer->Port());
  }
  // The count may trail the packet it counts.
  MediaReport r = peer->WaitFor([](const MediaReport& m) { return m.sent >= 5; }, kWait);
  EXPECT_EQ(r.sent, 5u);
  EXPECT_EQ(r.peerPort, phone.Port());
}

TEST_F(MediaPeerTest, ToneGoesOutIn20msPacketsAndFollowsThePhone) {
  UdpPeer loginPort;
  cfg.phonePort = loginPort.Port();
  cfg.toneHz = 1000;
  cfg.toneLevel = 8000;
  Start(MediaMode::kTone);
  std::vector<int16_t> pcm;
  std::optional<Rtp> prev;
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    auto p = loginPort.Receive();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->payloadType, 8);
    ASSERT_EQ(p->payload.size(), 160u);
    if (prev) {
      EXPECT_EQ(p->seq, uint16_t(prev->seq + 1));
      EXPECT_EQ(p->ts, prev->ts + 160);
      EXPECT_FALSE(p->marker);
    } else {
      EXPECT_TRUE(p->marker);
    }
    prev = p;
    for (uint8_t b : p->payload) pcm.push_back(Expand(b));
  }
  EXPECT_GT(Power(pcm, 1000), 1000 * Power(pcm, 2000));
  int16_t peak = *std::max_element(pcm.begin(), pcm.end());
  EXPECT_NEAR(peak, 8000, 400);

  // Once the phone sends, the tone goes where its packets come from.
  Send(RtpPacket(8, 1, 0, 7, true, Bytes(160, 0xD5)));
  auto moved = phone.Receive();
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->ssrc, prev->ssrc);
}

TEST_F(MediaPeerTest, ToneInG729IsTwoFramesAPacket) {
  cfg.toneHz = 500;
  Start(MediaMode::kTone, codec::kG729);
  bcg729DecoderChannelContextStruct* dec = initBcg729DecoderChannel();
  std::vector<int16_t> pcm;
  for (int i = 0; i < 25; ++i) {
    auto p = phone.Receive();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->payloadType, 18);
    ASSERT_EQ(p->payload.size(), 20u);
    for (size_t f = 0; f < 2; ++f) {
      int16_t out[80];
      bcg729Decoder(dec, p->payload.data() + 10 * f, 10, 0, 0, 0, out);
      pcm.insert(pcm.end(), out, out + 80);
    }
  }
  closeBcg729DecoderChannel(dec);
  std::vector<int16_t> settled(pcm.begin() + 800, pcm.end());
  EXPECT_GT(Power(settled, 500), 100 * Power(settled, 1500));
}

TEST_F(MediaPeerTest, WavFilePlaysOverAndOver) {
  std::vector<int16_t> ramp(400);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = int16_t(i * 60 - 12000);
  cfg.playSamples = ramp;
  Start(MediaMode::kWav);
  std::vector<int16_t> pcm;
  while (pcm.size() < 960) {
    auto p = phone.Receive();
    ASSERT_TRUE(p);
    for (uint8_t b : p->payload) pcm.push_back(Expand(b));
  }
  for (size_t i = 0; i < pcm.size(); ++i) {
    int16_t want = ramp[i % ramp.size()];
    EXPECT_NEAR(pcm[i], want, std::abs(want) / 16 + 16) << i;
  }
}

// ---------------------------------------------------------------- WAV files

TEST(MediaWav, ReadsBackWhatItWritesAndRefusesOtherRates) {
  const std::string path = TempPath("rw.wav");
  std::string error;
  std::vector<int16_t> samples = {0, 1, -1, 32767, -32768};
  ASSERT_TRUE(WriteWav(path, samples, error)) << error;
  std::vector<int16_t> back;
  ASSERT_TRUE(ReadWav(path, back, error)) << error;
  EXPECT_EQ(back, samples);

  SF_INFO info{};
  info.samplerate = 16000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  short s[4] = {1, 2, 3, 4};
  sf_write_short(f, s, 4);
  sf_close(f);
  EXPECT_FALSE(ReadWav(path, back, error));
  EXPECT_NE(error.find("16000"), std::string::npos) << error;
  EXPECT_FALSE(ReadWav(path + ".missing", back, error));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace pbxsim
