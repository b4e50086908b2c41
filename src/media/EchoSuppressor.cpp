#include "media/EchoSuppressor.h"

#include <algorithm>

namespace zy {

void EchoSuppressor::EchoReset() {
  gain_ = kFullGain;
  farFast_ = 0;
  farSlow_ = 0;
  nearLevel_ = 0;
  warmupCount_ = 0;
  writeIndex_ = 0;
  delay_ = 0;
  warmupHistory_.fill(0);
  for (Frame& f : history_) f.valid = false;
}

void EchoSuppressor::Process(const int16_t* played, int16_t* captured, size_t count) {
  const size_t n = std::min(count, kMaxSamples);
  Frame& ref = history_[(writeIndex_ + static_cast<uint32_t>(delay_)) % kHistoryFrames];
  // The slot that receives this frame's played samples; with delay 0 it is
  // the reference too, each old sample read before it is overwritten.
  Frame& cur = history_[writeIndex_ % kHistoryFrames];

  if (ref.valid) {
    int64_t farFast = farFast_;
    int64_t farSlow = farSlow_;
    int64_t nearLevel = nearLevel_;
    int64_t gain = gain_;
    for (size_t i = 0; i < n; ++i) {
      const int64_t x = ref.samples[i];
      const int64_t e = x * x;
      farFast = e + (farFast - e) * 96 / 100;
      farSlow = e + (farSlow - e) * 99 / 100;
      if (farSlow > 10000 && delay_ < 3) {
        ++delay_;
      } else if (farSlow <= 10000 && delay_ > 0) {
        --delay_;
      }
      const int64_t m = captured[i];
      const int64_t q = m * m / 256;
      nearLevel = q + (nearLevel - q) * 96 / 100;
      const int64_t threshold = nearLevel > farFast / 2 ? farFast * 3 / 2 : farFast;
      const int64_t d = threshold - nearLevel;
      if (d > 0) {  // the far end dominates
        const int64_t floor = d <= (nearLevel >> 5) ? kSlightFloor : kDeepFloor;
        gain = std::max(gain - kGainStep, floor);
      } else {
        gain = std::min<int64_t>(gain + kGainStep, kFullGain);
      }
      captured[i] = static_cast<int16_t>((m * gain) >> 15);
      cur.samples[i] = played[i];
    }
    farFast_ = static_cast<int32_t>(farFast);
    farSlow_ = static_cast<int32_t>(farSlow);
    nearLevel_ = static_cast<int32_t>(nearLevel);
    gain_ = static_cast<int32_t>(gain);
  } else {
    // Warm-up (the first four frames after a reset): the near-end level is
    // a sum over the last 32 samples; gain, delay and far-end levels stay.
    for (size_t i = 0; i < n; ++i) {
      const int64_t m = captured[i];
      const int32_t v = static_cast<int32_t>(m * m / 80);
      int32_t& slot = warmupHistory_[static_cast<size_t>(warmupCount_) % kWarmupSamples];
      nearLevel_ = nearLevel_ - slot + v;
      slot = v;
      ++warmupCount_;
      captured[i] = static_cast<int16_t>((m * gain_) >> 15);
      cur.samples[i] = played[i];
    }
  }
  cur.valid = true;
  ++writeIndex_;
}

}  // namespace zy
