// Session start: the login of the configured extension, the loading of the
// object model, and the core of a reconnection.
//
// Threading: window thread (every step is a synchronous link request).
// Messages are returned by string id with their arguments; the caller shows
// them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/StringTable.h"
#include "link/LinkClient.h"
#include "model/ExtInfo.h"

namespace zy {

inline constexpr int kPhoneProtocolVersion = 4;
// Password used when the PBX has no password parameter for the extension.
inline constexpr int kFallbackPassword = 6093;
inline constexpr uint16_t kSystemOwner = 1280;
inline constexpr uint16_t kParamSystemOptions = 9994;

// String ids of the session's messages.
inline constexpr int kStrGenericConnectError = 160;
inline constexpr int kStrIncompatible = 287;
inline constexpr int kStrNotAvailable = 288;
inline constexpr int kStrOptionDisabled = 318;
inline constexpr int kStrNotConfigured = 162;
inline constexpr int kStrNotExisting = 316;
inline constexpr int kStrNoPort = 321;
inline constexpr int kStrAlreadyConnected = 350;
inline constexpr int kStrBadPassword = 367;

// A message to show: a string id (0 = the empty message) and its %1, %2.
struct SessionMessage {
  int stringId = 0;
  std::vector<std::string> args;
  bool operator==(const SessionMessage&) const = default;
};

struct LoginParams {
  std::string extension;  // the number typed or stored, Windows-1252
  std::string password;   // compared numerically with the PBX's
  uint16_t rtpPort = 20000;
  uint8_t codecCode = 16;
};

// What the session grants besides the LinkState fields.
struct SessionFlags {
  bool hotelFunctions = false;    // option word bit 0x8 and the hotel edition
  bool mayAssignCharges = false;  // bit 31 of the extension's flag word
};

struct LoginResult {
  bool ok = false;
  // The PBX never answered: the caller shows the connection error.
  bool noReply = false;
  SessionMessage message;  // when !ok and the PBX answered
};

// Logs in over an open link. On a refusal, an incompatible version or a
// wrong password the link is closed.
LoginResult Login(LinkClient& link, const LoginParams& params, SessionFlags& flags);

// The containers a session fills.
struct PbxModel {
  CExtInfo extensions;
  CTklineInfo lines;
  CTkrouteInfo routes;
};

// Loads the containers: on the first login everything, on a reconnection
// only what is not loaded yet. False on the first failure.
bool LoadModel(LinkClient& link, PbxModel& model, bool first);

// The key that asks the PBX to refresh the display and lamps after a login.
inline constexpr uint16_t kKeyRefresh = 'p';

struct ReconnectResult {
  bool ok = false;
  bool gaveUp = false;     // the user cancelled the connection loop
  SessionMessage message;  // when !ok and not given up
};

// The core of a reconnection after a lost link: close, connect (asking the
// user through `askRetry`), log in again, load what is missing, send 'p'.
// The window's part (minimise, warning dialog, restore) is the caller's.
ReconnectResult ReconnectSession(LinkClient& link, const LoginParams& params, SessionFlags& flags,
                                 PbxModel& model, const LinkClient::RetryDecision& askRetry);

// Windows-1252 text of a session message in a language.
std::string SessionMessageText(const SessionMessage& message,
                               Language language = Language::Italian);

}  // namespace zy
