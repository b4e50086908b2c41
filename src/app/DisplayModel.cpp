#include "app/DisplayModel.h"

namespace zy {

bool IsMenuLineText(std::string_view text) {
  return text.size() >= 2 && (text[1] == '.' || text[1] == kBulletChar);
}

int LineDigitOf(std::string_view text) {
  if (text.empty()) return -1;
  return static_cast<unsigned char>(text[0]) - '0';
}

bool DisplayModel::SetLine(const DisplayLine& line) {
  if (line.line < 0 || line.line >= kDisplayLines) return false;
  DisplayLineState next;
  next.text = line.text;
  next.inverse = line.inverse;
  next.large = line.large;
  next.hovered = hovered_ == line.line && line.line >= kFirstMenuLine && IsMenuLineText(line.text);
  if (hovered_ == line.line && !next.hovered) hovered_ = -1;

  DisplayLineState& current = lines_[static_cast<size_t>(line.line)];
  if (current == next) return false;
  current = std::move(next);
  return true;
}

bool DisplayModel::SetCursor(uint8_t command, uint8_t position) {
  const CursorState before = cursor_;
  cursor_.style = command & 0x07;
  if (position == 0xFF) {
    cursor_.shown = false;
  } else if (position / kDisplayColumns < static_cast<size_t>(kDisplayLines)) {
    cursor_.shown = true;
    cursor_.line = position / static_cast<int>(kDisplayColumns);
    cursor_.column = position % static_cast<int>(kDisplayColumns);
  }
  return before.shown != cursor_.shown ||
         (cursor_.shown && (before.line != cursor_.line || before.column != cursor_.column));
}

int DisplayModel::HitLine(int y, int bandHeight) const {
  for (int i = kFirstMenuLine; i < kDisplayLines; ++i) {
    const DisplayLineState& l = lines_[static_cast<size_t>(i)];
    const int top = i * bandHeight;
    if (y >= top && y < top + l.LineHeight() && IsMenuLineText(l.text)) return i;
  }
  return -1;
}

int DisplayModel::SetHovered(int index) {
  const int previous = hovered_;
  if (index < kFirstMenuLine || index >= kDisplayLines) index = -1;
  if (previous >= 0) lines_[static_cast<size_t>(previous)].hovered = false;
  if (index >= 0) lines_[static_cast<size_t>(index)].hovered = true;
  hovered_ = index;
  return previous;
}

int DisplayModel::LineDigit() const {
  if (hovered_ < 0) return -1;
  return LineDigitOf(lines_[static_cast<size_t>(hovered_)].text);
}

}  // namespace zy
