// The RTP session against a scripted socket: packets byte for byte, the
// receive filing, telephone events and the guards around the buffers.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "media/MediaTestSupport.h"
#include "media/RtpSession.h"

namespace zy {
namespace {

using test::Be16;
using test::Be32;
using test::FakeNet;
using test::FakeRtpSocket;
using test::RtpPacket;

constexpr uint32_t kPeerAddress = 0x0A000105;  // 10.0.1.5
constexpr uint16_t kPeerPort = 30000;

class RtpSessionTest : public ::testing::Test {
 protected:
  RtpSessionTest()
      : net(std::make_shared<FakeNet>()),
        session(jitter, std::make_unique<FakeRtpSocket>(net), generator) {
    session.SetTrace(trace.Sink());
  }

  uint8_t Open(uint8_t codec = 0, uint16_t localPort = 20000) {
    return session.OpenRtp(localPort, kPeerPort, kPeerAddress, codec, 101);
  }
  void SendFrames(size_t count, size_t length, uint8_t fill = 0x11) {
    std::vector<uint8_t> frame(length, fill);
    for (size_t i = 0; i < count; ++i) session.RtpSendFrame(frame.data(), frame.size());
  }
  const std::vector<uint8_t>& Sent(size_t i) const { return net->sent.at(i).bytes; }
  static bool Marker(const std::vector<uint8_t>& p) { return (p[1] & 0x80) != 0; }

