// The media path: the open sequence of a call, EncodeAndSend and
// ReceiveAndDecode over a scripted socket, and the voice-cycle guard.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "media/Alaw.h"
#include "media/MediaPath.h"
#include "media/MediaTestSupport.h"

namespace zy {
namespace {

using test::Be32;
using test::Datagram;
using test::FakeNet;
using test::FakeRtpSocket;
using test::RtpPacket;

using Frame = std::array<int16_t, 80>;

constexpr MediaPeer kG711Peer{8, 30000, 0x0A000105, 101};
constexpr MediaPeer kG729Peer{kCodecG729, 30000, 0x0A000105, 96};

class MediaPathTest : public ::testing::Test {
 protected:
  MediaPathTest()
      : net(std::make_shared<FakeNet>()), path(std::make_unique<FakeRtpSocket>(net), generator) {
    path.SetTrace(trace.Sink());
  }

  SsrcGenerator generator;
  std::shared_ptr<FakeNet> net;
  MediaPath path;
  test::TraceLog trace;
};

TEST(MediaPeerTest, ReadFromTheLinkState) {
  LinkState state;
  state.mediaCodec = 1;
  state.mediaPeerPort = 31000;
  state.mediaPeerAddress = 0xC0A80001;
  state.eventPayloadType = 97;
  const MediaPeer peer = MediaPeerOf(state);
  EXPECT_EQ(peer.codec, 1);
  EXPECT_EQ(peer.port, 31000);
  EXPECT_EQ(peer.address, 0xC0A80001u);
  EXPECT_EQ(peer.eventPayloadType, 97);
}

// The first G.711 packet of a run, through the encoder.
TEST_F(MediaPathTest, FirstG711PacketOfARun) {
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  EXPECT_EQ(trace.lines, std::vector<std::string>{"\nRTP opened"});
  const std::vector<int16_t> speech = test::SpeechLike(160, 3);
  path.EncodeAndSend(speech.data(), 80);
  path.EncodeAndSend(speech.data() + 80, 80);
  ASSERT_EQ(net->sent.size(), 1u);
  const auto& p = net->sent[0].bytes;
  ASSERT_EQ(p.size(), 172u);
  const std::vector<uint8_t> header(p.begin(), p.begin() + 12);
  EXPECT_EQ(header, (std::vector<uint8_t>{0x80, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA0, 0x7A,
                                          0x8E, 0x27, 0x1E}));
  for (size_t i = 0; i < 160; ++i) ASSERT_EQ(p[12 + i], AlawEncode(speech[i])) << i;
  EXPECT_EQ(net->sent[0].peer, (RtpEndpoint{0x0A000105, 30000}));
  EXPECT_EQ(net->boundPort, 20000);
}

TEST_F(MediaPathTest, OpenSequence) {
  // Leftovers of an earlier call: a filed frame and a lowered gain.
  path.Jitter().JitterPut(true, 0, std::vector<uint8_t>(80, 1).data(), 80);
  Frame loud, mic;
  for (int f = 0; f < 12; ++f) {
    loud.fill(20000);
    mic.fill(50);
    path.Echo().Process(loud.data(), mic.data(), 80);
  }
  ASSERT_LT(path.Echo().Gain(), EchoSuppressor::kFullGain);

  MediaSettings settings;
  settings.rtpPort = 21000;
  settings.echoCanc = false;
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, settings), kRtpOpened);
  EXPECT_EQ(path.Jitter().SlotLength(0), 0u) << "the jitter buffer is reset before each open";
  EXPECT_LT(path.Echo().Gain(), EchoSuppressor::kFullGain) << "EchoCanc off: no reset";
  EXPECT_FALSE(path.G729().Initialised()) << "no G.729 set-up for a G.711 call";
  EXPECT_EQ(net->boundPort, 21000);
  EXPECT_EQ(path.Session().EventPayloadType(), 101);

  EXPECT_EQ(path.OpenCallMedia(kG729Peer, settings), kRtpAlreadyOpen);
  EXPECT_FALSE(path.G729().Initialised());
  EXPECT_EQ(trace.lines.size(), 1u);

  path.CloseCallMedia();
  settings.echoCanc = true;
  settings.vadEnable = true;
  ASSERT_EQ(path.OpenCallMedia(kG729Peer, settings), kRtpOpened);
  EXPECT_EQ(path.Echo().Gain(), EchoSuppressor::kFullGain);
  EXPECT_TRUE(path.G729().Initialised());
  EXPECT_TRUE(path.Session().IsG729());
  EXPECT_EQ(path.Session().EventPayloadType(), 96);
  EXPECT_EQ(trace.lines,
            (std::vector<std::string>{"\nRTP opened", "\nRTP closed", "\nRTP opened"}));
}

