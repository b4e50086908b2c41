#include "media/RtpSession.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zy {
namespace {

void WriteBe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void WriteBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

uint32_t ReadBe32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Version 2, no padding, extension or contributing sources. The SSRC goes
// out in the processor's (little-endian) byte order, as peers have always
// seen it from this phone.
void WriteHeader(uint8_t* h, uint8_t payloadType, bool marker, uint16_t sequence,
                 uint32_t timestamp, uint32_t ssrc) {
  h[0] = 0x80;
  h[1] = static_cast<uint8_t>(payloadType | (marker ? 0x80 : 0x00));
  WriteBe16(h + 2, sequence);
  WriteBe32(h + 4, timestamp);
  h[8] = static_cast<uint8_t>(ssrc);
  h[9] = static_cast<uint8_t>(ssrc >> 8);
  h[10] = static_cast<uint8_t>(ssrc >> 16);
  h[11] = static_cast<uint8_t>(ssrc >> 24);
}

}  // namespace

SsrcGenerator& ProcessSsrcGenerator() {
  static SsrcGenerator generator;
  return generator;
}

void StandardErrorTrace(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

RtpSession::RtpSession(JitterBuffer& jitter, std::unique_ptr<RtpSocket> socket, SsrcGenerator& ssrc)
    : jitter_(jitter),
      socket_(socket ? std::move(socket) : MakeUdpRtpSocket()),
      ssrcGenerator_(ssrc) {
  ssrc_ = ssrcGenerator_.Next();  // set-up value, never sent
}

RtpSession::~RtpSession() { socket_->Close(); }

void RtpSession::Trace(std::string_view line) const {
  if (trace_) trace_(line);
}

uint8_t RtpSession::OpenRtp(uint16_t localPort, uint16_t remotePort, uint32_t remoteAddress,
                            uint8_t codec, uint8_t eventPayloadType) {
  if (localPort & 1) return kRtpOddPort;
  if (open_.load(std::memory_order_acquire)) return kRtpAlreadyOpen;

  socketOpen_.store(false, std::memory_order_release);
  sequence_ = 0;
  lastTimestamp_ = 0;
  mediaTimestamp_ = 0;
  pendingBytes_ = 0;
  markerPending_ = false;
  dtmfRead_.store(0, std::memory_order_relaxed);
  dtmfWrite_.store(0, std::memory_order_release);
  // A call that ended in the middle of a digit must not hand its progress
  // to the first digit of the next call.
  dtmfDuration_ = 0;
  ssrc_ = ssrcGenerator_.Next();
  remote_ = RtpEndpoint{remoteAddress, remotePort};
  eventPayloadType_ = eventPayloadType;
  open_.store(true, std::memory_order_release);

  isG729_ = codec == kCodecG729;
  voicePayloadType_ = isG729_ ? 18 : 8;
  packetBytes_ = isG729_ ? 40 : 160;
  frameBytes_ = isG729_ ? 10 : 80;

  if (!socket_->Open(localPort, kSocketReceiveBufferBytes)) {
    socket_->Close();
    return kRtpSocketFailed;
  }
  socketOpen_.store(true, std::memory_order_release);
  return kRtpOpened;
}

void RtpSession::CloseRtp() {
  if (!open_.load(std::memory_order_acquire)) return;
  socketOpen_.store(false, std::memory_order_release);
  socket_->Close();
  open_.store(false, std::memory_order_release);
  Trace("\nRTP closed");
}

void RtpSession::RtpSendFrame(const uint8_t* bytes, size_t length) {
  if (!socketOpen_.load(std::memory_order_acquire)) return;
  const bool speech = length > 2;
  if (!speech) markerPending_ = true;
  // Frames shorter than a full 10 ms could add up past the payload area:
  // what is pending goes out first, stamped with its own last frame.
  if (speech && pendingBytes_ > 0 && pendingBytes_ + length > kPayloadCapacity) {
    SendVoicePacket(true);
  }
  mediaTimestamp_ += kTimestampStep;
  if (length == 0) return;
  const size_t n = std::min(length, kPayloadCapacity - pendingBytes_);
  std::memcpy(sendBuffer_.data() + kHeaderBytes + pendingBytes_, bytes, n);
  pendingBytes_ += n;
  if (pendingBytes_ < packetBytes_ && speech) return;
  SendVoicePacket(speech);
}

void RtpSession::SendVoicePacket(bool speech) {
  const bool marker = speech && markerPending_;
  if (marker) markerPending_ = false;
  WriteHeader(sendBuffer_.data(), voicePayloadType_, marker, sequence_, mediaTimestamp_, ssrc_);
  socket_->SendTo(std::span<const uint8_t>(sendBuffer_.data(), kHeaderBytes + pendingBytes_),
                  remote_);
  ++sequence_;
  pendingBytes_ = 0;
  lastTimestamp_ = mediaTimestamp_;
}

bool RtpSession::RtpSendEvent(const uint8_t payload[4], bool marker, uint32_t timestamp) {
  if (!socketOpen_.load(std::memory_order_acquire)) return false;
  // Built apart from sendBuffer_, whose pending voice payload stays intact.
  std::array<uint8_t, kHeaderBytes + 4> packet;
  WriteHeader(packet.data(), eventPayloadType_, marker, sequence_, timestamp, ssrc_);
  std::memcpy(packet.data() + kHeaderBytes, payload, 4);
  socket_->SendTo(packet, remote_);
  ++sequence_;
  return true;
}

void RtpSession::RtpReceiveAll() {
  if (!socketOpen_.load(std::memory_order_acquire)) return;
  for (int i = 0; i < kMaxDatagramsPerReceive; ++i) {
    RtpEndpoint from;
    const std::ptrdiff_t n = socket_->ReceiveFrom(receiveBuffer_, from);
    if (n <= 0) return;  // nothing waiting, an error or an empty datagram
    if (symmetric_.load(std::memory_order_relaxed)) remote_ = from;
    // A datagram larger than the buffer was cut by the read: dropped whole.
    if (static_cast<size_t>(n) > receiveBuffer_.size()) continue;
    FileDatagram(receiveBuffer_.data(), static_cast<size_t>(n));
  }
}

void RtpSession::FileDatagram(const uint8_t* datagram, size_t length) {
  // The header is taken to be exactly 12 bytes; CSRC lists and extensions
  // are not parsed, and only the payload type is checked.
  if (length < kHeaderBytes) return;
  if ((datagram[1] & 0x7F) != voicePayloadType_) return;
  bool marker = (datagram[1] & 0x80) != 0;
  uint32_t timestamp = ReadBe32(datagram + 4);
  for (size_t at = kHeaderBytes; at < length;) {
    const size_t n = std::min(frameBytes_, length - at);
    jitter_.JitterPut(marker, timestamp, datagram + at, n);
    marker = false;
    timestamp += kTimestampStep;
    at += n;
  }
}

DtmfQueueResult RtpSession::QueueDtmfDigit(uint8_t code) {
  if (!socketOpen_.load(std::memory_order_acquire)) return DtmfQueueResult::kNoSocket;
  const uint32_t write = dtmfWrite_.load(std::memory_order_relaxed);
  const uint32_t read = dtmfRead_.load(std::memory_order_acquire);
  const uint32_t queued = (write + kDtmfCounterModulo - read) % kDtmfCounterModulo;
  if (queued + 2 > kDtmfRingSize) return DtmfQueueResult::kRingFull;
  dtmfRing_[write % kDtmfRingSize] = code;
  dtmfRing_[(write + 1) % kDtmfRingSize] = kDtmfPause;
  dtmfWrite_.store((write + 2) % kDtmfCounterModulo, std::memory_order_release);
  return DtmfQueueResult::kQueued;
}

void RtpSession::DtmfStep() {
  const uint32_t read = dtmfRead_.load(std::memory_order_relaxed);
  if (read == dtmfWrite_.load(std::memory_order_acquire)) return;
  const uint8_t entry = dtmfRing_[read % kDtmfRingSize];
  const bool pause = entry == kDtmfPause;
  const uint16_t limit = pause ? kDtmfPauseDuration : kDtmfToneDuration;
  if (dtmfDuration_ < limit) {
    if (!pause) {
      if (dtmfDuration_ == 0) dtmfTimestamp_ = mediaTimestamp_;
      const uint8_t payload[4] = {entry, 0x00, static_cast<uint8_t>(dtmfDuration_ >> 8),
                                  static_cast<uint8_t>(dtmfDuration_)};
      RtpSendEvent(payload, dtmfDuration_ == 0, dtmfTimestamp_);
    }
    dtmfDuration_ = static_cast<uint16_t>(dtmfDuration_ + kTimestampStep);
    return;
  }
  if (!pause) {
    const uint8_t end[4] = {entry, 0x80, static_cast<uint8_t>(dtmfDuration_ >> 8),
                            static_cast<uint8_t>(dtmfDuration_)};
    for (int i = 0; i < 3; ++i) RtpSendEvent(end, false, dtmfTimestamp_);
  }
  dtmfRead_.store((read + 1) % kDtmfCounterModulo, std::memory_order_release);
  dtmfDuration_ = 0;
}

}  // namespace zy