  SsrcGenerator generator;
  std::shared_ptr<FakeNet> net;
  JitterBuffer jitter;
  RtpSession session;
  test::TraceLog trace;
};

TEST(SsrcGeneratorTest, FirstSessionOfARunUsesTheSecondValue) {
  SsrcGenerator g;
  EXPECT_EQ(g.State(), 0u);
  EXPECT_EQ(g.Next(), 2531011u);     // the set-up value
  EXPECT_EQ(g.Next(), 0x1E278E7Au);  // goes out as 7A 8E 27 1E
  EXPECT_EQ(g.Next(), 0xD2F65B55u);
}

TEST_F(RtpSessionTest, FirstG711PacketOfARunIsByteExact) {
  ASSERT_EQ(Open(8), kRtpOpened);
  EXPECT_EQ(net->receiveBufferBytes, 332);
  EXPECT_EQ(net->boundPort, 20000);
  std::vector<uint8_t> first(80), second(80);
  for (int i = 0; i < 80; ++i) {
    first[i] = static_cast<uint8_t>(i);
    second[i] = static_cast<uint8_t>(0xFF - i);
  }
  session.RtpSendFrame(first.data(), 80);
  EXPECT_TRUE(net->sent.empty()) << "one frame does not fill a G.711 packet";
  session.RtpSendFrame(second.data(), 80);
  ASSERT_EQ(net->sent.size(), 1u);
  std::vector<uint8_t> expected = {0x80, 0x08, 0x00, 0x00, 0x00, 0x00,
                                   0x00, 0xA0, 0x7A, 0x8E, 0x27, 0x1E};
  expected.insert(expected.end(), first.begin(), first.end());
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(Sent(0), expected);
  EXPECT_EQ(net->sent[0].peer, (RtpEndpoint{kPeerAddress, kPeerPort}));

  SendFrames(2, 80);
  ASSERT_EQ(net->sent.size(), 2u);
  EXPECT_EQ(Be16(Sent(1), 2), 1);
  EXPECT_EQ(Be32(Sent(1), 4), 320u);
  EXPECT_EQ(session.LastTimestamp(), 320u);
}

TEST_F(RtpSessionTest, G729PacketCarriesFourFramesAndPayloadType18) {
  ASSERT_EQ(Open(kCodecG729), kRtpOpened);
  SendFrames(3, 10);
  EXPECT_TRUE(net->sent.empty());
  SendFrames(1, 10);
  ASSERT_EQ(net->sent.size(), 1u);
  EXPECT_EQ(Sent(0).size(), 12u + 40u);
  EXPECT_EQ(Sent(0)[1], 18);
  EXPECT_EQ(Be32(Sent(0), 4), 320u);
}

// Voice activity detection on: silence sends nothing while the timestamp
// runs on, a silence description goes out at once without marker, and the
// next speech packet carries the marker.
TEST_F(RtpSessionTest, SilenceSuppressionAndMarker) {
  ASSERT_EQ(Open(kCodecG729), kRtpOpened);
  SendFrames(4, 10);  // speech
  ASSERT_EQ(net->sent.size(), 1u);
  EXPECT_FALSE(Marker(Sent(0))) << "the first packet of a session has no marker";

  SendFrames(3, 0);  // suppressed silence
  EXPECT_EQ(net->sent.size(), 1u);
  EXPECT_EQ(session.MediaTimestamp(), 560u);

  SendFrames(1, 2, 0x5A);  // silence description
  ASSERT_EQ(net->sent.size(), 2u);
  const std::vector<uint8_t> sid = {0x80, 18,   0x00, 0x01, 0x00, 0x00, 0x02,
                                    0x80, 0x7A, 0x8E, 0x27, 0x1E, 0x5A, 0x5A};
  EXPECT_EQ(Sent(1), sid);
  SendFrames(2, 0);
  SendFrames(4, 10);
  ASSERT_EQ(net->sent.size(), 3u);
  EXPECT_TRUE(Marker(Sent(2)));
  EXPECT_EQ(Be32(Sent(2), 4), 1120u);
  SendFrames(4, 10);
  EXPECT_FALSE(Marker(Sent(3)));
}

TEST_F(RtpSessionTest, SilenceDescriptionFlushesPendingSpeechWithoutMarker) {
  ASSERT_EQ(Open(kCodecG729), kRtpOpened);
  SendFrames(2, 10, 0x01);
  SendFrames(1, 2, 0x02);
  ASSERT_EQ(net->sent.size(), 1u);
  EXPECT_EQ(Sent(0).size(), 12u + 22u);
  EXPECT_FALSE(Marker(Sent(0)));
  EXPECT_EQ(Be32(Sent(0), 4), 240u);
  EXPECT_EQ(Sent(0)[12 + 20], 0x02);
}

TEST_F(RtpSessionTest, OpenResults) {
  EXPECT_EQ(Open(0, 20001), kRtpOddPort);
  EXPECT_FALSE(session.IsSessionOpen());
  EXPECT_EQ(net->openCalls, 0);
  EXPECT_EQ(generator.State(), 2531011u) << "an odd port changes nothing";

  ASSERT_EQ(Open(), kRtpOpened);
  EXPECT_TRUE(session.IsRtpOpen());
  EXPECT_EQ(Open(), kRtpAlreadyOpen);
  EXPECT_EQ(net->openCalls, 1);
  EXPECT_EQ(session.Ssrc(), 0x1E278E7Au);
  session.CloseRtp();
  EXPECT_FALSE(session.IsRtpOpen());
  ASSERT_EQ(Open(), kRtpOpened);
  EXPECT_EQ(session.Ssrc(), 0xD2F65B55u) << "each open takes the next value";
}

// A socket that cannot be bound leaves the session open without a socket:
// the call stays silent until CloseRtp.
TEST_F(RtpSessionTest, SocketFailureKeepsTheSessionOpenAndSilent) {
  net->failOpen = true;
  EXPECT_EQ(Open(), kRtpSocketFailed);
  EXPECT_TRUE(session.IsSessionOpen());
  EXPECT_FALSE(session.IsRtpOpen());
  SendFrames(4, 80);
  const uint8_t event[4] = {5, 0, 0, 0};
  EXPECT_FALSE(session.RtpSendEvent(event, true, 0));
  EXPECT_EQ(session.QueueDtmfDigit(5), DtmfQueueResult::kNoSocket);
  EXPECT_TRUE(net->sent.empty());
  EXPECT_EQ(session.MediaTimestamp(), 0u);
  EXPECT_EQ(Open(), kRtpAlreadyOpen);

  session.CloseRtp();
  EXPECT_EQ(trace.lines, std::vector<std::string>{"\nRTP closed"});
  net->failOpen = false;
  EXPECT_EQ(Open(), kRtpOpened);
}

TEST_F(RtpSessionTest, CloseTracesOnlyAnOpenSession) {
  session.CloseRtp();
  EXPECT_TRUE(trace.lines.empty());
  ASSERT_EQ(Open(), kRtpOpened);
  session.CloseRtp();
  session.CloseRtp();
  EXPECT_EQ(trace.lines, std::vector<std::string>{"\nRTP closed"});
  EXPECT_FALSE(net->open);
}

TEST_F(RtpSessionTest, SymmetricRtpRedirectsEvenForADroppedDatagram) {
  ASSERT_EQ(Open(8), kRtpOpened);
  const RtpEndpoint newSource{0xC0A80107, 41000};
  net->incoming.push_back({RtpPacket(101, false, 0, 0, {1, 0, 0, 0}), newSource});
  session.RtpReceiveAll();
  EXPECT_EQ(session.Remote(), newSource);
  EXPECT_EQ(jitter.SlotLength(0), 0u) << "telephone events are not filed";
  SendFrames(2, 80);
  ASSERT_EQ(net->sent.size(), 1u);
  EXPECT_EQ(net->sent[0].peer, newSource);
}

TEST_F(RtpSessionTest, WithoutSymmetricRtpTheRemoteStays) {
  session.SetSymmetricRtp(false);
  ASSERT_EQ(Open(8), kRtpOpened);
  net->incoming.push_back({RtpPacket(8, false, 0, 0, std::vector<uint8_t>(160, 1)), {1, 2}});
  session.RtpReceiveAll();
  EXPECT_EQ(session.Remote(), (RtpEndpoint{kPeerAddress, kPeerPort}));
}

TEST_F(RtpSessionTest, ReceivedPayloadIsCutIntoFramesWithRunningTimestamps) {
  ASSERT_EQ(Open(8), kRtpOpened);
  // Anchor the stream so that the three frames find three expected slots.
  const uint32_t t = 48000;
  jitter.JitterPut(true, t - 80, std::vector<uint8_t>(80, 0).data(), 80);
  uint8_t out[80];
  jitter.JitterGet(out);  // slots 1, 2, 3 now expect t, t+80, t+160

  std::vector<uint8_t> payload(240);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i / 80 + 1);
  net->incoming.push_back({RtpPacket(8, false, 9, t, payload), {kPeerAddress, kPeerPort}});
  session.RtpReceiveAll();
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(jitter.SlotLength(1 + k), 80u) << k;
    EXPECT_EQ(jitter.SlotTimestamp(1 + k), t + 80u * static_cast<uint32_t>(k)) << k;
  }
  EXPECT_EQ(jitter.SlotLength(4), 0u);
}

