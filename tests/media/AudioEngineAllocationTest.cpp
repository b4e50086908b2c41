// The running engine allocates nothing: a voice call over a real UDP socket
// on 127.0.0.1 with audio coming in, the echo suppressor on and a digit
// going out, for both codecs, and a tone. The count covers every thread;
// while the clock is stepped only the worker does anything.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "media/AudioTestSupport.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t n) {
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zy {
namespace {

using test::RtpPacket;

using Peer = test::UdpPeer;

TEST(AudioEngineAllocation, NothingIsAllocatedWhileAudioRuns) {
  for (uint8_t codec : {uint8_t{8}, kCodecG729}) {
    SsrcGenerator ssrc;
    MediaPath media(nullptr, ssrc);
    media.SetTrace([](std::string_view) {});
    // The device keeps no recording: that would allocate on the stepping
    // thread.
    VirtualAudioConfig config = test::SteppedConfig();
    config.keepRecording = false;
    VirtualAudioSystem devices(std::move(config));
    VirtualAudioDevice& device = devices.Device(0);
    AudioEngine engine(devices, media);
    Peer peer;

    MediaSettings settings;
    settings.rtpPort = test::FreeEvenPort();
    settings.echoCanc = true;
    settings.vadEnable = true;
    ASSERT_EQ(media.OpenCallMedia(MediaPeer{codec, peer.Port(), 0x7F000001, 101}, settings),
              kRtpOpened);
    engine.SetEchoCanc(true);
    ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
    device.Step(10);  // past the first cycle of each part
    media.QueueDtmfDigit(7);

    const uint8_t pt = codec == kCodecG729 ? 18 : 8;
    const size_t frameBytes = codec == kCodecG729 ? 10 : 80;
    const std::vector<uint8_t> speech = [&] {
      std::vector<uint8_t> p(frameBytes * 2, 0x5A);
      return p;
    }();
    std::vector<std::vector<uint8_t>> packets;
    for (int i = 0; i < 60; ++i) {
      packets.push_back(RtpPacket(pt, i == 0, static_cast<uint16_t>(i), 160u * i, speech));
    }
    gAllocations = 0;
    gCounting = true;
    for (int i = 0; i < 120; ++i) {
      if (i % 2 == 0) peer.SendTo(settings.rtpPort, packets[i / 2]);
      device.Step(1);
    }
    engine.StartAudio(0x0204);  // a tone, by the same worker
    device.Step(30);
    gCounting = false;
    EXPECT_EQ(gAllocations.load(), 0) << "codec " << int(codec);
    EXPECT_EQ(engine.RunStats().cycles, 160u);
    engine.StopAudio();
    media.CloseCallMedia();
  }
}

}  // namespace
}  // namespace zy
