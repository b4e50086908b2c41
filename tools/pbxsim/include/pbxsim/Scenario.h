// What a simulated PBX holds: its data memory, its extensions with what each
// is granted at login, trunk lines and routes, the keep-alive period, and
// what its calls need: media services, where media runs, the dialling pause
// and a planned incoming call.
//
// A scenario is a plain value: build it in code or load it from JSON (format
// in tools/pbxsim/README.md), then hand it to a Simulator. Not synchronised.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pbxsim/Call.h"

namespace pbxsim {

// Data-memory parameters with a fixed meaning.
namespace param {
inline constexpr uint16_t kExtensionMark = 257;
inline constexpr uint16_t kNumber = 258;
inline constexpr uint16_t kName = 259;
inline constexpr uint16_t kPassword = 260;
inline constexpr uint16_t kFlags = 273;
inline constexpr uint16_t kLinePosition = 0x2001;
inline constexpr uint16_t kRoute = 0x2301;
inline constexpr uint16_t kModeName = 0x27A0;  // + mode number
inline constexpr uint16_t kSystemOptions = 9994;
inline constexpr uint16_t kSystemOwner = 1280;
}  // namespace param

// Bits of the edition byte of the login reply.
namespace edition {
inline constexpr uint8_t kPro = 0x02;
inline constexpr uint8_t kBasic = 0x04;
inline constexpr uint8_t kHotel = 0x08;
}  // namespace edition

// Bit 4 of an extension's flag word marks a hotel room.
inline constexpr uint32_t kRoomFlag = 0x10;

using RecordKey = std::pair<uint16_t, uint16_t>;  // (owner, parameter)
using DataMemory = std::map<RecordKey, std::vector<uint8_t>>;

class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the PBX answers to a login of an extension.
enum class LoginReply {
  kGrant,             // 0xFE03 with the grants
  kOptionDisabled,    // 0xFE30
  kNotConfigured,     // 0xFE31
  kNoPort,            // 0xFE33
  kAlreadyConnected,  // 0xFE4D
  kPlainAck,          // 0xFE01
};

uint16_t LoginReplyCode(LoginReply reply);

// A number as the PBX writes flag words: upper-case hexadecimal digits without
// leading zeros ("80000010").
std::string FormatHex(uint64_t value);

// The payload of a 0xFE03 login reply.
struct Grants {
  bool operatorFlag = false;        // byte 0 bit 0
  bool privileged = false;          // byte 0 bit 1
  uint8_t minVersion = 1;           // byte 1
  uint8_t maxVersion = 4;           // byte 2
  uint8_t edition = edition::kPro;  // byte 3
  // byte 4 is spare and always 0
  uint8_t eventPayloadType = 101;  // byte 5
  uint8_t node = 0;                // byte 6
  uint8_t replyLength = 7;         // bytes actually sent, 0..7

  std::vector<uint8_t> Payload() const;
};

struct Extension {
  uint16_t id = 0;
  // Each text that is absent leaves its parameter out of data memory; an
  // extension without a number cannot log in.
  std::optional<std::string> number;    // 258, and what the login looks for
  std::optional<std::string> name;      // 259
  std::optional<std::string> password;  // 260, decimal text
  std::optional<std::string> flags;     // 273, hexadecimal text
  bool marked = true;                   // 257 present
  LoginReply reply = LoginReply::kGrant;
  Grants grants;
};

struct TrunkLine {
  uint16_t owner = 0;    // e.g. 0x4005 (bit 14 set)
  std::string position;  // value of 0x2001, hexadecimal text such as "30A"
};

struct TrunkRoute {
  uint16_t owner = 0;
  std::string value = "1";  // value of 0x2301; only its presence matters
};

class Scenario {
 public:
  // Throw ScenarioError with the place of the fault.
  static Scenario FromJson(const std::string& text);
  static Scenario FromFile(const std::string& path);
  // A PBX of `extensions` extensions: ids from 0x0010, numbers from 200, names
  // "Interno NNN", passwords "1234", flags "0", number 200 an operator; four
  // trunk lines and three routes.
  static Scenario Generate(int extensions);

  std::string ToJson() const;

  // Generic records. A text is stored with a terminating NUL; several texts
  // are stored one after the other, each with its NUL.
  void SetRecord(uint16_t owner, uint16_t param, const std::string& text);
  void SetRecordTexts(uint16_t owner, uint16_t param, const std::vector<std::string>& texts);
  void SetRawRecord(uint16_t owner, uint16_t param, std::vector<uint8_t> value);
  void EraseRecord(uint16_t owner, uint16_t param);
  const DataMemory& Records() const { return records_; }

  // Parameter 9994 of owner 1280, as hexadecimal text.
  void SetSystemOptions(uint32_t word);
  // Parameter 0x27A0 + mode of owner 1280.
  void SetModeName(int mode, const std::string& name);

  // The reference stays valid while the scenario lives.
  Extension& AddExtension(uint16_t id, const std::string& number);
  const std::deque<Extension>& Extensions() const { return extensions_; }
  // First extension whose number is `number`, or null.
  const Extension* FindExtension(const std::string& number) const;

  void AddTrunkLine(uint16_t owner, const std::string& position);
  void AddTrunkRoute(uint16_t owner, const std::string& value = "1");
  const std::vector<TrunkLine>& TrunkLines() const { return lines_; }
  const std::vector<TrunkRoute>& TrunkRoutes() const { return routes_; }

  // 0 = the PBX sends no keep-alive polls.
  void SetKeepAlivePeriod(std::chrono::milliseconds period) { keepAlive_ = period; }
  std::chrono::milliseconds KeepAlivePeriod() const { return keepAlive_; }

  // Numbers the PBX answers itself with media. A service replaces an earlier
  // one of the same number; a service for a number that is also an
  // extension's takes the calls to that number.
  void AddMediaService(MediaService service);
  const std::vector<MediaService>& MediaServices() const { return services_; }
  // First service for `number`, or null.
  const MediaService* FindMediaService(const std::string& number) const;

  void SetMediaSettings(MediaSettings settings) { media_ = std::move(settings); }
  const MediaSettings& Media() const { return media_; }

  // How long after the last digit a number counts as complete (0: only '#'
  // or a number that can only be that one completes it).
  void SetDialPause(std::chrono::milliseconds pause) { dialPause_ = pause; }
  std::chrono::milliseconds DialPause() const { return dialPause_; }

  // An incoming call placed after every login.
  void SetRingIn(std::optional<RingInPlan> plan) { ringIn_ = std::move(plan); }
  const std::optional<RingInPlan>& RingIn() const { return ringIn_; }

  // The whole data memory: the records of extensions, lines and routes, with
  // the generic records laid over them (a generic record wins).
  DataMemory BuildDataMemory() const;

 private:
  DataMemory records_;
  std::deque<Extension> extensions_;
  std::vector<TrunkLine> lines_;
  std::vector<TrunkRoute> routes_;
  std::chrono::milliseconds keepAlive_{0};
  std::vector<MediaService> services_;
  MediaSettings media_;
  std::chrono::milliseconds dialPause_{3000};
  std::optional<RingInPlan> ringIn_;
};

}  // namespace pbxsim
