// G.729 Annex A with Annex B (voice activity detection, discontinuous
// transmission, comfort noise) on 10 ms frames, in the RFC 3551 byte format:
// a speech frame is 10 bytes (five big-endian words), a silence description
// 2 bytes (15 bits and a 0), an untransmitted frame nothing.
//
// Threading: Init on the window thread while the audio thread does not use
// the codec (it allocates the library's states); Encode and Decode on the
// audio thread, without allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct bcg729EncoderChannelContextStruct_struct;
struct bcg729DecoderChannelContextStruct_struct;

namespace zy {

class G729Codec {
 public:
  static constexpr size_t kFrameSamples = 80;
  static constexpr size_t kSpeechBytes = 10;
  static constexpr size_t kSidBytes = 2;

  enum class FrameType { kUntransmitted = 0, kSpeech = 1, kSilenceDescription = 2 };

  G729Codec();
  ~G729Codec();
  G729Codec(const G729Codec&) = delete;
  G729Codec& operator=(const G729Codec&) = delete;

  // Start of a G.729 call: the decoder first, then the encoder, whose voice
  // activity detection follows "VadEnable" for the whole call. The frame
  // counter restarts at 0.
  void Init(bool vadEnable);
  bool Initialised() const { return encoder_ != nullptr && decoder_ != nullptr; }

  // Encodes 80 samples into `out` (room for 10 bytes); returns 10 for a
  // speech frame, 2 for a silence description, 0 when nothing is to be sent.
  size_t Encode(const int16_t* samples, uint8_t* out);
  // Decodes one received frame of `length` bytes into 80 samples. The frame
  // type follows the count of whole words: 5 speech, 1 or 2 a silence
  // description, any other an untransmitted frame (the comfort noise goes
  // on). A frame whose words are all 0 is decoded as erased.
  void Decode(const uint8_t* bytes, size_t length, int16_t* out);

  static FrameType ReceivedFrameType(size_t words);
  // The encoder's frame counter: after 32767 it continues at 256.
  static uint16_t NextFrameCounter(uint16_t counter) {
    return counter == 32767 ? 256 : static_cast<uint16_t>(counter + 1);
  }
  uint16_t FrameCounter() const { return frameCounter_; }

 private:
  struct EncoderClose {
    void operator()(bcg729EncoderChannelContextStruct_struct* c) const;
  };
  struct DecoderClose {
    void operator()(bcg729DecoderChannelContextStruct_struct* c) const;
  };
  std::unique_ptr<bcg729EncoderChannelContextStruct_struct, EncoderClose> encoder_;
  std::unique_ptr<bcg729DecoderChannelContextStruct_struct, DecoderClose> decoder_;
  uint16_t frameCounter_ = 0;
};

}  // namespace zy
