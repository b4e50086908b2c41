// The RTP session of the call that has media: one UDP socket towards the
// PBX's media endpoint, outgoing voice packets built from encoded 10 ms
// frames, received packets cut into frames for the jitter buffer, and
// keypad digits sent in-band as telephone events (RFC 4733).
//
// Threading:
// - OpenRtp, CloseRtp, SetTrace, SetSymmetricRtp: window thread, while the
//   audio thread does not use the session (MediaPath::OpenCallMedia and
//   CloseCallMedia hold the media guard for that).
// - QueueDtmfDigit: window thread, at any time. The digit ring has one
//   writer (window thread) and one reader (DtmfStep); no lock.
// - RtpSendFrame, RtpSendEvent, RtpReceiveAll, FileDatagram, DtmfStep:
//   audio thread (inside MediaPath::VoiceCycle). They never block and never
//   allocate: every buffer is part of the object.
// - IsRtpOpen, IsSessionOpen: any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "media/JitterBuffer.h"
#include "media/RtpSocket.h"

namespace zy {

// The SSRC source: x becomes x * 214013 + 2531011 (mod 2^32) and the new x
// is the value. State 0 at program start.
class SsrcGenerator {
 public:
  uint32_t Next() {
    state_ = state_ * 214013u + 2531011u;
    return state_;
  }
  uint32_t State() const { return state_; }

 private:
  uint32_t state_ = 0;
};

// The generator of the process. A session advances it once when it is set
// up and once per OpenRtp, so the first call of a run uses its second value.
SsrcGenerator& ProcessSsrcGenerator();

// Results of OpenRtp.
inline constexpr uint8_t kRtpOpened = 0;
inline constexpr uint8_t kRtpAlreadyOpen = 2;
inline constexpr uint8_t kRtpSocketFailed = 3;
inline constexpr uint8_t kRtpOddPort = 6;

inline constexpr uint8_t kCodecG729 = 1;  // any other codec byte is G.711 A-law

enum class DtmfQueueResult {
  kQueued,
  kNoSocket,  // the caller sends the digit over the PBX link instead
  kRingFull,  // 50 digits are waiting; this one is dropped
};

// Writes one trace line ("\nRTP opened") to the debugging output.
using TraceSink = std::function<void(std::string_view)>;
// The default sink: standard error.
void StandardErrorTrace(std::string_view line);

class RtpSession {
 public:
  static constexpr size_t kHeaderBytes = 12;
  static constexpr size_t kPayloadCapacity = 162;
  static constexpr size_t kReceiveBufferBytes = 333;
  static constexpr int kSocketReceiveBufferBytes = 332;
  static constexpr uint32_t kTimestampStep = 80;
  static constexpr size_t kDtmfRingSize = 100;
  static constexpr uint8_t kDtmfPause = 0x20;
  static constexpr uint16_t kDtmfToneDuration = 1280;
  static constexpr uint16_t kDtmfPauseDuration = 1600;
  // Datagrams read by one RtpReceiveAll at most, so that a flooding peer
  // cannot hold the audio thread.
  static constexpr int kMaxDatagramsPerReceive = 32;

  // `socket` null: the real UDP socket. Advances `ssrc` once.
  explicit RtpSession(JitterBuffer& jitter, std::unique_ptr<RtpSocket> socket = nullptr,
                      SsrcGenerator& ssrc = ProcessSsrcGenerator());
  ~RtpSession();
  RtpSession(const RtpSession&) = delete;
  RtpSession& operator=(const RtpSession&) = delete;

  void SetTrace(TraceSink trace) { trace_ = std::move(trace); }
  // "Symmetric RTP": every datagram read redirects the session to its source.
  void SetSymmetricRtp(bool on) { symmetric_.store(on, std::memory_order_relaxed); }

