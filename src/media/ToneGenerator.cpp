#include "media/ToneGenerator.h"

#include <array>

namespace zy {
namespace {

using Pattern = std::array<uint16_t, 7>;  // bit 15 of word 0 is step 0

constexpr Pattern kBeeps{0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
constexpr Pattern kRing{0xFFC0, 0, 0, 0x3FF0, 0, 0, 0};
constexpr Pattern kBusy{0xF83E, 0x0F83, 0xE0F8, 0x3E0F, 0x83E0, 0xF83E, 0x0F83};
constexpr Pattern kFastOffFirst{0x6666, 0x6666, 0x6666, 0x6666, 0x6666, 0x6666, 0x6666};
constexpr Pattern kTriple{0xF6C0, 0, 0, 0x3DB0, 0, 0, 0};
constexpr Pattern kBursts{0xCCC0, 0x0066, 0x6000, 0x3330, 0x0019, 0x9800, 0};
constexpr Pattern kLongLast{0xCCFC, 0, 0, 0x333F, 0, 0, 0};
constexpr Pattern kOnceAtStart{0xCC00, 0, 0, 0, 0, 0, 0};
constexpr Pattern kTwiceAtStart{0xCC00, 0, 0, 0x3300, 0, 0, 0};

const Pattern* PatternOf(uint16_t mode) {
  switch (mode) {
    case 0x0202:
      return &kBeeps;
    case 0x0203:
      return &kRing;
    case 0x0204:
      return &kBusy;
    case 0x0205:
    case 0x0207:
      return &kFastOffFirst;
    case 0x0206:
    case 0x0208:
      return &kTriple;
    case 0x0209:
      return &kBursts;
    case 0x020C:
      return &kLongLast;
    case 0x0210:
      return &kOnceAtStart;
    case 0x0211:
      return &kTwiceAtStart;
    default:
      return nullptr;
  }
}

int16_t Oscillate(ToneGenerator::Oscillator& o) {
  const int32_t y = static_cast<int32_t>(int64_t{o.coef} * o.y1 / 16384) - o.y2;
  o.y2 = o.y1;
  o.y1 = y;
  return static_cast<int16_t>(y);
}

// Cut to 16 bits, then the arithmetic shift by 2 (a quarter of the level).
int16_t Quarter(int32_t v) { return static_cast<int16_t>(static_cast<int16_t>(v) >> 2); }

}  // namespace

void ToneGenerator::ResetCadence() {
  frameCount_ = 0;
  step_ = 0;
  bitMask_ = 0;
  wordIndex_ = 0;
}

void ToneGenerator::AdvanceCadence() {
  if (resetRequested_.exchange(false, std::memory_order_acq_rel)) ResetCadence();
  if (++frameCount_ < kFramesPerStep) return;
  frameCount_ = 0;
  step_ = (step_ + 1) % kSteps;
  bitMask_ = static_cast<uint16_t>(0x8000u >> (step_ % 16));
  wordIndex_ = step_ / 16;
}

bool ToneGenerator::CadenceOn(uint16_t mode) const {
  const Pattern* p = PatternOf(mode);
  return p != nullptr && ((*p)[static_cast<size_t>(wordIndex_)] & bitMask_) != 0;
}

int16_t ToneGenerator::NextToneSample(uint16_t mode) {
  const int32_t o1 = Oscillate(osc1_);
  const int32_t o2 = Oscillate(osc2_);
  switch (mode) {
    case 0x0201:
      return Quarter((o1 + o2) / 2);
    case 0x020A:
    case 0x020B:
      return Quarter(o1);
    case 0x020D:
    case 0x020E:
      return Quarter(o2);
    case 0x0210:
    case 0x0211:
      return CadenceOn(mode) ? Quarter(o1 / 2) : 0;
    default:
      return CadenceOn(mode) ? Quarter(o1) : 0;  // silent for codes without a pattern
  }
}

}  // namespace zy
