#include "app/FirstLogin.h"

#include "link/LinkMessages.h"

namespace zy {

std::optional<std::string> ResolvePbxAddress(const StartupSettings& settings) {
  if (settings.connectToIp != true || !settings.ipAddress) return std::nullopt;
  return FormatDottedQuad(*settings.ipAddress);
}

LoginParams LoginParamsOf(const StartupSettings& settings) {
  return LoginParams{settings.extension, settings.password, static_cast<uint16_t>(settings.rtpPort),
                     settings.codecCode};
}

std::string ConnectionErrorText(const LinkClient& link, Language language) {
  if (link.LastErrorStringId() != 0) {
    return LinkErrorText(link.LastErrorStringId(), link.LastErrorCode(), language);
  }
  return LoadString(kStrGenericConnectError, language);
}

std::string SettingsWriteText(const SettingsWriteResult& result, Language language) {
  return LoadFormatted(result.stringId, {result.argument}, language);
}

bool CFirstLogin::Run(const std::string& extension, const std::string& password,
                      const LinkClient::RetryDecision& askRetry, const ShowMessageFn& show,
                      Language language) {
  // The charge settings, the named-pipe server and the missed-call manager
  // are checked and started here, before the connection, once they exist.

  // The typed texts become the stored ones, whatever the PBX says.
  for (const auto& [name, value] :
       {std::pair{kSettingExtension, &extension}, std::pair{kSettingPassword, &password}}) {
    const SettingsWriteResult w = WriteSetting(store_, name, *value);
    if (!w.ok()) show(SettingsWriteText(w, language));
  }
  session_.settings.extension = extension;
  session_.settings.password = password;

  if (session_.linkNeedsReset) {
    link_.Close();
    session_.linkNeedsReset = false;
  }
  if (!session_.addressResolved) {
    const auto address = ResolvePbxAddress(session_.settings);
    if (!address) {
      show(LoadString(kStrGenericConnectError, language));
      return false;
    }
    link_.SetPbxAddress(*address, static_cast<uint16_t>(session_.settings.port));
    session_.addressResolved = true;
  }
  if (!link_.Connect(askRetry)) {
    session_.linkNeedsReset = true;
    return false;
  }

  LoginParams params = LoginParamsOf(session_.settings);
  params.extension = extension;
  params.password = password;
  const LoginResult login = Login(link_, params, session_.flags);
  if (!login.ok) {
    show(login.noReply ? ConnectionErrorText(link_, language)
                       : SessionMessageText(login.message, language));
    link_.Close();
    return false;
  }
  if (!LoadModel(link_, session_.model, true)) {
    show(ConnectionErrorText(link_, language));
    link_.Close();
    return false;
  }
  // One keep-alive goes out within 5 s of every login.
  link_.State().keepAliveDue = true;
  return true;
}

}  // namespace zy
