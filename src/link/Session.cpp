#include "link/Session.h"

#include <cstdio>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "link/Codes.h"
#include "link/Frame.h"
#include "link/FrameBuilders.h"

namespace zy {

namespace {

LoginResult Refused(LinkClient& link, SessionMessage message) {
  link.Close();
  return LoginResult{false, false, std::move(message)};
}

SessionMessage RefusalMessage(uint16_t replyCode, const std::string& extension) {
  switch (replyCode) {
    case code::kOptionDisabled:
      return {kStrOptionDisabled, {}};
    case code::kNotConfigured:
      return {kStrNotConfigured, {extension}};
    case code::kNotExisting:
      return {kStrNotExisting, {extension}};
    case code::kNoPort:
      return {kStrNoPort, {extension}};
    case code::kAlreadyConnected:
      return {kStrAlreadyConnected, {}};
    default:
      return {0, {}};  // the empty message
  }
}

}  // namespace

LoginResult Login(LinkClient& link, const LoginParams& params, SessionFlags& flags) {
  LinkState& state = link.State();
  state.PresetForLogin();
  link.ClearCache();

  std::string payload;
  payload.reserve(params.extension.size() + 2);
  payload += static_cast<char>(params.codecCode);
  payload += params.extension;
  payload += '\0';
  if (!link.RequestAndWait(BuildFrame(params.rtpPort, code::kLogin, 0, 0, payload))) {
    return LoginResult{false, true, {}};
  }
  const uint16_t reply = state.lastReplyCode;
  if (reply != code::kLoginAccepted) return Refused(link, RefusalMessage(reply, params.extension));

  const int minVersion = state.minVersion;
  const int maxVersion = state.maxVersion;
  if (minVersion > kPhoneProtocolVersion || kPhoneProtocolVersion > maxVersion) {
    std::string range;
    if (minVersion > maxVersion) {
      range = LoadString(kStrNotAvailable);
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%d-%d", minVersion, maxVersion);
      range = buf;
    }
    return Refused(link, {kStrIncompatible, {std::to_string(kPhoneProtocolVersion), range}});
  }

  const uint16_t ownId = state.ownId;
  const auto options = link.ReadParameter(kSystemOwner, kParamSystemOptions);
  flags.hotelFunctions = options && (ParseHexNumber(ParameterText(*options)) & 0x8) != 0 &&
                         (state.edition & kEditionHotel) != 0;
  const auto extFlags = link.ReadParameter(ownId, kParamFlags);
  flags.mayAssignCharges =
      extFlags && (ParseHexNumber(ParameterText(*extFlags)) & 0x80000000u) != 0;

  // The comparison is numeric: "0042" and "42" are the same password.
  const auto stored = link.ReadParameter(ownId, kParamPassword);
  const int expected = stored ? ParseDecimalNumber(ParameterText(*stored)) : kFallbackPassword;
  if (ParseDecimalNumber(params.password) != expected) {
    return Refused(link, {kStrBadPassword, {}});
  }
  return LoginResult{true, false, {}};
}

bool LoadModel(LinkClient& link, PbxModel& model, bool first) {
  if (first) model.extensions.Clear();
  return model.extensions.Load(link);
}

ReconnectResult ReconnectSession(LinkClient& link, const LoginParams& params, SessionFlags& flags,
                                 PbxModel& model, const LinkClient::RetryDecision& askRetry) {
  link.Close();
  if (!link.Connect(askRetry)) return ReconnectResult{false, true, {}};
  link.State().keepAliveDue = true;
  const LoginResult login = Login(link, params, flags);
  if (login.ok && LoadModel(link, model, false) && SendKey(link, kKeyRefresh)) {
    return ReconnectResult{true, false, {}};
  }
  link.Close();
  if (!login.ok && !login.noReply) return ReconnectResult{false, false, login.message};
  return ReconnectResult{false, false, {kStrGenericConnectError, {}}};
}

std::string SessionMessageText(const SessionMessage& message, Language language) {
  if (message.stringId == 0) return {};
  std::vector<std::string> args = message.args;
  // "non disponibile" stands in the arguments as an Italian text.
  if (message.stringId == kStrIncompatible && args.size() == 2 &&
      args[1] == LoadString(kStrNotAvailable, Language::Italian)) {
    args[1] = LoadString(kStrNotAvailable, language);
  }
  const std::string& pattern = LoadString(message.stringId, language);
  switch (args.size()) {
    case 0:
      return pattern;
    case 1:
      return FormatString(pattern, {args[0]});
    default:
      return FormatString(pattern, {args[0], args[1]});
  }
}

}  // namespace zy
