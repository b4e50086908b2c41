// One whole media cycle per 10 ms frame (event step, receive, jitter get,
// decode, echo suppression, encode, send) on a session looped back to its
// own UDP port, for G.711 and for G.729 with voice activity detection and
// echo suppression; next to the library's bare G.729 encode and decode of
// the same frames in the same run.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "media/Alaw.h"
#include "media/MediaPath.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

// Voiced syllables with pauses: a pulse train through a formant resonator
// under a 4 Hz envelope, peak about 16000.
std::vector<int16_t> SpeechLike(size_t samples) {
  std::vector<int16_t> out(samples);
  const double pi = std::acos(-1.0);
  double y1 = 0, y2 = 0, phase = 0;
  const double r = std::exp(-pi * 90 / 8000.0);
  for (size_t n = 0; n < samples; ++n) {
    const double t = static_cast<double>(n) / 8000.0;
    phase += (125 + 15 * std::sin(2 * pi * 0.7 * t)) / 8000.0;
    double x = 0;
    if (phase >= 1.0) {
      phase -= 1.0;
      x = 1.0;
    }
    const double f = 600 + 300 * std::sin(2 * pi * 1.1 * t);
    const double y = x + 2 * r * std::cos(2 * pi * f / 8000.0) * y1 - r * r * y2;
    y2 = y1;
    y1 = y;
    const double envelope = std::max(0.0, std::sin(2 * pi * 4 * t));
    out[n] = static_cast<int16_t>(std::clamp(y * envelope * 1500, -32000.0, 32000.0));
  }
  return out;
}

const std::vector<int16_t>& Speech() {
  static const std::vector<int16_t> speech = SpeechLike(8000 * 4);
  return speech;
}

uint16_t FreeEvenPort() {
  std::vector<int> held;
  uint16_t port = 0;
  while (port == 0 && held.size() < 64) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    held.push_back(fd);
    if (ntohs(a.sin_port) % 2 == 0) port = ntohs(a.sin_port);
  }
  for (int fd : held) ::close(fd);
  return port;
}

void BM_MediaCycle(benchmark::State& state, uint8_t codec) {
  zy::SsrcGenerator generator;
  zy::MediaPath path(nullptr, generator);
  path.SetTrace({});
  const uint16_t port = FreeEvenPort();
  zy::MediaSettings settings;
  settings.rtpPort = port;
  settings.echoCanc = true;
  settings.vadEnable = true;
  if (path.OpenCallMedia({codec, port, kLoopback, 101}, settings) != zy::kRtpOpened) {
    state.SkipWithError("no RTP socket");
    return;
  }
  const std::vector<int16_t>& speech = Speech();
  const size_t frames = speech.size() / 80;
  std::array<int16_t, 80> played{}, captured{};
  size_t frame = 0;
  int64_t decoded = 0;
  for (auto _ : state) {
    auto cycle = path.TryVoiceCycle();
    cycle->DtmfStep();
    cycle->RtpReceiveAll();
    std::memcpy(captured.data(), &speech[(frame % frames) * 80], sizeof captured);
    if (cycle->ReceiveAndDecode(played.data())) {
      ++decoded;
      cycle->EchoSuppressor(played.data(), captured.data(), 80);
    }
    cycle->EncodeAndSend(captured.data(), 80);
    benchmark::DoNotOptimize(played);
    ++frame;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["decoded"] =
      benchmark::Counter(static_cast<double>(decoded) / static_cast<double>(state.iterations()));
  path.CloseCallMedia();
}
BENCHMARK_CAPTURE(BM_MediaCycle, G711_echo, uint8_t{8});
BENCHMARK_CAPTURE(BM_MediaCycle, G729_vad_echo, zy::kCodecG729);

// The library alone: encode and decode of the same frames, voice activity
// detection on, no network, no jitter buffer, no suppressor.
void BM_BareG729EncodeDecode(benchmark::State& state) {
  bcg729EncoderChannelContextStruct* enc = initBcg729EncoderChannel(1);
  bcg729DecoderChannelContextStruct* dec = initBcg729DecoderChannel();
  const std::vector<int16_t>& speech = Speech();
  const size_t frames = speech.size() / 80;
  std::array<int16_t, 80> in{}, out{};
  uint8_t bits[10];
  size_t frame = 0;
  for (auto _ : state) {
    std::memcpy(in.data(), &speech[(frame % frames) * 80], sizeof in);
    uint8_t length = 0;
    bcg729Encoder(enc, in.data(), bits, &length);
    bcg729Decoder(dec, length ? bits : nullptr, length, 0, length == 10 ? 0 : 1, 0, out.data());
    benchmark::DoNotOptimize(out);
    ++frame;
  }
  state.SetItemsProcessed(state.iterations());
  closeBcg729EncoderChannel(enc);
  closeBcg729DecoderChannel(dec);
}
BENCHMARK(BM_BareG729EncodeDecode);

// The G.711 cycle's parts without the network, for scale.
void BM_G711CodecAndSuppressor(benchmark::State& state) {
  zy::EchoSuppressor echo;
  const std::vector<int16_t>& speech = Speech();
  const size_t frames = speech.size() / 80;
  std::array<int16_t, 80> played{}, captured{};
  std::array<uint8_t, 80> bytes{};
  size_t frame = 0;
  for (auto _ : state) {
    const int16_t* s = &speech[(frame % frames) * 80];
    zy::AlawEncode(s, 80, bytes.data());
    zy::AlawDecode(bytes.data(), 80, played.data());
    std::memcpy(captured.data(), s, sizeof captured);
    echo.Process(played.data(), captured.data(), 80);
    benchmark::DoNotOptimize(captured);
    ++frame;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_G711CodecAndSuppressor);

}  // namespace
