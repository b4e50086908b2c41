// Arbitrary bytes from the PBX through the receiver, the dispatcher and the
// data-memory cache of a logged-in phone.
#include <cstddef>
#include <cstdint>

#include "link/CliSocket.h"
#include "link/LinkClient.h"

namespace {

class Sink : public zy::LinkEventSink {
 public:
  void OnLinkError(int, int64_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sink sink;
  zy::LinkClient link(&sink);
  link.State().ownId = 0x0010;
  zy::CLumoCliSocket receiver(link);
  for (size_t i = 0; i < size; ++i) receiver.ReceiveByte(data[i]);
  // Walk what landed in the cache, as the panels do.
  uint64_t pos = 0;
  uint16_t owner = 0;
  std::string payload;
  while (link.NextParameter(pos, 0, 0, owner, &payload)) {
  }
  return 0;
}