TEST_F(RtpSessionTest, MarkedTwoFramePacketLeavesOnlyItsSecondFrame) {
  ASSERT_EQ(Open(8), kRtpOpened);
  std::vector<uint8_t> payload(160, 0xAA);
  std::fill(payload.begin() + 80, payload.end(), 0xBB);
  net->incoming.push_back({RtpPacket(8, true, 0, 777000, payload), {kPeerAddress, kPeerPort}});
  session.RtpReceiveAll();
  uint8_t out[80];
  for (int get = 1; get <= 12; ++get) EXPECT_EQ(jitter.JitterGet(out), 0u) << get;
  ASSERT_EQ(jitter.JitterGet(out), 80u);
  EXPECT_EQ(out[0], 0xBB);
  for (int get = 0; get < 24; ++get) EXPECT_EQ(jitter.JitterGet(out), 0u);
}

// The receive buffer holds 333 bytes; a longer datagram is dropped whole
// and the next one is still read.
TEST_F(RtpSessionTest, OversizedAndRuntDatagramsAreDropped) {
  ASSERT_EQ(Open(8), kRtpOpened);
  const RtpEndpoint peer{kPeerAddress, kPeerPort};
  net->incoming.push_back({RtpPacket(8, true, 0, 100, std::vector<uint8_t>(400, 0xEE)), peer});
  net->incoming.push_back({{0x80, 0x88, 0, 1, 0, 0, 0, 9}, peer});  // 8 bytes
  net->incoming.push_back({RtpPacket(8, true, 2, 5000, std::vector<uint8_t>(321, 0x33)), peer});
  session.RtpReceiveAll();
  EXPECT_EQ(net->reads, 3);
  // 333 bytes: four whole frames and one byte; the last, marker-less
  // frames matched no slot and replaced each other at slot 0.
  EXPECT_EQ(jitter.SlotLength(0), 1u);
  EXPECT_EQ(jitter.SlotTimestamp(0), 5000u + 4 * 80);
}

