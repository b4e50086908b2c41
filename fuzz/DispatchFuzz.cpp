// Arbitrary frames handed whole to the dispatcher of a logged-in phone: the
// input is cut into (subject, code, payload) frames with consistent lengths,
// so every frame reaches DispatchFrame.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/Frame.h"
#include "link/LinkClient.h"

namespace {

class Sink : public zy::LinkEventSink {
 public:
  void OnLinkError(int, int64_t) override {}
  void OnDisplay(std::vector<uint8_t> p) override { bytes += p.size(); }
  void OnStatus(uint16_t, std::vector<uint8_t> p) override { bytes += p.size(); }
  void OnDialRequest(std::string n) override { bytes += n.size(); }
  size_t bytes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sink sink;
  zy::LinkClient link(&sink);
  link.State().ownId = 0x0010;
  link.State().minVersion = 2;
  link.State().maxVersion = 4;
  std::vector<uint8_t> buffer(zy::kReceiveBufferSize);
  size_t at = 0;
  while (at + 5 <= size) {
    const uint16_t subject = zy::ReadBe16(data + at);
    const uint16_t code = static_cast<uint16_t>(0xFE00 | data[at + 2]) ^
                          static_cast<uint16_t>((data[at + 3] & 0x80) ? 0x0100 : 0);
    size_t length = data[at + 4];
    at += 5;
    if (length > size - at) length = size - at;
    buffer[0] = zy::kStx;
    zy::WriteBe16(&buffer[1], static_cast<uint16_t>(length));
    zy::WriteBe16(&buffer[3], subject);
    zy::WriteBe16(&buffer[5], code);
    std::copy(data + at, data + at + length, buffer.begin() + zy::kReceiveHeaderSize);
    at += length;
    link.DispatchFrame(buffer.data());
  }
  return 0;
}