  // Returns kRtpOpened, kRtpAlreadyOpen, kRtpSocketFailed (the session then
  // counts as open without a socket until CloseRtp) or kRtpOddPort.
  // remoteAddress in host order; codec kCodecG729 or G.711 A-law.
  uint8_t OpenRtp(uint16_t localPort, uint16_t remotePort, uint32_t remoteAddress, uint8_t codec,
                  uint8_t eventPayloadType);
  // Closes the socket and marks the session closed; writes "\nRTP closed".
  // Nothing when no session is open.
  void CloseRtp();
  bool IsRtpOpen() const { return socketOpen_.load(std::memory_order_acquire); }
  bool IsSessionOpen() const { return open_.load(std::memory_order_acquire); }

  // One 10 ms frame of encoded audio: 0 bytes = suppressed silence, 1 or 2
  // = silence description, more = speech.
  void RtpSendFrame(const uint8_t* bytes, size_t length);
  // One telephone-event packet, sent at once; false without a socket.
  bool RtpSendEvent(const uint8_t payload[4], bool marker, uint32_t timestamp);
  // Reads every waiting datagram and files its frames.
  void RtpReceiveAll();
  // Files one received datagram of `length` bytes into the jitter buffer.
  void FileDatagram(const uint8_t* datagram, size_t length);

  DtmfQueueResult QueueDtmfDigit(uint8_t code);
  // One 10 ms step of the event sender, before the frame is encoded.
  void DtmfStep();

  // Observers (tests, diagnostics).
  bool IsG729() const { return isG729_; }
  uint32_t Ssrc() const { return ssrc_; }
  uint16_t Sequence() const { return sequence_; }
  uint32_t MediaTimestamp() const { return mediaTimestamp_; }
  uint32_t LastTimestamp() const { return lastTimestamp_; }
  size_t PendingBytes() const { return pendingBytes_; }
  RtpEndpoint Remote() const { return remote_; }
  uint8_t VoicePayloadType() const { return voicePayloadType_; }
  uint8_t EventPayloadType() const { return eventPayloadType_; }
  uint16_t LocalPort() const { return socket_->LocalPort(); }
  size_t DtmfReadPosition() const { return dtmfRead_.load() % kDtmfRingSize; }
  size_t DtmfWritePosition() const { return dtmfWrite_.load() % kDtmfRingSize; }

 private:
  void SendVoicePacket(bool speech);
  void Trace(std::string_view line) const;

  JitterBuffer& jitter_;
  std::unique_ptr<RtpSocket> socket_;
  SsrcGenerator& ssrcGenerator_;
  TraceSink trace_ = StandardErrorTrace;
  std::atomic<bool> symmetric_{true};

  std::atomic<bool> open_{false};
  std::atomic<bool> socketOpen_{false};
  uint32_t ssrc_ = 0;
  uint32_t lastTimestamp_ = 0;
  uint32_t mediaTimestamp_ = 0;
  uint16_t sequence_ = 0;
  bool markerPending_ = false;
  size_t pendingBytes_ = 0;
  uint8_t eventPayloadType_ = 101;
  RtpEndpoint remote_;
  uint8_t voicePayloadType_ = 8;
  size_t packetBytes_ = 160;
  size_t frameBytes_ = 80;
  bool isG729_ = false;

  // Digit ring: counters modulo 200, position = counter mod 100, so that
  // all 100 entries (50 digits with their pauses) can be in use. The window
  // thread writes dtmfWrite_, the audio thread dtmfRead_.
  static constexpr uint32_t kDtmfCounterModulo = 2 * kDtmfRingSize;
  std::array<uint8_t, kDtmfRingSize> dtmfRing_{};
  std::atomic<uint32_t> dtmfRead_{0};
  std::atomic<uint32_t> dtmfWrite_{0};
  uint16_t dtmfDuration_ = 0;
  uint32_t dtmfTimestamp_ = 0;

  std::array<uint8_t, kHeaderBytes + kPayloadCapacity> sendBuffer_{};
  std::array<uint8_t, kReceiveBufferBytes> receiveBuffer_{};
};

}  // namespace zy
