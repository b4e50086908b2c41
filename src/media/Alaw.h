// G.711 A-law, one byte per 16-bit sample, without tables.
//
// The encoder drops the three low bits of the sample (arithmetic shift) and
// truncates within the segment; the decoder returns the middle of the
// quantisation interval. Pure functions: callable from any thread.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace zy {

constexpr uint8_t AlawEncode(int16_t sample) {
  int value = sample >> 3;  // 13-bit range -4096..4095
  uint8_t mask = 0xD5;      // sign bit set for non-negative input, even bits inverted
  if (value < 0) {
    mask = 0x55;
    value = -value - 1;  // 0..4095
  }
  // Segment end points 0x1F, 0x3F, ..., 0xFFF: the segment is the bit width
  // above five bits.
  const int width = std::bit_width(static_cast<unsigned>(value));
  const int segment = width > 5 ? width - 5 : 0;
  const int mantissa = segment < 2 ? (value >> 1) & 0x0F : (value >> segment) & 0x0F;
  return static_cast<uint8_t>(((segment << 4) | mantissa) ^ mask);
}

constexpr int16_t AlawDecode(uint8_t code) {
  const int v = code ^ 0x55;
  const int segment = (v >> 4) & 0x07;
  int t = (v & 0x0F) << 4;
  if (segment == 0) {
    t += 8;
  } else {
    t = (t + 0x108) << (segment - 1);
  }
  return static_cast<int16_t>((v & 0x80) ? t : -t);
}

inline void AlawEncode(const int16_t* samples, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) out[i] = AlawEncode(samples[i]);
}

inline void AlawDecode(const uint8_t* codes, size_t count, int16_t* out) {
  for (size_t i = 0; i < count; ++i) out[i] = AlawDecode(codes[i]);
}

}  // namespace zy
