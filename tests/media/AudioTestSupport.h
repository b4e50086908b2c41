// The audio engine on a stepped virtual device and a scripted RTP peer: the
// test steps the capture clock and every cycle of the worker is done when
// Step returns.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "media/Alaw.h"
#include "media/AudioEngine.h"
#include "media/MediaPath.h"
#include "media/MediaTestSupport.h"
#include "platform/VirtualAudioDevice.h"

namespace zy::test {

inline constexpr MediaPeer kG711Peer{8, 30000, 0x0A000105, 101};
inline constexpr MediaPeer kG729Peer{kCodecG729, 30000, 0x0A000105, 101};
inline constexpr uint16_t kTone425 = 0x020A;  // continuous 425 Hz
inline constexpr uint16_t kTone350 = 0x020D;  // continuous 350 Hz

// Frame k (80 samples) of a recording.
inline std::span<const int16_t> FrameOf(const std::vector<int16_t>& rec, size_t k) {
  return std::span<const int16_t>(rec).subspan(k * kAudioFrameSamples, kAudioFrameSamples);
}
inline int PeakOf(std::span<const int16_t> s) {
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  return peak;
}
inline double Energy(std::span<const int16_t> s) {
  double e = 0;
  for (int16_t v : s) e += static_cast<double>(v) * v;
  return e;
}

// A stepped device whose microphone speaks.
inline VirtualAudioConfig SteppedConfig() {
  VirtualAudioConfig c;
  c.clock = VirtualClock::kStepped;
  c.generator = SamplesGenerator(SpeechLike(8000 * 30, 11, 12000), true);
  return c;
}

class AudioEngineFixture : public ::testing::Test {
 protected:
  AudioEngineFixture()
      : net(std::make_shared<FakeNet>()),
        media(std::make_unique<FakeRtpSocket>(net), ssrc),
        device(devices.AddDevice(SteppedConfig())),
        engine(devices, media) {
    media.SetTrace([](std::string_view) {});
  }
  ~AudioEngineFixture() override { engine.StopAudio(); }

  // Voice packets (payload type 8 or 18) and telephone events sent so far.
  std::vector<std::vector<uint8_t>> SentWithType(uint8_t payloadType) const {
    std::vector<std::vector<uint8_t>> out;
    for (const Datagram& d : net->sent) {
      if (d.bytes.size() >= 12 && (d.bytes[1] & 0x7F) == payloadType) out.push_back(d.bytes);
    }
    return out;
  }
  // A received G.711 packet of two frames: every sample the A-law code
  // `code`.
  void Incoming(uint16_t sequence, uint32_t timestamp, uint8_t code, bool marker = false) {
    net->incoming.push_back(
        {RtpPacket(8, marker, sequence, timestamp, std::vector<uint8_t>(160, code)),
         RtpEndpoint{kG711Peer.address, kG711Peer.port}});
  }

  SsrcGenerator ssrc;
  std::shared_ptr<FakeNet> net;
  MediaPath media;
  VirtualAudioSystem devices;
  VirtualAudioDevice& device;
  AudioEngine engine;
};

}  // namespace zy::test
