#include "app/DisplayLine.h"

namespace zy {

std::string MapDisplayText(const uint8_t* chars, size_t count) {
  std::string text;
  text.reserve(kDisplayColumns);
  for (size_t i = 0; i < count && text.size() < kDisplayColumns; ++i) {
    const uint8_t c = chars[i];
    if (c == 0xFF) continue;
    if (c == 0x80 || c == 0x83) {
      text += '\x95';  // bullet
    } else if (c == 0x81) {
      text += '\xA4';  // currency sign
    } else if (c >= 0x20 && c <= 0x7E) {
      text += static_cast<char>(c);
    } else {
      text += '-';
    }
  }
  return text;
}

std::optional<DisplayLine> ParseDisplayLine(uint16_t subject, const uint8_t* payload,
                                            size_t length) {
  const int line = subject & 0xFF;
  const int attributes = subject >> 8;
  if ((attributes & 0x04) != 0 || line >= kDisplayLines) return std::nullopt;
  return DisplayLine{line, (attributes & 0x01) != 0, (attributes & 0x02) != 0,
                     MapDisplayText(payload, length)};
}

}  // namespace zy
