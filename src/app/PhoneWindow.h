// The seam between the application object and the window that runs after
// the login. The phone window (display, keypad, calls) plugs in here through
// a factory; until it exists the program shows CLoggedInDlg.
//
// Threading: window thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/FirstLogin.h"
#include "app/SettingsStore.h"
#include "link/LinkClient.h"

class QWidget;

namespace zy {

class PhoneWindow {
 public:
  virtual ~PhoneWindow() = default;
  // The top-level window; the program ends when it closes.
  virtual QWidget* Widget() = 0;
  // Whether the window dials numbers handed to the program (its parameter,
  // or forwarded by a second copy). Numbers wait until a window that can
  // dial exists.
  virtual bool CanDial() const = 0;
  virtual void Dial(const std::string& number) = 0;
};

// What the window needs from the program.
struct PhoneWindowContext {
  SettingsStore& store;
  LinkClient& link;
  AppSession& session;
};

using PhoneWindowFactory = std::function<std::unique_ptr<PhoneWindow>(PhoneWindowContext&)>;

}  // namespace zy
