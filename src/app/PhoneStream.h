// What the PBX's two streams ask of the phone window, as plain actions.
//
// The display stream (payload of 0xFE04) switches lamps, rings, moves the
// text cursor, sets the lamps of programmable keys and writes the phone
// status byte; the status stream (0xFE3B) carries either a display line or
// the status record with the current mode and the ALARM and ID lamps.
// `PhoneStream` reads both, keeps the phone status byte and the current
// mode, and returns the actions in stream order; the window applies them
// (lamps, display, ring player, audio path, menus) and holds no rule of its
// own.
//
// Threading: window thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "app/DisplayLine.h"

namespace zy {

// The three layouts of the phone window.
enum class PhoneLayout {
  Basic,  // keypad and the call keys only
  Pro,    // full keypad, function buttons and the "Uc" button
  Hotel,  // full keypad and function buttons, without "Uc"
};

// Layout chosen from the edition flags of the login reply: the basic flag
// wins, then Pro, then hotel; none of them gives the basic layout.
PhoneLayout LayoutForEdition(uint8_t editionFlags);

// Whether the layout has the function buttons (MUTE, ND, mode, ALARM, ID).
bool HasFunctionButtons(PhoneLayout layout);

// Bits of the phone status byte.
inline constexpr uint8_t kPhoneBusy = 0x01;        // off-hook or in a call
inline constexpr uint8_t kPhoneSpeechPath = 0x02;  // the speech path is open
inline constexpr uint8_t kPhoneStatusMask = 0x1F;

// Lamps of the display stream carry these numbers.
inline constexpr uint8_t kLampNumberNd = 16;
inline constexpr uint8_t kLampNumberMessages = 17;
inline constexpr uint8_t kLampNumberCalls = 18;
inline constexpr uint8_t kLampNumberUc = 19;

enum class PhoneLamp { Nd, Messages, Calls, Uc, Mute, Alarm, Id };

// Ring sounds in the order of their commands ')' .. '-'.
enum class RingSound { Trunk = 0, Extension = 1, Hold = 2, Booking = 3, Beep = 4 };
inline constexpr int kRingSoundCount = 5;

// Owner and base parameter of the mode names (parameter = base + mode).
inline constexpr uint16_t kModeNameOwner = 1280;
inline constexpr uint16_t kModeNameBase = 0x27A0;
inline constexpr int kHolidayMode = 0;

// --- Actions -------------------------------------------------------------

struct SetLampAction {
  PhoneLamp lamp;
  bool on;
  bool operator==(const SetLampAction&) const = default;
};
// Stop the ring sound and the flashing of the window.
struct StopRingAction {
  bool operator==(const StopRingAction&) const = default;
};
// Play a ring sound, then draw the user's attention to the window.
struct StartRingAction {
  RingSound sound;
  bool operator==(const StartRingAction&) const = default;
};
// A cursor command for the display (command byte 0x50..0x57, position).
struct CursorAction {
  uint8_t command;
  uint8_t position;
  bool operator==(const CursorAction&) const = default;
};
// The lamp of programmable key `key` (0..1023) shows `state` (0..7).
struct KeyLampAction {
  int key;
  int state;
  bool operator==(const KeyLampAction&) const = default;
};
// A line for the display.
struct DisplayLineAction {
  DisplayLine line;
  bool operator==(const DisplayLineAction&) const = default;
};
// The busy bit changed: tell the audio path and the panels that read it.
struct BusyAction {
  bool busy;
  bool operator==(const BusyAction&) const = default;
};
// Enabled state of the function buttons; ALARM is always disabled. Buttons
// that the layout lacks are left alone by the window.
struct EnableButtonsAction {
  bool nd;
  bool mode;
  bool id;
  bool uc;
  bool operator==(const EnableButtonsAction&) const = default;
};
// Mute (or unmute) the microphone, when audio is available.
struct MuteMicrophoneAction {
  bool mute;
  bool operator==(const MuteMicrophoneAction&) const = default;
};
// The phone has become idle: end the current attempt of an SMS run and
// release this extension's claims on missed calls.
struct PhoneIdleAction {
  bool operator==(const PhoneIdleAction&) const = default;
};
// The current mode is `mode`: the mode button shows parameter
// `parameter` of `owner` when it can be read, else `fallbackName`.
struct ModeAction {
  int mode;
  uint16_t owner;
  uint16_t parameter;
  std::string fallbackName;
  bool operator==(const ModeAction&) const = default;
};

using PhoneAction = std::variant<SetLampAction, StopRingAction, StartRingAction, CursorAction,
                                 KeyLampAction, DisplayLineAction, BusyAction, EnableButtonsAction,
                                 MuteMicrophoneAction, PhoneIdleAction, ModeAction>;
using PhoneActions = std::vector<PhoneAction>;

// --- Helpers -------------------------------------------------------------

// Mode of the status record's mode character: 'H' 0, 'F' 1, 'E' 2, '3'..'9'
// 3..9; nothing for any other character.
std::optional<int> ModeOfCharacter(uint8_t c);

// "Modo %d", the mode button's text when the mode's name cannot be read.
std::string DefaultModeName(int mode);

// The mode button's text: the name read from the PBX (up to its first NUL)
// when there is one, else DefaultModeName.
std::string ModeButtonText(int mode, const std::optional<std::string>& readName);

// The enabled state of the function buttons for a status byte.
EnableButtonsAction ButtonStates(bool busy, bool isOperator);

// --- Stream interpreter --------------------------------------------------

class PhoneStream {
 public:
  PhoneStream(PhoneLayout layout, bool isOperator) : layout_(layout), isOperator_(isOperator) {}

  // One 0xFE04 payload. Commands that lack the bytes they need at the end of
  // the payload are dropped; nothing beyond the payload is read.
  PhoneActions Display(std::span<const uint8_t> payload);

  // One 0xFE3B frame: its subject (low byte the line, high byte the
  // attributes) and payload. A display line in every layout; the status
  // record only in the layouts with function buttons. A record too short
  // for a field leaves that field's lamp or mode as it was; an unknown mode
  // character leaves the mode as it was.
  PhoneActions Status(uint16_t subject, std::span<const uint8_t> payload);

  // A phone status command: the new status byte (low five bits used).
  PhoneActions SetPhoneStatus(uint8_t value);

  // The link was lost: the status byte goes back to 0, with the effects of
  // any change to 0 (buttons enabled again, MUTE lamp off, phone idle), so
  // that the state after the reconnection starts from a clean idle phone.
  PhoneActions ClearPhoneStatus() { return SetPhoneStatus(0); }

  uint8_t PhoneStatus() const { return status_; }
  bool Busy() const { return (status_ & kPhoneBusy) != 0; }
  // The current mode; nothing until a status record has set it.
  std::optional<int> Mode() const { return mode_; }
  PhoneLayout Layout() const { return layout_; }
  bool IsOperator() const { return isOperator_; }

  // Enabled state of the function buttons for the current status byte (at
  // window initialisation: ND off for operators, mode off for the others).
  EnableButtonsAction Buttons() const { return ButtonStates(Busy(), isOperator_); }

 private:
  void Lamp(PhoneActions& out, uint8_t command, uint8_t number) const;
  void StatusChange(PhoneActions& out, uint8_t value);

  PhoneLayout layout_;
  bool isOperator_;
  uint8_t status_ = 0;
  std::optional<int> mode_;
};

}  // namespace zy
