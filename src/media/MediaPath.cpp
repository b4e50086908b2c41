#include "media/MediaPath.h"

#include <algorithm>
#include <cstring>

#include "media/Alaw.h"

namespace zy {

MediaPeer MediaPeerOf(const LinkState& state) {
  return MediaPeer{state.mediaCodec.load(), state.mediaPeerPort.load(),
                   state.mediaPeerAddress.load(), state.eventPayloadType.load()};
}

MediaPath::MediaPath(std::unique_ptr<RtpSocket> socket, SsrcGenerator& ssrc)
    : session_(jitter_, std::move(socket), ssrc) {}

void MediaPath::SetTrace(TraceSink trace) {
  std::lock_guard lock(guard_);
  trace_ = trace;
  session_.SetTrace(std::move(trace));
}

uint8_t MediaPath::OpenCallMedia(const MediaPeer& peer, const MediaSettings& settings) {
  std::lock_guard lock(guard_);
  if (session_.IsSessionOpen()) return kRtpAlreadyOpen;
  jitter_.JitterReset();
  session_.SetSymmetricRtp(settings.symmetricRtp);
  const uint8_t result = session_.OpenRtp(static_cast<uint16_t>(settings.rtpPort), peer.port,
                                          peer.address, peer.codec, peer.eventPayloadType);
  if (settings.echoCanc) echo_.EchoReset();
  if (peer.codec == kCodecG729) g729_.Init(settings.vadEnable);
  if (trace_) trace_("\nRTP opened");
  return result;
}

void MediaPath::CloseCallMedia() {
  std::lock_guard lock(guard_);
  session_.CloseRtp();
}

std::optional<MediaPath::VoiceCycle> MediaPath::TryVoiceCycle() {
  std::unique_lock lock(guard_, std::try_to_lock);
  if (!lock.owns_lock() || !session_.IsRtpOpen()) return std::nullopt;
  return VoiceCycle(*this, std::move(lock));
}

void MediaPath::EncodeAndSend(const int16_t* samples, size_t count) {
  const size_t n = std::min(count, kMediaFrameSamples);
  if (n == 0) {
    session_.RtpSendFrame(nullptr, 0);
    return;
  }
  if (session_.IsG729()) {
    int16_t frame[kMediaFrameSamples] = {};
    std::memcpy(frame, samples, n * sizeof(int16_t));
    uint8_t bytes[G729Codec::kSpeechBytes];
    session_.RtpSendFrame(bytes, g729_.Encode(frame, bytes));
    return;
  }
  uint8_t bytes[kMediaFrameSamples];
  AlawEncode(samples, n, bytes);
  session_.RtpSendFrame(bytes, n);
}

bool MediaPath::ReceiveAndDecode(int16_t* out) {
  uint8_t frame[JitterBuffer::kFrameBytes];
  const size_t n = jitter_.JitterGet(frame);
  if (n < 2) {
    std::fill_n(out, kMediaFrameSamples, int16_t{0});
    return false;
  }
  if (session_.IsG729()) {
    g729_.Decode(frame, n, out);
  } else {
    AlawDecode(frame, n, out);
  }
  return true;
}

}  // namespace zy