// An odd "RTP port" makes the call silent; the open sequence still runs.
TEST_F(MediaPathTest, OddRtpPortGivesASilentCall) {
  MediaSettings settings;
  settings.rtpPort = 20001;
  EXPECT_EQ(path.OpenCallMedia(kG711Peer, settings), kRtpOddPort);
  EXPECT_FALSE(path.IsRtpOpen());
  EXPECT_FALSE(path.TryVoiceCycle().has_value());
  EXPECT_EQ(net->openCalls, 0);
  EXPECT_EQ(trace.lines, std::vector<std::string>{"\nRTP opened"});
}

TEST_F(MediaPathTest, SymmetricSettingReachesTheSession) {
  MediaSettings settings;
  settings.symmetricRtp = false;
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, settings), kRtpOpened);
  net->incoming.push_back({RtpPacket(8, true, 0, 0, std::vector<uint8_t>(80, 0xD5)), {9, 9}});
  path.Session().RtpReceiveAll();
  EXPECT_EQ(path.Session().Remote(), (RtpEndpoint{0x0A000105, 30000}));
}

struct DecodeCase {
  const char* name;
  size_t length;  // bytes filed; 0 = nothing filed
  bool decoded;
};

class ReceiveAndDecodeTest : public MediaPathTest,
                             public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(ReceiveAndDecodeTest, G711) {
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  std::vector<uint8_t> bytes(GetParam().length);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x80 + i);
  if (!bytes.empty()) path.Jitter().JitterPut(true, 1000, bytes.data(), bytes.size());
  Frame out;
  for (int get = 0; get < 12; ++get) ASSERT_FALSE(path.ReceiveAndDecode(out.data()));
  out.fill(1234);
  EXPECT_EQ(path.ReceiveAndDecode(out.data()), GetParam().decoded);
  for (size_t i = 0; i < 80; ++i) {
    int16_t expected = 0;
    if (GetParam().decoded) expected = i < bytes.size() ? AlawDecode(bytes[i]) : int16_t{1234};
    ASSERT_EQ(out[i], expected) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Slots, ReceiveAndDecodeTest,
                         ::testing::Values(DecodeCase{"empty", 0, false},
                                           DecodeCase{"oneByte", 1, false},
                                           DecodeCase{"twoBytes", 2, true},
                                           DecodeCase{"half", 40, true},
                                           DecodeCase{"full", 80, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MediaPathTest, G729SlotOfTenZeroBytesIsDecodedAsErased) {
  ASSERT_EQ(path.OpenCallMedia(kG729Peer, {}), kRtpOpened);
  const std::vector<uint8_t> zeros(10, 0);
  path.Jitter().JitterPut(true, 0, zeros.data(), zeros.size());
  Frame out;
  for (int get = 0; get < 12; ++get) path.ReceiveAndDecode(out.data());
  EXPECT_TRUE(path.ReceiveAndDecode(out.data()));
}

TEST_F(MediaPathTest, EmptyCaptureAdvancesTheTimestampOnly) {
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  path.EncodeAndSend(nullptr, 0);
  EXPECT_TRUE(net->sent.empty());
  EXPECT_EQ(path.Session().MediaTimestamp(), 80u);
  const Frame f{};
  path.EncodeAndSend(f.data(), 200);  // more than a frame: 80 samples taken
  EXPECT_EQ(path.Session().PendingBytes(), 80u);
}

// G.729 with voice activity detection over the session: silence sends
// nothing while the timestamp runs on, a 2-byte silence description goes
// out at once without marker, the next speech packet has the marker.
TEST_F(MediaPathTest, G729SilenceSuppressionOnTheWire) {
  MediaSettings settings;
  settings.vadEnable = true;
  ASSERT_EQ(path.OpenCallMedia(kG729Peer, settings), kRtpOpened);
  const std::vector<int16_t> speech = test::SpeechLike(8000, 4);
  const Frame silence{};
  for (size_t f = 0; f < 40; ++f) path.EncodeAndSend(&speech[4000 + f * 80], 80);
  const size_t afterSpeech = net->sent.size();
  for (int f = 0; f < 100; ++f) path.EncodeAndSend(silence.data(), 80);
  EXPECT_EQ(path.Session().MediaTimestamp(), 140u * 80);
  std::vector<Datagram> quiet(net->sent.begin() + static_cast<long>(afterSpeech), net->sent.end());
  ASSERT_FALSE(quiet.empty());
  const auto& last = quiet.back().bytes;
  EXPECT_EQ((last.size() - 12) % 10, 2u) << "ends with a 2-byte silence description";
  EXPECT_EQ(last[1], 18) << "no marker";
  EXPECT_LT(quiet.size(), 6u) << "silence sends almost nothing";
  const uint32_t sidTimestamp = Be32(last, 4);

  for (size_t f = 0; f < 8; ++f) path.EncodeAndSend(&speech[4000 + f * 80], 80);
  ASSERT_GT(net->sent.size(), afterSpeech + quiet.size());
  const auto& next = net->sent[afterSpeech + quiet.size()].bytes;
  EXPECT_EQ(next[1], 0x80 | 18) << "the first speech packet after silence has the marker";
  EXPECT_GT(Be32(next, 4), sidTimestamp + 80 * 4);
}

// Encoded speech through packets and the jitter buffer of a second path
// decodes to the same speech (delayed by the buffer and the codec).
TEST(MediaPathLoopTest, G729SpeechSurvivesTheTrip) {
  SsrcGenerator g;
  auto txNet = std::make_shared<FakeNet>();
  auto rxNet = std::make_shared<FakeNet>();
  MediaPath tx(std::make_unique<FakeRtpSocket>(txNet), g);
  MediaPath rx(std::make_unique<FakeRtpSocket>(rxNet), g);
  tx.SetTrace({});
  rx.SetTrace({});
  ASSERT_EQ(tx.OpenCallMedia(kG729Peer, {}), kRtpOpened);
  ASSERT_EQ(rx.OpenCallMedia(kG729Peer, {}), kRtpOpened);
  const std::vector<int16_t> speech = test::SpeechLike(16000, 8);
  std::vector<int16_t> heard;
  for (size_t f = 0; f < speech.size() / 80; ++f) {
    tx.EncodeAndSend(&speech[f * 80], 80);
    for (auto& d : txNet->sent) rxNet->incoming.push_back(std::move(d));
    txNet->sent.clear();
    rx.Session().RtpReceiveAll();
    Frame out;
    rx.ReceiveAndDecode(out.data());
    heard.insert(heard.end(), out.begin(), out.end());
  }
  // Best alignment within 12..20 frames of delay.
  double best = 0;
  for (size_t lag = 12 * 80; lag <= 20 * 80; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t n = 4000; n + lag < heard.size(); ++n) {
      const double x = speech[n], y = heard[n + lag];
      xy += x * y;
      xx += x * x;
      yy += y * y;
    }
    best = std::max(best, xy / std::sqrt(xx * yy + 1));
  }
  EXPECT_GT(best, 0.6) << best;  // about 0.77; a misplaced or mangled frame gives near 0
}

TEST_F(MediaPathTest, VoiceCycleOnlyWithASocketAndOnlyOneAtATime) {
  EXPECT_FALSE(path.TryVoiceCycle().has_value());
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  auto cycle = path.TryVoiceCycle();
  ASSERT_TRUE(cycle.has_value());
  bool otherGotOne = true;
  std::thread other([&] { otherGotOne = path.TryVoiceCycle().has_value(); });
  other.join();
  EXPECT_FALSE(otherGotOne);
  const std::vector<int16_t> speech = test::SpeechLike(160, 3);
  cycle->DtmfStep();
  cycle->RtpReceiveAll();
  Frame out;
  EXPECT_FALSE(cycle->ReceiveAndDecode(out.data()));
  cycle->EncodeAndSend(speech.data(), 80);
  cycle->EncodeAndSend(speech.data() + 80, 80);
  EXPECT_EQ(net->sent.size(), 1u);
  cycle.reset();
  path.CloseCallMedia();
  EXPECT_FALSE(path.TryVoiceCycle().has_value());
}

TEST_F(MediaPathTest, DigitsGoInBandOnlyWithASocket) {
  EXPECT_EQ(path.QueueDtmfDigit(5), DtmfQueueResult::kNoSocket);
  ASSERT_EQ(path.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  EXPECT_EQ(path.QueueDtmfDigit(5), DtmfQueueResult::kQueued);
}

}  // namespace
}  // namespace zy
