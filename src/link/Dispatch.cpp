// DispatchFrame: what the phone does with every frame the PBX sends.
#include <cstring>

#include "link/Codes.h"
#include "link/Frame.h"
#include "link/LinkClient.h"

namespace zy {

namespace {
// Longest dial-request text taken from a 0xFE76 frame.
constexpr size_t kMaxDialText = 199;

std::vector<uint8_t> CopyPayload(const ReceivedFrame& f) {
  return std::vector<uint8_t>(f.payload, f.payload + f.length);
}
}  // namespace

void LinkClient::DispatchFrame(const uint8_t* buffer) {
  // Any frame, whatever its code, shows the PBX is working on the request.
  if (waiting_.load(std::memory_order_relaxed)) {
    std::lock_guard lock(replyMutex_);
    deadline_ = std::chrono::steady_clock::now() + replyTimeout_;
  }
  const ReceivedFrame f = ParseReceivedFrame(buffer);
  if (observer_) observer_(f);
  switch (f.code) {
    case code::kAck:
    case code::kOptionDisabled:  // a login refusal: it ends the request too
    case code::kNotConfigured:
    case code::kNotExisting:
    case code::kNoPort:
    case code::kAlreadyConnected:
      EndOfReply(f.code);
      return;
    case code::kKeepAlivePoll:
      state_.keepAliveDue = true;
      return;
    case code::kLoginAccepted:
      OnLoginAccepted(f);
      return;
    case code::kDisplay:
      if (sink_) sink_->OnDisplay(CopyPayload(f));
      return;
    case code::kStatus:
      if (sink_) sink_->OnStatus(f.subject, CopyPayload(f));
      return;
    case code::kMedia:
      OnMediaControl(f);
      return;
    case code::kDialRequest:
      OnDialRequestFrame(f);
      return;
    case code::kUnused05:
    case code::kUnused06:
    case code::kUnused40:
      return;
    // Events for containers and panels that this build does not have yet:
    // they are not data-memory records, so they are not cached either.
    case code::kCharge07:
    case code::kCharge08:
    case code::kCharge34:
    case code::kCharge35:
    case code::kRoomAlarm:
    case code::kRoomCheckIn:
    case code::kRoomCheckOut:
    case code::kRoomCheckInNoOut:
    case code::kRoomCheckInOut:
    case code::kCallRecord:
    case code::kQueuedCall:
    case code::kKeyLabelSet:
    case code::kKeyLabelClear:
      return;
    default:
      cache_.Store(f.subject, f.code, f.payload, f.length);
      return;
  }
}

void LinkClient::EndOfReply(uint16_t replyCode) {
  {
    std::lock_guard lock(replyMutex_);
    state_.lastReplyCode = replyCode;
    replyReceived_ = true;
  }
  replyCv_.notify_all();
}

void LinkClient::OnLoginAccepted(const ReceivedFrame& f) {
  const uint8_t* p = f.payload;
  state_.ownId = f.subject;
  if (f.length > 0) {
    state_.isOperator = (p[0] & 0x01) != 0;
    state_.privileged = (p[0] & 0x02) != 0;
  }
  if (f.length > 2) {
    state_.minVersion = p[1];
    state_.maxVersion = p[2];
  }
  state_.edition = f.length > 3 ? p[3] : 0;
  if (f.length > 5) state_.eventPayloadType = p[5];
  state_.nodeNumber = f.length > 6 ? p[6] : 0;
  EndOfReply(f.code);
}

void LinkClient::OnMediaControl(const ReceivedFrame& f) {
  // Only a start carries the endpoint; a short one keeps the stored peer.
  if (f.subject == 1 && f.length >= 7) {
    const uint8_t* p = f.payload;
    state_.mediaCodec = p[0];
    state_.mediaPeerPort = ReadBe16(p + 1);
    state_.mediaPeerAddress = (static_cast<uint32_t>(p[3]) << 24) |
                              (static_cast<uint32_t>(p[4]) << 16) |
                              (static_cast<uint32_t>(p[5]) << 8) | p[6];
  }
  if (sink_) sink_->OnMedia(f.subject);
}

void LinkClient::OnDialRequestFrame(const ReceivedFrame& f) {
  // The text ends at its NUL, at the payload's end, or after 199 characters.
  const size_t limit = f.length < kMaxDialText ? f.length : kMaxDialText;
  const void* nul = std::memchr(f.payload, 0, limit);
  const size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - f.payload) : limit;
  if (sink_) sink_->OnDialRequest(std::string(reinterpret_cast<const char*>(f.payload), n));
}

}  // namespace zy
