// Call-progress tones played locally while a call has no media: two integer
// recursive oscillators (425 Hz and 350 Hz at 8 kHz) switched by on/off
// patterns of 100 ms steps over a 10 s cycle.
//
// Threading: AdvanceCadence and NextToneSample on the audio thread.
// ResetCadence on the thread that produces the samples, or, from another
// thread, RequestCadenceReset, which the next AdvanceCadence carries out
// first. No allocation, no tables other than the patterns.
#pragma once

#include <atomic>
#include <cstdint>

namespace zy {

// Tone codes of the media-control message (0x0201-0x0211).
inline constexpr uint16_t kToneFirst = 0x0201;
inline constexpr uint16_t kToneLast = 0x0211;

class ToneGenerator {
 public:
  static constexpr int kFramesPerStep = 10;  // 10 frames of 80 samples = 100 ms
  static constexpr int kSteps = 100;         // 10 s cycle

  struct Oscillator {
    int32_t coef;
    int32_t y1;
    int32_t y2;
  };

  // frameCount, step, bitMask and wordIndex become 0: a patterned tone is
  // then silent for 90 ms and continues at step 1.
  void ResetCadence();
  void RequestCadenceReset() { resetRequested_.store(true, std::memory_order_release); }
  // Once before each 80-sample frame.
  void AdvanceCadence();
  // Advances both oscillators by one sample and returns the sample of tone
  // `mode`; codes without a tone (0x020F, anything outside the range) give 0.
  int16_t NextToneSample(uint16_t mode);

  // Whether the patterned tone `mode` sounds in the current step.
  bool CadenceOn(uint16_t mode) const;
  int Step() const { return step_; }
  int FrameCount() const { return frameCount_; }
  const Oscillator& Osc1() const { return osc1_; }
  const Oscillator& Osc2() const { return osc2_; }

 private:
  // The oscillators run for the whole program and are never reset.
  Oscillator osc1_{30959, 0, -4259};  // 2cos(2pi 425/8000) in 1/16384
  Oscillator osc2_{31537, 0, -3528};  // 2cos(2pi 350/8000) in 1/16384
  int32_t frameCount_ = 0;
  int32_t step_ = 0;
  uint16_t bitMask_ = 0;
  int32_t wordIndex_ = 0;
  std::atomic<bool> resetRequested_{false};
};

}  // namespace zy
