// The first login from the login dialog: store the typed extension and
// password, resolve the PBX address, connect (asking the user whether to
// retry), log in and load the object model.
//
// Threading: window thread (every step is a synchronous link request). The
// user is asked and told through the callbacks, which run on the same thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "link/LinkClient.h"
#include "link/Session.h"

namespace zy {

// What one run of the program holds from the login on.
struct AppSession {
  StartupSettings settings;
  PbxModel model;
  SessionFlags flags;
  // The user gave up the connection loop: the next attempt starts afresh.
  bool linkNeedsReset = false;
  // The PBX address has been resolved and handed to the link.
  bool addressResolved = false;
};

// A message for the user, as Windows-1252 text in the language in use; shown
// modally with the error icon.
using ShowMessageFn = std::function<void(const std::string& text)>;

// The PBX address in dotted form: the "Ip Address" setting in direct mode.
// Nothing in dial-up mode (there is no remote-access service on this
// platform) or without an address; the caller then shows message 160.
std::optional<std::string> ResolvePbxAddress(const StartupSettings& settings);

// The login of the stored extension with the stored connection settings.
LoginParams LoginParamsOf(const StartupSettings& settings);

// The connection error after a request went unanswered: the link's recorded
// failure (153, 157, 164, 275 with its code), else message 160.
std::string ConnectionErrorText(const LinkClient& link, Language language);

// The text of a failed settings write (103 or 106).
std::string SettingsWriteText(const SettingsWriteResult& result, Language language);

class CFirstLogin {
 public:
  CFirstLogin(SettingsStore& store, LinkClient& link, AppSession& session)
      : store_(store), link_(link), session_(session) {}

  // Runs the login with the typed texts (Windows-1252). True when the
  // session is up and the model is loaded; false when the dialog stays open
  // (the reason has been shown).
  bool Run(const std::string& extension, const std::string& password,
           const LinkClient::RetryDecision& askRetry, const ShowMessageFn& show, Language language);

 private:
  SettingsStore& store_;
  LinkClient& link_;
  AppSession& session_;
};

}  // namespace zy