TEST_F(RtpSessionTest, EmptyDatagramEndsTheReceiveLoopForThisCycle) {
  ASSERT_EQ(Open(8), kRtpOpened);
  const RtpEndpoint peer{kPeerAddress, kPeerPort};
  net->incoming.push_back({{}, {7, 7}});
  net->incoming.push_back({RtpPacket(8, true, 0, 80, std::vector<uint8_t>(80, 1)), peer});
  session.RtpReceiveAll();
  EXPECT_EQ(net->incoming.size(), 1u);
  EXPECT_EQ(session.Remote(), peer) << "an empty read redirects nothing";
  session.RtpReceiveAll();
  EXPECT_EQ(jitter.SlotLength(0), 80u);
}

TEST_F(RtpSessionTest, AFloodIsReadAtMost32DatagramsPerCall) {
  ASSERT_EQ(Open(8), kRtpOpened);
  for (int i = 0; i < 40; ++i) {
    net->incoming.push_back({RtpPacket(0, false, 0, 0, {}), {kPeerAddress, kPeerPort}});
  }
  session.RtpReceiveAll();
  EXPECT_EQ(net->incoming.size(), 8u);
}

// Frames shorter than 80 bytes (a partly filled capture buffer) add up past
// the 162-byte payload area: the pending packet goes out first.
TEST_F(RtpSessionTest, ShortFramesNeverOverflowThePayloadArea) {
  ASSERT_EQ(Open(8), kRtpOpened);
  SendFrames(3, 79);
  ASSERT_EQ(net->sent.size(), 1u);
  EXPECT_EQ(Sent(0).size(), 12u + 158u);
  EXPECT_EQ(Be32(Sent(0), 4), 160u);
  EXPECT_EQ(session.PendingBytes(), 79u);
  SendFrames(2, 79);
  ASSERT_EQ(net->sent.size(), 2u);
  EXPECT_EQ(Sent(1).size(), 12u + 158u);
  EXPECT_EQ(Be32(Sent(1), 4), 320u);

  SendFrames(1, 500);  // more than the whole area: the excess is dropped
  ASSERT_EQ(net->sent.size(), 4u);
  EXPECT_EQ(Sent(2).size(), 12u + 79u);
  EXPECT_EQ(Be32(Sent(2), 4), 400u);
  EXPECT_EQ(Sent(3).size(), 12u + 162u);
  EXPECT_EQ(Be32(Sent(3), 4), 480u);
  for (const auto& d : net->sent) EXPECT_LE(d.bytes.size(), 12u + 162u);
}

