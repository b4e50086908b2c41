// The receive-side jitter buffer: 24 slots of one encoded 10 ms frame each,
// a fixed playout delay of 12 to 13 frames, frames placed by timestamp.
//
// A frame that starts a talk-spurt (marker) or fits no expected slot
// re-anchors the stream at slot readIndex; the next JitterGet stamps the
// following twelve slots from that timestamp, and the anchor itself comes
// out of the 13th JitterGet after it was filed.
//
// Threading: the audio thread files (through RtpSession::RtpReceiveAll) and
// takes frames. JitterReset runs on the window thread while the audio
// thread does not use the buffer (MediaPath holds its guard). No allocation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zy {

class JitterBuffer {
 public:
  static constexpr int kSlots = 24;
  static constexpr size_t kFrameBytes = 80;
  static constexpr int kDelayFrames = 12;
  static constexpr uint32_t kTimestampStep = 80;

  // readIndex 0 and every slot empty; the slot timestamps keep their values.
  void JitterReset();
  // Files one frame: copies at most 80 bytes.
  void JitterPut(bool marker, uint32_t timestamp, const uint8_t* bytes, size_t length);
  // Advances by one 10 ms frame and copies the frame due now into `out`
  // (room for 80 bytes); returns its length, 0 when the slot was empty.
  size_t JitterGet(uint8_t* out);

  int ReadIndex() const { return readIndex_; }
  size_t SlotLength(int i) const { return slots_[i].length; }
  uint32_t SlotTimestamp(int i) const { return slots_[i].timestamp; }

 private:
  struct Slot {
    size_t length = 0;
    uint32_t timestamp = 0;
    std::array<uint8_t, kFrameBytes> data{};
  };
  static int Wrap(int i) { return i % kSlots; }

  int readIndex_ = 0;
  std::array<Slot, kSlots> slots_{};
};

}  // namespace zy
