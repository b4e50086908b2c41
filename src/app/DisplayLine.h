// The display-line form of the status stream: which line, how it looks and
// the text it shows, independent of any drawing.
//
// Threading: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zy {

inline constexpr int kDisplayLines = 12;
inline constexpr size_t kDisplayColumns = 32;

struct DisplayLine {
  int line = 0;
  bool inverse = false;  // attribute bit 0
  bool large = false;    // attribute bit 1
  std::string text;      // Windows-1252, at most 32 characters
  bool operator==(const DisplayLine&) const = default;
};

// The characters of a line as shown: 0xFF bytes are skipped, 0x80 and 0x83
// become '•', 0x81 '¤', printable ASCII stays, anything else becomes '-';
// at most 32 characters.
std::string MapDisplayText(const uint8_t* chars, size_t count);

// A status block (subject: low byte the line number, high byte attributes)
// is a display line when attribute bit 2 is clear and the line is below 12;
// nothing otherwise (it is then the status record).
std::optional<DisplayLine> ParseDisplayLine(uint16_t subject, const uint8_t* payload,
                                            size_t length);

}  // namespace zy
