// The rules of the phone window's function-button menus: do-not-disturb,
// the mode, identity sending and availability ("Uc"). The window opens the
// menu, reads the data-memory parameters named here, and sends or writes
// what these functions decide.
//
// Threading: pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zy {

// PBX service functions (0xFE27).
inline constexpr uint16_t kFunctionNdToggle = 56;
inline constexpr uint16_t kFunctionMode1 = 51;
inline constexpr uint16_t kFunctionMode2 = 52;
inline constexpr uint16_t kFunctionHolidayMode = 53;
inline constexpr uint16_t kFunctionModeBase = 96;  // + mode, for modes 3..9
inline constexpr uint16_t kFunctionIdentityOn = 54;
inline constexpr uint16_t kFunctionIdentityOff = 55;

// Parameters of the extension (owner `ownId`).
inline constexpr uint16_t kParamAnswerMessage = 272;
inline constexpr uint16_t kParamIdentity = 274;
inline constexpr uint16_t kParamAvailability = 279;
inline constexpr uint16_t kParamReachNumber = 291;

// --- Do not disturb ---------------------------------------------------------

// The ND lamp is the current state; choosing the other state toggles it,
// choosing the current one does nothing.
std::optional<uint16_t> NdMenuFunction(bool ndOn, bool chooseOn);

// --- Mode --------------------------------------------------------------------

struct ModeMenuItem {
  int commandId;
  int mode;
  std::string_view defaultText;
};

// "Modo &1" .. "Modo &9", then "Modo ferie" (mode 0).
std::span<const ModeMenuItem> ModeMenuItems();

// The service function that selects `mode`: 1 51, 2 52, holiday 53, 3..9
// 96 + mode; nothing for any other value.
std::optional<uint16_t> ModeFunction(int mode);

// Choosing `chosen` in the menu: its function, or nothing when it is the
// current mode.
std::optional<uint16_t> ModeMenuFunction(std::optional<int> current, int chosen);

// --- Identity sending --------------------------------------------------------

// Identity sending is off when bit 1 of parameter 274 (hexadecimal) is set;
// a parameter that cannot be read counts as on.
bool IdentitySendingOff(const std::optional<std::string>& parameter274);

// Choosing "abilitato" (`chooseOn`) while off sends 54, "non abilitato"
// while on sends 55; the current state does nothing.
std::optional<uint16_t> IdentityMenuFunction(bool sendingOff, bool chooseOn);

// --- Availability ------------------------------------------------------------

inline constexpr uint32_t kAvailReachOnNumber = 1u << 16;
inline constexpr uint32_t kAvailNotReachable = 1u << 17;
inline constexpr uint32_t kAvailAnswerMessage = 1u << 18;

enum class AvailabilityItem {
  Reachable,      // "contattabile"
  OnNumber,       // "contattabile su numero"
  AnswerMessage,  // "messaggio di risposta"
};

// The flag word of parameter 279; a missing parameter is all flags clear.
uint32_t AvailabilityWord(const std::optional<std::string>& parameter279);

// The word as it is written back: "%lx".
std::string FormatAvailabilityWord(uint32_t word);

// Whether an item is checked for a word.
bool AvailabilityChecked(uint32_t word, AvailabilityItem item);

// What choosing an item does. When `askParameter` is set, the window first
// asks for that parameter's text (the number for 291, the message for 272)
// with the parameter's current value; on OK it writes the text, reads it
// back, then writes `word`; on cancel nothing is written. Otherwise `word`
// is written at once.
struct AvailabilityStep {
  std::optional<uint16_t> askParameter;
  uint32_t word = 0;
  bool operator==(const AvailabilityStep&) const = default;
};
AvailabilityStep AvailabilityChoice(uint32_t word, AvailabilityItem item);

}  // namespace zy
