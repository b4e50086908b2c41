// Frames on the PBX link as the PBX sees them.
//
// The phone sends frames with an 11-byte header (STX 0x02, length, subject,
// code, param1, param2, all big-endian 16-bit words, then `length` payload
// bytes). The PBX answers with a 7-byte header (STX, length, subject, code,
// then the payload). There is no checksum and no escaping.
//
// Threading: FrameReader is not synchronised; one thread feeds it. The free
// functions are pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pbxsim {

inline constexpr uint8_t kStx = 0x02;
inline constexpr size_t kRequestHeaderSize = 11;  // phone -> PBX
inline constexpr size_t kReplyHeaderSize = 7;     // PBX -> phone
// Largest payload the simulator accepts in a frame from the phone; a frame that
// declares more is skipped to its declared end.
inline constexpr size_t kMaxRequestPayload = 1019;

// Message codes the simulator acts on or sends.
namespace code {
inline constexpr uint16_t kAck = 0xFE01;
inline constexpr uint16_t kPoll = 0xFE02;
inline constexpr uint16_t kLoginAccepted = 0xFE03;
inline constexpr uint16_t kDisplay = 0xFE04;
inline constexpr uint16_t kRangeRead = 0xFE10;
inline constexpr uint16_t kRead = 0xFE11;
inline constexpr uint16_t kWrite = 0xFE12;
inline constexpr uint16_t kDelete = 0xFE13;
inline constexpr uint16_t kKey = 0xFE14;
inline constexpr uint16_t kKeepAlive = 0xFE15;
inline constexpr uint16_t kCallRecords = 0xFE20;
inline constexpr uint16_t kLogin = 0xFE21;
inline constexpr uint16_t kDeleteCallRecords = 0xFE2E;
inline constexpr uint16_t kOptionDisabled = 0xFE30;
inline constexpr uint16_t kNotConfigured = 0xFE31;
inline constexpr uint16_t kNotExisting = 0xFE32;
inline constexpr uint16_t kNoPort = 0xFE33;
inline constexpr uint16_t kCallRecord = 0xFE36;
inline constexpr uint16_t kStatusLine = 0xFE3B;
inline constexpr uint16_t kMediaControl = 0xFE3C;
inline constexpr uint16_t kAlreadyConnected = 0xFE4D;
inline constexpr uint16_t kDialRequest = 0xFE76;
}  // namespace code

// One frame received from the phone.
struct Frame {
  uint16_t subject = 0;
  uint16_t code = 0;
  uint16_t param1 = 0;
  uint16_t param2 = 0;
  std::vector<uint8_t> payload;
  std::vector<uint8_t> raw;  // the whole frame as it arrived, header included

  // The payload up to its first NUL (or its end), as text.
  std::string Text() const;
};

// Cuts the byte stream from the phone into frames.
//
// Bytes before an STX are skipped (and counted). A frame that declares a
// payload above kMaxRequestPayload is consumed to its declared end without
// being delivered, so the stream stays in step with the sender.
class FrameReader {
 public:
  using Sink = std::function<void(Frame&&)>;

  void Feed(const uint8_t* data, size_t size, const Sink& sink);
  // Forgets a partly received frame (the connection ended); returns true when
  // there was one.
  bool Reset();
  bool Pending() const { return state_ != State::kHunting; }

  uint64_t GarbageBytes() const { return garbage_; }
  uint64_t OversizeFrames() const { return oversize_; }

 private:
  enum class State { kHunting, kHeader, kPayload, kSkipping };
  State state_ = State::kHunting;
  std::vector<uint8_t> buf_;
  size_t need_ = 0;  // payload bytes still expected, or bytes still to skip
  uint64_t garbage_ = 0;
  uint64_t oversize_ = 0;
};

// A PBX -> phone frame: 7-byte header and payload (at most 65535 bytes of
// it; the rest is left out).
std::vector<uint8_t> EncodeReply(uint16_t subject, uint16_t code,
                                 const std::vector<uint8_t>& payload);

// Text as a record value: the bytes followed by a NUL.
std::vector<uint8_t> TextValue(const std::string& text);

}  // namespace pbxsim
