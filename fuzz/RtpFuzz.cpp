// Arbitrary datagrams from the network through the RTP receive path:
// RtpReceiveAll files them into the jitter buffer, JitterGet hands frames
// to ReceiveAndDecode (G.711 or G.729).
//
// Input: byte 0 chooses the call (bit 0: G.729, bit 1: symmetric RTP);
// then datagrams, each a 2-byte big-endian length and that many bytes (cut
// at the end of the input). After each datagram the receive runs, and one
// or two frames are played; at the end the buffer is played out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "media/MediaPath.h"

namespace {

// Hands out the datagrams of the current input.
class InputSocket : public zy::RtpSocket {
 public:
  bool Open(uint16_t, int) override { return true; }
  void Close() override {}
  uint16_t LocalPort() const override { return 20000; }
  void SendTo(std::span<const uint8_t>, const zy::RtpEndpoint&) override {}
  std::ptrdiff_t ReceiveFrom(std::span<uint8_t> buffer, zy::RtpEndpoint& from) override {
    if (!hasPending_) return -1;
    hasPending_ = false;
    const std::span<const uint8_t> d = pending_;
    const size_t n = d.size() < buffer.size() ? d.size() : buffer.size();
    for (size_t i = 0; i < n; ++i) buffer[i] = d[i];
    from = {0x7F000001, static_cast<uint16_t>(d.size())};
    return static_cast<std::ptrdiff_t>(d.size());
  }
  void Deliver(std::span<const uint8_t> d) {
    pending_ = d;
    hasPending_ = true;
  }

 private:
  std::span<const uint8_t> pending_;
  bool hasPending_ = false;
};

struct Harness {
  InputSocket* socket;
  zy::MediaPath path;
  Harness() : Harness(std::make_unique<InputSocket>()) {}
  explicit Harness(std::unique_ptr<InputSocket> s) : socket(s.get()), path(std::move(s)) {
    path.SetTrace({});
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness h;
  if (size == 0) return 0;
  zy::MediaSettings settings;
  settings.symmetricRtp = (data[0] & 2) != 0;
  const uint8_t codec = (data[0] & 1) ? zy::kCodecG729 : uint8_t{8};
  h.path.CloseCallMedia();
  if (h.path.OpenCallMedia({codec, 30000, 0x0A000001, 101}, settings) != zy::kRtpOpened) return 0;

  int16_t out[zy::kMediaFrameSamples];
  size_t at = 1;
  int step = 0;
  while (at + 2 <= size) {
    size_t n = (size_t{data[at]} << 8) | data[at + 1];
    at += 2;
    if (n > size - at) n = size - at;
    h.socket->Deliver(std::span<const uint8_t>(data + at, n));
    at += n;
    h.path.Session().RtpReceiveAll();
    h.path.ReceiveAndDecode(out);
    if (++step % 3 == 0) h.path.ReceiveAndDecode(out);
  }
  for (int i = 0; i < zy::JitterBuffer::kSlots; ++i) h.path.ReceiveAndDecode(out);
  return 0;
}
