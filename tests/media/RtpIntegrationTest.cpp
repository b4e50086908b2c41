// The media path on real UDP sockets over 127.0.0.1: packets on the wire,
// symmetric RTP, bad datagrams, no allocation in the voice cycle, and a
// close racing the audio thread.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include "media/Alaw.h"
#include "media/MediaPath.h"
#include "media/MediaTestSupport.h"

// Allocation counter for the calling thread only.
namespace {
thread_local bool tCounting = false;
thread_local long tAllocations = 0;
}  // namespace

void* operator new(std::size_t n) {
  if (tCounting) ++tAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zy {
namespace {

using namespace std::chrono_literals;
using test::RtpPacket;
using Frame = std::array<int16_t, 80>;

constexpr uint32_t kLoopback = 0x7F000001;

using Peer = test::UdpPeer;
using test::FreeEvenPort;

class RtpIntegrationTest : public ::testing::Test {
 protected:
  RtpIntegrationTest() : path(nullptr, generator) { path.SetTrace({}); }

  // Opens towards `peer` on a free local port.
  uint8_t Open(const Peer& peer, uint8_t codec = 8, bool echo = false, bool vad = false) {
    MediaSettings s;
    s.rtpPort = 0;  // even: any free port
    s.echoCanc = echo;
    s.vadEnable = vad;
    return path.OpenCallMedia({codec, peer.Port(), kLoopback, 101}, s);
  }
  uint16_t LocalPort() { return path.Session().LocalPort(); }

  // Receives until slot readIndex holds a frame (bounded).
  bool ReceiveUntilFiled() {
    for (int i = 0; i < 1000; ++i) {
      path.Session().RtpReceiveAll();
      for (int s = 0; s < JitterBuffer::kSlots; ++s) {
        if (path.Jitter().SlotLength(s) > 0) return true;
      }
      std::this_thread::sleep_for(1ms);
    }
    return false;
  }

  SsrcGenerator generator;
  MediaPath path;
};

TEST_F(RtpIntegrationTest, FirstG711PacketOnTheWire) {
  Peer pbx;
  ASSERT_EQ(Open(pbx), kRtpOpened);
  ASSERT_NE(LocalPort(), 0);
  const std::vector<int16_t> speech = test::SpeechLike(160, 1);
  path.EncodeAndSend(speech.data(), 80);
  path.EncodeAndSend(speech.data() + 80, 80);
  const std::vector<uint8_t> p = pbx.Receive();
  ASSERT_EQ(p.size(), 172u);
  EXPECT_EQ(std::vector<uint8_t>(p.begin(), p.begin() + 12),
            (std::vector<uint8_t>{0x80, 0x08, 0, 0, 0, 0, 0, 0xA0, 0x7A, 0x8E, 0x27, 0x1E}));
  for (size_t i = 0; i < 160; ++i) ASSERT_EQ(p[12 + i], AlawEncode(speech[i]));
}

TEST_F(RtpIntegrationTest, ReceivedPacketIsPlayedAfterTheJitterDelay) {
  Peer pbx;
  ASSERT_EQ(Open(pbx), kRtpOpened);
  std::vector<uint8_t> payload(160);
  for (size_t i = 0; i < 160; ++i) payload[i] = static_cast<uint8_t>(i);
  pbx.SendTo(LocalPort(), RtpPacket(8, true, 7, 16000, payload));
  ASSERT_TRUE(ReceiveUntilFiled());
  Frame out;
  for (int get = 0; get < 12; ++get) EXPECT_FALSE(path.ReceiveAndDecode(out.data()));
  ASSERT_TRUE(path.ReceiveAndDecode(out.data()));
  // A marked two-frame packet keeps its second frame only.
  for (size_t i = 0; i < 80; ++i) ASSERT_EQ(out[i], AlawDecode(payload[80 + i]));
}

TEST_F(RtpIntegrationTest, SymmetricRtpFollowsTheSourceOfAnyDatagram) {
  Peer pbx, elsewhere;
  ASSERT_EQ(Open(pbx), kRtpOpened);
  // A telephone event (dropped for its payload type) from a new source.
  elsewhere.SendTo(LocalPort(), RtpPacket(101, true, 0, 0, {5, 0, 0, 0}));
  for (int i = 0; i < 1000 && path.Session().Remote().port != elsewhere.Port(); ++i) {
    path.Session().RtpReceiveAll();
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(path.Session().Remote(), (RtpEndpoint{kLoopback, elsewhere.Port()}));
  const Frame f{};
  path.EncodeAndSend(f.data(), 80);
  path.EncodeAndSend(f.data(), 80);
  EXPECT_EQ(elsewhere.Receive().size(), 172u);
}

TEST_F(RtpIntegrationTest, OddPortAndPortInUse) {
  Peer pbx;
  MediaSettings odd;
  odd.rtpPort = 20001;
  EXPECT_EQ(path.OpenCallMedia({8, pbx.Port(), kLoopback, 101}, odd), kRtpOddPort);

  // A port that another socket holds: result 3, the session open without a
  // socket until it is closed.
  const uint16_t port = FreeEvenPort();
  ASSERT_NE(port, 0);
  Peer holder(port);  // on 127.0.0.1: binding the port on all addresses fails
  ASSERT_EQ(holder.Port(), port);
  MediaSettings taken;
  taken.rtpPort = port;
  EXPECT_EQ(path.OpenCallMedia({8, pbx.Port(), kLoopback, 101}, taken), kRtpSocketFailed);
  EXPECT_FALSE(path.IsRtpOpen());
  EXPECT_TRUE(path.Session().IsSessionOpen());
  EXPECT_EQ(path.OpenCallMedia({8, pbx.Port(), kLoopback, 101}, taken), kRtpAlreadyOpen);
  path.CloseCallMedia();
  EXPECT_FALSE(path.Session().IsSessionOpen());
}

// Datagrams beyond the 333-byte buffer are dropped whole; an empty datagram
// ends one receive round but does not hold up the datagram behind it.
TEST_F(RtpIntegrationTest, OversizedAndEmptyDatagramsDoNotStopReception) {
  Peer pbx, elsewhere;
  ASSERT_EQ(Open(pbx), kRtpOpened);
  // Sent from another source, so that reading it shows in the remote.
  elsewhere.SendTo(LocalPort(), RtpPacket(8, true, 0, 800, std::vector<uint8_t>(1000, 0x11)));
  for (int i = 0; i < 1000 && path.Session().Remote().port != elsewhere.Port(); ++i) {
    path.Session().RtpReceiveAll();
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(path.Session().Remote().port, elsewhere.Port()) << "the datagram was not read";
  for (int s = 0; s < JitterBuffer::kSlots; ++s) ASSERT_EQ(path.Jitter().SlotLength(s), 0u);

  pbx.SendTo(LocalPort(), {});
  pbx.SendTo(LocalPort(), RtpPacket(8, true, 1, 1600, std::vector<uint8_t>(80, 0x22)));
  ASSERT_TRUE(ReceiveUntilFiled());
  EXPECT_EQ(path.Jitter().SlotLength(0), 80u);
  EXPECT_EQ(path.Jitter().SlotTimestamp(0), 1600u);
}

// Full voice cycles; returns how many received frames were decoded.
int RunCycles(MediaPath& path, const std::vector<int16_t>& speech, int cycles, bool echo,
              std::atomic<long>* voiceCycles = nullptr) {
  int decodedFrames = 0;
  Frame played, captured;
  for (int c = 0; c < cycles; ++c) {
    auto cycle = path.TryVoiceCycle();
    if (!cycle) continue;
    if (voiceCycles) ++*voiceCycles;
    cycle->DtmfStep();
    cycle->RtpReceiveAll();
    const bool decoded = cycle->ReceiveAndDecode(played.data());
    decodedFrames += decoded ? 1 : 0;
    const size_t at = static_cast<size_t>(c * 80) % (speech.size() - 80);
    std::copy_n(speech.begin() + static_cast<long>(at), 80, captured.begin());
    if (decoded && echo) cycle->EchoSuppressor(played.data(), captured.data(), 80);
    cycle->EncodeAndSend(captured.data(), 80);
  }
  return decodedFrames;
}

// The voice cycle, looped back to its own port, allocates nothing.
TEST_F(RtpIntegrationTest, VoiceCycleAllocatesNothing) {
  const std::vector<int16_t> speech = test::SpeechLike(8000, 2);
  for (uint8_t codec : {uint8_t{8}, kCodecG729}) {
    // Pointed at its own port: what the session sends, it receives.
    const uint16_t self = FreeEvenPort();
    ASSERT_NE(self, 0);
    MediaSettings settings;
    settings.rtpPort = self;
    settings.echoCanc = true;
    settings.vadEnable = true;
    ASSERT_EQ(path.OpenCallMedia({codec, self, kLoopback, 101}, settings), kRtpOpened);
    RunCycles(path, speech, 50, true);  // warm up: the stream reaches the decoder
    path.QueueDtmfDigit(5);
    tAllocations = 0;
    tCounting = true;
    const int decoded = RunCycles(path, speech, 300, true);
    tCounting = false;
    EXPECT_EQ(tAllocations, 0) << "codec " << int(codec);
    EXPECT_GT(decoded, 100) << "the looped-back stream reached the decoder";
    path.CloseCallMedia();
  }
}

// The window thread opens and closes calls (re-initialising the codec)
// while the audio thread runs voice cycles as fast as it can.
TEST_F(RtpIntegrationTest, OpenAndCloseAreSafeAgainstTheAudioThread) {
  Peer pbx;
  const std::vector<int16_t> speech = test::SpeechLike(8000, 6);
  std::atomic<bool> stop{false};
  std::atomic<long> voiceCycles{0};
  std::thread audio([&] {
    while (!stop.load()) {
      RunCycles(path, speech, 1, true, &voiceCycles);
      path.Tones().AdvanceCadence();
      std::this_thread::yield();
    }
  });
  for (int call = 0; call < 200; ++call) {
    const uint8_t codec = call % 2 ? kCodecG729 : uint8_t{8};
    MediaSettings s;
    s.rtpPort = 0;
    s.echoCanc = true;
    s.vadEnable = call % 3 == 0;
    path.OpenCallMedia({codec, pbx.Port(), kLoopback, 101}, s);
    path.QueueDtmfDigit(static_cast<uint8_t>(call % 12));
    path.Tones().RequestCadenceReset();
    // Let the audio thread into this call before it is closed under it.
    const long before = voiceCycles.load();
    for (int spin = 0; spin < 100000 && voiceCycles.load() < before + 2; ++spin) {
      std::this_thread::yield();
    }
    path.CloseCallMedia();
  }
  stop = true;
  audio.join();
  EXPECT_GE(voiceCycles.load(), 200);
  EXPECT_FALSE(path.IsRtpOpen());
}

}  // namespace
}  // namespace zy
