// The keys the phone sends to the PBX (0xFE14) for what the user does:
// keypad buttons, typing on the PC keyboard, clicks on display menu lines,
// keyboard shortcuts bound to programmable keys, numbers handed over by other
// programs and the dial dialog.
//
// Digits of the keypad and of the PC keyboard are offered first to the RTP
// session as in-band tone events; only when the session does not take them
// is the key sent. A `KeyPress` says both.
//
// Threading: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zy {

inline constexpr uint16_t kKeyOffHook = 'X';
inline constexpr uint16_t kKeyOnHook = '$';
inline constexpr uint16_t kKeyHold = 'H';
inline constexpr uint16_t kKeyMute = 'M';
inline constexpr uint16_t kKeyYes = 'Y';
inline constexpr uint16_t kKeyNo = 'N';
inline constexpr uint16_t kKeyUp = 'P';
inline constexpr uint16_t kKeyDown = 'D';
inline constexpr uint16_t kKeyLeft = 'L';
inline constexpr uint16_t kKeyRight = 'R';
inline constexpr uint16_t kKeyClear = 'C';
// Key 'p', which asks the PBX to rewrite display and lamps, is kKeyRefresh of
// link/Session.h (defined there once, so that both headers can be included).

// Keys typed while the display shows a cursor, and programmable keys.
inline constexpr uint16_t kTextKeyFirst = 0x8010;
inline constexpr uint16_t kTextKeyLast = 0x804F;
inline constexpr uint16_t kProgrammableKeyBase = 0x8000;
// Keyboard shortcut commands at or above this reach the PBX as keys.
inline constexpr uint16_t kShortcutKeyCommandFirst = 0xF800;

// A number from the dial dialog holds at most this many characters.
inline constexpr size_t kMaxDialDigits = 32;

struct KeyPress {
  std::optional<int> toneEvent;  // offered to the RTP session first
  uint16_t keyCode = 0;          // sent when the session does not take the tone
  bool operator==(const KeyPress&) const = default;
};

// In-band tone event of a dialled character: '0'..'9' 0..9, '*' 10, '#' 11.
std::optional<int> ToneEventOf(char32_t ch);

// Key code of a keypad digit: '1' ',', '2' ':', '3' ';', '4' '[', '5' ']',
// '6' '{', '7' '}', '8' '(', '9' ')', '0' '.', '*' '!', '#' '|'.
std::optional<uint16_t> KeypadKeyCode(char32_t ch);

// A keypad button ("0".."9", "*", "#"): tone first, else the keypad code.
std::optional<KeyPress> KeypadPress(char32_t ch);

// A character typed on the PC keyboard while the display shows a cursor:
// A..Z (either case) 0x8010..0x8029, ' '..'@' 0x802A..0x804A, '[' and ']'
// 0x804B, '\' 0x804C, '^' 0x804D, '{' and '}' 0x804E, '`' 0x804F; nothing for
// the other characters.
std::optional<uint16_t> CursorKeyCode(char32_t ch);

// What a character typed on the PC keyboard sends: with a cursor on the
// display its text-entry code (no tone); without one, '0'..'9', '*', '#' as
// a tone first, else as the character itself (a dialled digit). Nothing for
// any other character.
std::optional<KeyPress> TypedKey(char32_t ch, bool cursorShown);

// A keyboard shortcut bound to a command at or above 0xF800 sends
// 0x8000 + (command & 0x7FF); other commands belong to the window.
std::optional<uint16_t> ShortcutKeyCode(uint16_t command);

// A click on a display menu line: the keypad code of its digit (0..9);
// nothing for any other value (no line hovered, no digit).
std::optional<uint16_t> MenuLineKeyCode(int digit);

// The characters '0'..'9', '#', '*' of a text, in order, at most `max`.
std::string DialableCharacters(std::string_view text, size_t max = kMaxDialDigits);

// A number handed over by another copy of the phone or by the PBX (0xFE76):
// a text longer than five characters gets key '0' first; then each '0'..'9',
// '#', '*' of the text, the other characters ignored. The text ends at its
// first NUL.
std::vector<uint16_t> ForwardedNumberKeys(std::string_view text);

// The command-line parameter of this copy: key '0' first whatever the
// length, then the dialable characters as above.
std::vector<uint16_t> CommandLineNumberKeys(std::string_view text);

// The dial dialog's result: every character of the prefix, then the number.
std::vector<uint16_t> DialDialogKeys(std::string_view prefix, std::string_view number);

}  // namespace zy
