// The media path of a call: the RTP session with its jitter buffer, the
// codecs, the echo suppressor and the tone generator, joined the way the
// audio engine drives them every 10 ms.
//
// Threading:
// - OpenCallMedia, CloseCallMedia, SetTrace: window thread. They take the
//   media guard and so wait, at most for the rest of one audio-thread
//   cycle, until the audio thread is out of the session, the codecs and the
//   suppressor; then nothing the audio thread may be using changes under it.
// - QueueDtmfDigit: window thread, lock-free.
// - TryVoiceCycle and everything on VoiceCycle: audio thread. The guard is
//   only tried, never waited for: while the window thread opens or closes
//   the session the cycle is skipped. No allocation, no blocking call.
// - Tones(): the audio thread (see ToneGenerator.h).
// - EncodeAndSend, ReceiveAndDecode and the component accessors without a
//   VoiceCycle: only for an owner that uses the path from one thread
//   (tests, benchmarks, fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "link/LinkState.h"
#include "media/EchoSuppressor.h"
#include "media/G729Codec.h"
#include "media/JitterBuffer.h"
#include "media/RtpSession.h"
#include "media/ToneGenerator.h"

namespace zy {

inline constexpr size_t kMediaFrameSamples = 80;  // 10 ms at 8 kHz

// What a call's media takes from the settings ("RTP port", "Symmetric RTP",
// "EchoCanc", "VadEnable"), read by the caller.
struct MediaSettings {
  int rtpPort = 20000;  // travels as a 16-bit port number
  bool symmetricRtp = true;
  bool echoCanc = false;
  bool vadEnable = false;
};

// The PBX's media endpoint of the call (0xFE3C with subject 1) and the
// telephone-event payload type of the login.
struct MediaPeer {
  uint8_t codec = 0;  // kCodecG729 or G.711 A-law
  uint16_t port = 0;
  uint32_t address = 0;  // IPv4, host order
  uint8_t eventPayloadType = kDefaultEventPayloadType;
};
MediaPeer MediaPeerOf(const LinkState& state);

class MediaPath {
 public:
  // `socket` null: the real UDP socket.
  explicit MediaPath(std::unique_ptr<RtpSocket> socket = nullptr,
                     SsrcGenerator& ssrc = ProcessSsrcGenerator());
  MediaPath(const MediaPath&) = delete;
  MediaPath& operator=(const MediaPath&) = delete;

  // Media command 1: when no session is open, resets the jitter buffer,
  // opens the session, resets the suppressor when "EchoCanc" is on,
  // initialises the G.729 decoder and encoder for a G.729 call and writes
  // "\nRTP opened". Returns the OpenRtp result (kRtpAlreadyOpen, and nothing
  // done, when a session is open); the caller does not act on it.
  uint8_t OpenCallMedia(const MediaPeer& peer, const MediaSettings& settings);
  // CloseRtp, safe against the audio thread's cycle.
  void CloseCallMedia();
  DtmfQueueResult QueueDtmfDigit(uint8_t code) { return session_.QueueDtmfDigit(code); }
  void SetTrace(TraceSink trace);
  bool IsRtpOpen() const { return session_.IsRtpOpen(); }

  // One voice cycle of the audio thread, holding the media guard.
  class VoiceCycle {
   public:
    void DtmfStep() { path_->session_.DtmfStep(); }
    void RtpReceiveAll() { path_->session_.RtpReceiveAll(); }
    bool ReceiveAndDecode(int16_t* out) { return path_->ReceiveAndDecode(out); }
    void EchoSuppressor(const int16_t* played, int16_t* captured, size_t count) {
      path_->echo_.Process(played, captured, count);
    }
    void EncodeAndSend(const int16_t* samples, size_t count) {
      path_->EncodeAndSend(samples, count);
    }

   private:
    friend class MediaPath;
    VoiceCycle(MediaPath& path, std::unique_lock<std::mutex> lock)
        : path_(&path), lock_(std::move(lock)) {}
    MediaPath* path_;
    std::unique_lock<std::mutex> lock_;
  };
  // Nothing while no socket exists (a voice cycle then does nothing) or
  // while the window thread holds the guard.
  std::optional<VoiceCycle> TryVoiceCycle();

  ToneGenerator& Tones() { return tones_; }

  // Encodes one captured frame (count samples, at most 80) with the call's
  // codec and hands it to RtpSendFrame. A count of 0 sends nothing and
  // advances the timestamp; a short G.729 frame is completed with zeros.
  void EncodeAndSend(const int16_t* samples, size_t count);
  // Takes one frame from the jitter buffer and decodes it into `out` (80
  // samples). False, with 80 zero samples, when the slot held less than 2
  // bytes. A short G.711 frame fills only the first samples of `out`.
  bool ReceiveAndDecode(int16_t* out);

  RtpSession& Session() { return session_; }
  JitterBuffer& Jitter() { return jitter_; }
  G729Codec& G729() { return g729_; }
  zy::EchoSuppressor& Echo() { return echo_; }

 private:
  std::mutex guard_;
  TraceSink trace_ = StandardErrorTrace;
  JitterBuffer jitter_;
  RtpSession session_;
  G729Codec g729_;
  zy::EchoSuppressor echo_;
  ToneGenerator tones_;
};

}  // namespace zy
