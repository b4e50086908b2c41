// The echo suppressor: a gain switch between far end and near end. The
// captured frame is attenuated while the played audio of a few frames ago
// (the likely echo) dominates the microphone, and restored when it does not.
// Integer arithmetic throughout: 64-bit products and sums, divisions that
// truncate toward zero, arithmetic right shifts.
//
// Threading: Process on the audio thread; EchoReset on the window thread
// while the audio thread does not use the suppressor (MediaPath's guard).
// No allocation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zy {

class EchoSuppressor {
 public:
  static constexpr int kHistoryFrames = 4;
  static constexpr size_t kMaxSamples = 160;
  static constexpr int32_t kFullGain = 32512;  // 0x7F00, in units of 1/32768
  static constexpr int32_t kGainStep = 128;
  static constexpr int32_t kSlightFloor = 8192;  // -12 dB
  static constexpr int32_t kDeepFloor = 256;     // about -42 dB
  static constexpr int kWarmupSamples = 32;

  EchoSuppressor() { EchoReset(); }

  // Full gain, levels and delay 0, warm-up cleared, no reference frames.
  void EchoReset();
  // Attenuates `captured` (count samples, at most 160) in place against one
  // of the four played frames filed before, then files `played` (count
  // samples) for later frames.
  void Process(const int16_t* played, int16_t* captured, size_t count);

  int32_t Gain() const { return gain_; }
  int32_t Delay() const { return delay_; }
  int32_t FarFast() const { return farFast_; }
  int32_t FarSlow() const { return farSlow_; }
  int32_t NearLevel() const { return nearLevel_; }

 private:
  struct Frame {
    bool valid = false;
    std::array<int16_t, kMaxSamples> samples{};
  };

  std::array<Frame, kHistoryFrames> history_{};
  uint32_t writeIndex_ = 0;  // only its value mod 4 matters; wraps cleanly
  int32_t delay_ = 0;
  int32_t gain_ = kFullGain;
  int32_t farFast_ = 0;
  int32_t farSlow_ = 0;
  int32_t nearLevel_ = 0;
  std::array<int32_t, kWarmupSamples> warmupHistory_{};
  int32_t warmupCount_ = 0;
};

}  // namespace zy