// Digit 5: 16 event packets (durations 0..1200, marker on the first), then
// three end packets with 1280, then 21 silent steps.
TEST_F(RtpSessionTest, DigitFiveEventSequence) {
  ASSERT_EQ(Open(8), kRtpOpened);
  SendFrames(3, 80);  // voice before: timestamp 240, one frame pending
  ASSERT_EQ(net->sent.size(), 1u);
  net->sent.clear();
  ASSERT_EQ(session.QueueDtmfDigit(5), DtmfQueueResult::kQueued);

  std::vector<size_t> sentPerStep;
  for (int step = 0; step < 60; ++step) {
    const size_t before = net->sent.size();
    session.DtmfStep();
    sentPerStep.push_back(net->sent.size() - before);
  }
  ASSERT_EQ(net->sent.size(), 19u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(sentPerStep[i], 1u) << i;
  EXPECT_EQ(sentPerStep[16], 3u);
  for (int i = 17; i < 60; ++i) EXPECT_EQ(sentPerStep[i], 0u) << i;

  for (size_t i = 0; i < 19; ++i) {
    const auto& p = Sent(i);
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(p[0], 0x80);
    EXPECT_EQ(p[1] & 0x7F, 101);
    EXPECT_EQ(Marker(p), i == 0) << i;
    EXPECT_EQ(Be16(p, 2), 1 + i) << "events share the voice sequence";
    EXPECT_EQ(Be32(p, 4), 240u) << "the media timestamp of the first step";
    EXPECT_EQ(p[12], 5);
    EXPECT_EQ(p[13], i < 16 ? 0x00 : 0x80) << i;
    EXPECT_EQ(Be16(p, 14), i < 16 ? 80 * i : 1280) << i;
  }
  // The pending voice frame was left intact by the event packets.
  SendFrames(1, 80, 0x22);
  ASSERT_EQ(net->sent.size(), 20u);
  EXPECT_EQ(Sent(19).size(), 172u);
  EXPECT_EQ(Be16(Sent(19), 2), 20);
  EXPECT_EQ(Sent(19)[12], 0x11);
  EXPECT_EQ(Sent(19)[12 + 80], 0x22);
}

TEST_F(RtpSessionTest, NextDigitStartsAfterThe210MsPause) {
  ASSERT_EQ(Open(8), kRtpOpened);
  session.QueueDtmfDigit(1);
  session.QueueDtmfDigit(11);
  int firstOfSecond = -1;
  for (int step = 0; step < 80 && firstOfSecond < 0; ++step) {
    const size_t before = net->sent.size();
    session.DtmfStep();
    if (net->sent.size() > before && net->sent.back().bytes[12] == 11) firstOfSecond = step;
  }
  EXPECT_EQ(firstOfSecond, 17 + 21);
}

TEST_F(RtpSessionTest, DigitRingHoldsFiftyDigitsAndRefusesMore) {
  EXPECT_EQ(session.QueueDtmfDigit(1), DtmfQueueResult::kNoSocket);
  ASSERT_EQ(Open(8), kRtpOpened);
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(session.QueueDtmfDigit(static_cast<uint8_t>(i % 12)), DtmfQueueResult::kQueued) << i;
  }
  EXPECT_EQ(session.QueueDtmfDigit(9), DtmfQueueResult::kRingFull);
  EXPECT_EQ(session.DtmfReadPosition(), session.DtmfWritePosition());
  // One digit and its pause sent: room for exactly one more.
  for (int step = 0; step < 17 + 21; ++step) session.DtmfStep();
  EXPECT_EQ(session.DtmfReadPosition(), 2u);
  EXPECT_EQ(session.QueueDtmfDigit(9), DtmfQueueResult::kQueued);
  EXPECT_EQ(session.QueueDtmfDigit(9), DtmfQueueResult::kRingFull);
  // Every queued digit still goes out in order, none overwritten.
  std::vector<uint8_t> digits;
  for (int step = 0; step < 51 * 38 + 5; ++step) {
    const size_t before = net->sent.size();
    session.DtmfStep();
    if (net->sent.size() > before && Marker(net->sent.back().bytes)) {
      digits.push_back(net->sent.back().bytes[12]);
    }
  }
  ASSERT_EQ(digits.size(), 50u);
  for (int i = 0; i < 49; ++i) EXPECT_EQ(digits[i], (i + 1) % 12) << i;
  EXPECT_EQ(digits[49], 9);
}

// A call that ends in the middle of a digit hands nothing to the next call:
// its first digit starts at duration 0 with the marker and a fresh timestamp.
TEST_F(RtpSessionTest, ReopenStartsTheFirstDigitAfresh) {
  ASSERT_EQ(Open(8), kRtpOpened);
  session.QueueDtmfDigit(3);
  for (int step = 0; step < 5; ++step) session.DtmfStep();
  session.CloseRtp();
  ASSERT_EQ(Open(8), kRtpOpened);
  SendFrames(1, 80);
  net->sent.clear();
  session.QueueDtmfDigit(4);
  session.DtmfStep();
  ASSERT_EQ(net->sent.size(), 1u);
  EXPECT_TRUE(Marker(Sent(0)));
  EXPECT_EQ(Be16(Sent(0), 14), 0);
  EXPECT_EQ(Be32(Sent(0), 4), 80u);
}

}  // namespace
}  // namespace zy
