// The simulator's end of a call's media: an RTP peer on UDP.
//
// A MediaPeer owns one UDP socket and one thread for the length of a call.
// It sends to the phone where the phone's packets come from (symmetric
// RTP); before the first packet arrives it sends to the endpoint it was
// given (the phone's address and the RTP port of its login). Per mode it
// echoes voice packets, sends a tone or plays samples, in 20 ms packets.
// Whatever the mode, it decodes what it receives with its own A-law decoder
// and the G.729 decoder into a recording, and logs the telephone events it
// receives.
//
// Threading: every public member may be called from any thread. The logger
// is called on the peer's thread and on the thread that calls Stop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pbxsim/Call.h"

namespace pbxsim {

// G.711 A-law, this simulator's own conversion: the 13-bit segment rule.
uint8_t AlawEncode(int16_t sample);
int16_t AlawDecode(uint8_t code);

// 8 kHz mono 16-bit WAV files through libsndfile. ReadWav refuses other
// sample rates and channel counts; both report failures in `error`.
bool ReadWav(const std::string& path, std::vector<int16_t>& samples, std::string& error);
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, std::string& error);

// One telephone event (RFC 4733) as received: the packets that share an RTP
// timestamp and an event code.
struct TelephoneEvent {
  uint8_t code = 0;                 // 0-9, 10 '*', 11 '#', 12-15 'A'-'D'
  uint32_t timestamp = 0;           // RTP timestamp of its packets
  bool marker = false;              // the first packet carried the marker bit
  uint16_t duration = 0;            // largest duration received
  size_t packets = 0;               // all packets of the event
  size_t endPackets = 0;            // packets with the end bit
  std::vector<uint16_t> durations;  // of each packet, in arrival order (at most 1000)

  char Digit() const;  // '0'..'9', '*', '#', 'A'..'D', or '?'
  bool Ended() const { return endPackets > 0; }
  // "event 5 duration 1280 packets 19 end 3"
  std::string Describe() const;
};

// What a media peer has seen and done.
struct MediaReport {
  bool ran = false;  // a peer was started (false before the first media call)
  MediaMode mode = MediaMode::kEcho;
  uint8_t codec = 0;        // selector of the call: 0 G.711, 1 G.729
  std::string address;      // the simulator's RTP address (dotted)
  uint16_t port = 0;        // the simulator's RTP port
  std::string peerAddress;  // where packets are sent now (dotted), empty: nowhere yet
  uint16_t peerPort = 0;
  size_t received = 0;             // datagrams received
  size_t voicePackets = 0;         // received packets of payload type 8 or 18
  size_t eventPackets = 0;         // received telephone-event packets
  size_t badPackets = 0;           // not RTP, or a payload type it does not know
  size_t sent = 0;                 // packets sent
  std::vector<int16_t> recording;  // decoded voice, 8 kHz; timestamp gaps filled with silence
  std::vector<TelephoneEvent> events;
  std::string recordFile;  // the WAV file written at the end of the call, if any
};

struct MediaPeerConfig {
  MediaMode mode = MediaMode::kEcho;
  uint8_t codec = codec::kG711;  // of what the peer sends (tone, WAV)
  int toneHz = 1000;
  int toneLevel = 8000;
  std::vector<int16_t> playSamples;  // kWav
  uint8_t eventPayloadType = 101;
  std::string bindAddress = "127.0.0.1";  // "0.0.0.0": all addresses
  std::string advertisedAddress;          // reported as the peer's address; empty: bindAddress
  uint16_t bindPort = 0;                  // 0: a free port
  std::string phoneAddress;               // where to send before the phone's first packet;
  uint16_t phonePort = 0;                 // port 0: wait for it
  std::chrono::milliseconds packetTime{20};
  std::string recordFile;  // written by Stop; empty: none
  std::function<void(const std::string&)> logger;
};

class MediaPeer {
 public:
  explicit MediaPeer(MediaPeerConfig config);
  ~MediaPeer();  // stops
  MediaPeer(const MediaPeer&) = delete;
  MediaPeer& operator=(const MediaPeer&) = delete;

  // Binds the socket and starts the thread; false (with a log line) when the
  // socket cannot be made.
  bool Start();
  // Ends the thread, logs the last event and writes the recording file.
  // Safe to call twice.
  void Stop();

  uint16_t Port() const;
  MediaReport Report() const;
  // Until `done` holds for the report (checked on every received or sent
  // packet) or the time runs out; the last report either way.
  MediaReport WaitFor(const std::function<bool(const MediaReport&)>& done,
                      std::chrono::milliseconds timeout) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pbxsim
