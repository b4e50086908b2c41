#include "media/JitterBuffer.h"

#include <algorithm>
#include <cstring>

namespace zy {

void JitterBuffer::JitterReset() {
  readIndex_ = 0;
  for (Slot& s : slots_) s.length = 0;
}

void JitterBuffer::JitterPut(bool marker, uint32_t timestamp, const uint8_t* bytes, size_t length) {
  int target = readIndex_;
  if (!marker) {
    // readIndex+1, readIndex+2, ... and readIndex itself last.
    for (int k = 1; k <= kSlots; ++k) {
      const int i = Wrap(readIndex_ + k);
      const uint32_t diff = slots_[i].timestamp - timestamp;
      if (diff <= 1 || diff == UINT32_MAX) {
        target = i;
        break;
      }
    }
  }
  Slot& slot = slots_[target];
  const size_t n = std::min(length, kFrameBytes);
  if (n > 0) std::memcpy(slot.data.data(), bytes, n);
  slot.length = n;
  slot.timestamp = timestamp;
}

size_t JitterBuffer::JitterGet(uint8_t* out) {
  const int r = readIndex_;
  const uint32_t base = slots_[r].timestamp;
  readIndex_ = Wrap(r + 1);
  for (int k = 1; k <= kDelayFrames; ++k) {
    slots_[Wrap(r + k)].timestamp = base + kTimestampStep * static_cast<uint32_t>(k);
  }
  Slot& due = slots_[Wrap(r + kDelayFrames)];
  const size_t n = due.length;
  if (n > 0) std::memcpy(out, due.data.data(), n);
  due.length = 0;
  return n;
}

}  // namespace zy
