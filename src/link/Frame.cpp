#include "link/Frame.h"

namespace zy {

std::vector<uint8_t> BuildFrame(uint16_t subject, uint16_t code, uint16_t param1, uint16_t param2,
                                std::span<const uint8_t> payload) {
  const size_t length = payload.size() > 0xFFFF ? 0xFFFF : payload.size();
  std::vector<uint8_t> frame(kSendHeaderSize + length);
  frame[0] = kStx;
  WriteBe16(&frame[1], static_cast<uint16_t>(length));
  WriteBe16(&frame[3], subject);
  WriteBe16(&frame[5], code);
  WriteBe16(&frame[7], param1);
  WriteBe16(&frame[9], param2);
  for (size_t i = 0; i < length; ++i) frame[kSendHeaderSize + i] = payload[i];
  return frame;
}

std::vector<uint8_t> BuildFrame(uint16_t subject, uint16_t code, uint16_t param1, uint16_t param2,
                                std::string_view payload) {
  return BuildFrame(
      subject, code, param1, param2,
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()));
}

}  // namespace zy
