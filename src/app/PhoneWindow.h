// The seam between the application object and the window that runs after
// the login: the phone window (CDalmoDlg). The program makes it through a
// factory, which tests may replace.
//
// Threading: window thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/FirstLogin.h"
#include "app/SettingsStore.h"
#include "link/LinkClient.h"

class QWidget;

namespace zy {

class PhoneAudio;
namespace ui {
class UiLinkEventSink;
}

// Where a number to dial comes from: the command-line parameter of this
// copy (key '0' goes first whatever its length), or another program (a
// second copy, the PBX's dial request: '0' first only for more than five
// characters).
enum class DialOrigin { CommandLine, Forwarded };

class PhoneWindow {
 public:
  virtual ~PhoneWindow() = default;
  // The top-level window; the program ends when it closes.
  virtual QWidget* Widget() = 0;
  // Whether the window dials numbers handed to the program (its parameter,
  // or forwarded by a second copy). Numbers wait until a window that can
  // dial exists.
  virtual bool CanDial() const = 0;
  virtual void Dial(const std::string& number, DialOrigin origin) = 0;
  // The phone status byte the PBX last wrote (bit 0 busy, bit 1 speech
  // path); 0 at start and after a lost link.
  virtual uint8_t PhoneStatus() const = 0;
};

// What the window needs from the program.
struct PhoneWindowContext {
  SettingsStore& store;
  LinkClient& link;
  AppSession& session;
  // The link's events reach the window through the handlers it sets here.
  ui::UiLinkEventSink& sink;
  // The sound side; null runs the phone without audio.
  PhoneAudio* audio = nullptr;
  // The session part of a reconnection after a lost link (close, connect
  // asking the user, log in, load what is missing, key 'p'); true when the
  // session is up again, false when the program must end (the reason has
  // been shown). The window minimises and disables itself around it.
  std::function<bool(QWidget* parent)> reconnect;
};

using PhoneWindowFactory = std::function<std::unique_ptr<PhoneWindow>(PhoneWindowContext&)>;

}  // namespace zy
