#include "media/G729Codec.h"

// The library's headers declare C functions without a C++ guard.
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include <cstring>

namespace zy {

void G729Codec::EncoderClose::operator()(bcg729EncoderChannelContextStruct_struct* c) const {
  closeBcg729EncoderChannel(c);
}
void G729Codec::DecoderClose::operator()(bcg729DecoderChannelContextStruct_struct* c) const {
  closeBcg729DecoderChannel(c);
}

G729Codec::G729Codec() = default;
G729Codec::~G729Codec() = default;

void G729Codec::Init(bool vadEnable) {
  decoder_.reset(initBcg729DecoderChannel());
  encoder_.reset(initBcg729EncoderChannel(vadEnable ? 1 : 0));
  frameCounter_ = 0;
}

size_t G729Codec::Encode(const int16_t* samples, uint8_t* out) {
  if (!encoder_) return 0;
  // The library keeps its own count for the voice activity detector; this
  // one follows the same rule for diagnostics.
  frameCounter_ = NextFrameCounter(frameCounter_);
  uint8_t length = 0;
  // Pre-processing, analysis and the MSB-first packing of the parameters
  // (widths 8,10,8,1,13,4,7,5,13,4,7 or 1,5,4,5) happen inside.
  bcg729Encoder(encoder_.get(), samples, out, &length);
  return length <= kSpeechBytes ? length : 0;
}

G729Codec::FrameType G729Codec::ReceivedFrameType(size_t words) {
  switch (words) {
    case 5:
      return FrameType::kSpeech;
    // One word is what our own encoder and RFC 3551 peers send for a
    // silence description; two words are accepted as well (the first 15
    // bits carry the parameters).
    case 1:
    case 2:
      return FrameType::kSilenceDescription;
    default:
      return FrameType::kUntransmitted;
  }
}

void G729Codec::Decode(const uint8_t* bytes, size_t length, int16_t* out) {
  if (!decoder_) {
    std::memset(out, 0, kFrameSamples * sizeof(int16_t));
    return;
  }
  const size_t words = length / 2;
  const FrameType type = ReceivedFrameType(words);
  bool erased = words > 0;
  for (size_t i = 0; i < words * 2; ++i) {
    if (bytes[i] != 0) {
      erased = false;
      break;
    }
  }
  // Erased or untransmitted frames hand the library no bits: it conceals
  // from its past state or continues the comfort noise.
  const bool withBits = !erased && type != FrameType::kUntransmitted;
  bcg729Decoder(decoder_.get(), withBits ? bytes : nullptr,
                static_cast<uint8_t>(withBits ? words * 2 : 0), erased ? 1 : 0,
                type == FrameType::kSpeech ? 0 : 1, 0, out);
}

}  // namespace zy
