// The state of the phone's 12-line display without any drawing: what each
// line shows, the text cursor, and the menu line under the mouse.
//
// The PBX writes lines (status stream) and moves the cursor (display
// stream); the mouse hovers and clicks menu lines, numbered lines such as
// "3. Trasferimento" whose first character is the digit the PBX expects.
//
// Threading: window thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/DisplayLine.h"

namespace zy {

inline constexpr int kNormalFontPixels = 16;
inline constexpr int kNormalLineHeight = 20;
inline constexpr int kLargeFontPixels = 36;
inline constexpr int kLargeLineHeight = 40;

// Lines 1 to 11 may be menu lines; line 0 never is.
inline constexpr int kFirstMenuLine = 1;

inline constexpr char kBulletChar = '\x95';    // Windows-1252 bullet
inline constexpr char kCurrencyChar = '\xA4';  // Windows-1252 currency sign

// A menu line's text has '.' or the bullet as its second character.
bool IsMenuLineText(std::string_view text);

// The first character of a text minus '0' (0..9 for a digit, another value
// for anything else); -1 for an empty text.
int LineDigitOf(std::string_view text);

struct DisplayLineState {
  std::string text = std::string(kDisplayColumns, ' ');
  bool inverse = false;
  bool large = false;
  bool hovered = false;

  int FontPixels() const { return large ? kLargeFontPixels : kNormalFontPixels; }
  int LineHeight() const { return large ? kLargeLineHeight : kNormalLineHeight; }
  bool operator==(const DisplayLineState&) const = default;
};

struct CursorState {
  bool shown = false;
  int line = 0;
  int column = 0;
  int style = 0;  // 0..7, kept as the PBX sent it
  bool operator==(const CursorState&) const = default;
};

class DisplayModel {
 public:
  const DisplayLineState& Line(int index) const { return lines_[static_cast<size_t>(index)]; }
  const CursorState& Cursor() const { return cursor_; }
  bool CursorShown() const { return cursor_.shown; }

  // Stores a line sent by the PBX. True when what it shows changed (text,
  // inverse, size or hover), so that only then the line is redrawn. A
  // hovered line that stops being a menu line loses its hover. Lines
  // outside 0..11 are ignored.
  bool SetLine(const DisplayLine& line);

  // Display stream cursor command: `command` 0x50..0x57 (its low three bits
  // are the style) and the position byte; 0xFF hides the cursor, any other
  // value is line = position / 32, column = position % 32. True when the
  // cursor appeared, disappeared or moved.
  bool SetCursor(uint8_t command, uint8_t position);

  // The menu line (1..11) whose band contains `y` (pixels from the top of
  // the display area, bands `bandHeight` apart, each as high as its line);
  // -1 when there is none. The first matching line wins, so a large line
  // that overlaps the next band takes the point.
  int HitLine(int y, int bandHeight) const;

  // The hovered menu line, -1 for none. SetHovered returns the previous one
  // so that both can be redrawn; an index that is not a line clears it.
  int Hovered() const { return hovered_; }
  int SetHovered(int index);

  // The digit of the hovered line's first character (0..9, or another
  // value when it is not a digit); -1 when no line is hovered.
  int LineDigit() const;

 private:
  std::array<DisplayLineState, kDisplayLines> lines_{};
  CursorState cursor_;
  int hovered_ = -1;
};

}  // namespace zy
