// Frame layout of the PBX link.
//
// The phone sends frames with an 11-byte header (STX, length, subject, code,
// param1, param2) and receives frames with a 7-byte header (STX, length,
// subject, code). All header fields are big-endian; there is no checksum,
// trailer or escaping. Pure functions: callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zy {

inline constexpr uint8_t kStx = 0x02;
inline constexpr size_t kSendHeaderSize = 11;
inline constexpr size_t kReceiveHeaderSize = 7;
// Index 0 of the receive buffer stands for STX, the header lies at 1..6 and
// the payload from 7, so one frame carries at most 1019 payload bytes.
inline constexpr size_t kReceiveBufferSize = 1026;
inline constexpr size_t kMaxReceivePayload = kReceiveBufferSize - kReceiveHeaderSize;

inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline void WriteBe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

// Builds a whole frame to send: header + payload, ready for one write.
std::vector<uint8_t> BuildFrame(uint16_t subject, uint16_t code, uint16_t param1, uint16_t param2,
                                std::span<const uint8_t> payload = {});
std::vector<uint8_t> BuildFrame(uint16_t subject, uint16_t code, uint16_t param1, uint16_t param2,
                                std::string_view payload);

// A received frame as handed to the dispatcher. `payload` points into the
// receive buffer and is valid only during the dispatch call.
struct ReceivedFrame {
  uint16_t length = 0;
  uint16_t subject = 0;
  uint16_t code = 0;
  const uint8_t* payload = nullptr;
};

// Reads the header fields of a complete frame in a receive buffer (index 0 is
// STX). The caller guarantees that 7 + length bytes are present.
inline ReceivedFrame ParseReceivedFrame(const uint8_t* buffer) {
  return ReceivedFrame{ReadBe16(buffer + 1), ReadBe16(buffer + 3), ReadBe16(buffer + 5),
                       buffer + kReceiveHeaderSize};
}

}  // namespace zy
