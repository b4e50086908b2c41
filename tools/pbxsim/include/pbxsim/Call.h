// Calls as the simulated PBX plays them: the media services a scenario
// offers, what the call model shows of a call, and the call records it
// keeps. Plain values; the behaviour is in the Simulator (README.md,
// "Calls").
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pbxsim {

// What the simulator's end of a media call does besides recording.
enum class MediaMode {
  kEcho,  // sends every received voice packet back
  kTone,  // sends a sine tone
  kWav,   // plays a WAV file (8 kHz mono 16-bit), over and over
};

// Codec selector of the media-control frame.
namespace codec {
inline constexpr uint8_t kG711 = 0;  // A-law, RTP payload type 8
inline constexpr uint8_t kG729 = 1;  // RTP payload type 18
}  // namespace codec

// RTP payload types of the two codecs.
inline constexpr uint8_t kPayloadAlaw = 8;
inline constexpr uint8_t kPayloadG729 = 18;

// A number that the PBX answers itself with media.
struct MediaService {
  std::string number;
  MediaMode mode = MediaMode::kEcho;
  std::string name;      // shown on the display; empty: a name after the mode
  int toneHz = 1000;     // kTone
  int toneLevel = 8000;  // kTone: peak amplitude of the sine
  std::string wavFile;   // kWav
  // Codec selector of the call; absent: from the login codec byte (8 or 24,
  // G.729 first, give G.729; anything else G.711).
  std::optional<uint8_t> codec;

  // The name shown for the service: `name`, or one made from the mode.
  std::string DisplayName() const;
};

// Where the simulator's RTP socket lives.
struct MediaSettings {
  // IPv4 address the RTP socket binds to and that the media-control frame
  // names. Empty: the address the link listens on; when that is 0.0.0.0 the
  // socket binds to all addresses and the frame names the local address of
  // the phone's connection.
  std::string address;
  uint16_t port = 0;      // 0: a free port per call
  std::string recordDir;  // empty: recordings are kept in memory only
};

// An incoming call that the scenario places by itself after each login.
struct RingInPlan {
  std::string number;
  std::string name;
  std::chrono::milliseconds afterLogin{2000};
};

enum class CallState {
  kIdle,      // on hook, idle screen (or a menu page)
  kDialing,   // off hook, collecting digits
  kRingback,  // an extension is being called
  kTalking,   // in conversation
  kInvalid,   // the dialled number does not exist or is busy; waiting for on-hook
  kRinging,   // an incoming call rings the phone
  kEnded,     // the other party hung up; waiting for on-hook
};

const char* CallStateName(CallState state);

inline constexpr int kDisplayLines = 12;
inline constexpr size_t kDisplayColumns = 32;

// The call model as the tests see it.
struct CallInfo {
  CallState state = CallState::kIdle;
  bool loggedIn = false;
  uint16_t extensionId = 0;  // the logged-in extension
  std::string digits;        // dialled so far (kDialing)
  std::string number;        // the other party
  std::string name;          // the other party's name, or the service's
  bool incoming = false;
  bool mediaRunning = false;
  uint8_t codec = 0;        // selector of the running (or last) media
  uint16_t mediaPort = 0;   // the simulator's RTP port of the running media
  uint32_t callId = 0;      // 0: no call yet
  uint8_t phoneStatus = 0;  // status byte last written (bit 0 busy, bit 1 speech path)
  // The simulator's picture of the phone's display: the text last written
  // to each line.
  std::array<std::string, kDisplayLines> lines;
};

// One call as reported to the phone in a call record.
struct CallRecord {
  uint16_t extensionId = 0;  // whose call it is (subject of the frame)
  uint8_t type = 0;          // 1 missed, 2 received, 3 made
  std::string number;        // the other party
  int year = 2000;           // full year
  int month = 1, day = 1, hour = 0, minute = 0;
  uint16_t partyId = 0;  // the other party's object id; 0 for services and outside numbers
  uint32_t callId = 0;

  // NUL-terminated texts: type, count 1, number, year - 2000, month << 8 |
  // day, hour << 8 | minute, party id, call id; all hexadecimal but the number.
  std::vector<uint8_t> Payload() const;
};

namespace calltype {
inline constexpr uint8_t kMissed = 1;
inline constexpr uint8_t kReceived = 2;
inline constexpr uint8_t kMade = 3;
}  // namespace calltype

}  // namespace pbxsim
