#include "app/PhoneKeys.h"

namespace zy {

namespace {

bool IsDialable(char32_t ch) { return (ch >= '0' && ch <= '9') || ch == '*' || ch == '#'; }

void AppendDialable(std::vector<uint16_t>& keys, std::string_view text) {
  for (const char c : text) {
    if (IsDialable(static_cast<unsigned char>(c))) keys.push_back(static_cast<unsigned char>(c));
  }
}

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::optional<int> ToneEventOf(char32_t ch) {
  if (ch >= '0' && ch <= '9') return static_cast<int>(ch - '0');
  if (ch == '*') return 10;
  if (ch == '#') return 11;
  return std::nullopt;
}

std::optional<uint16_t> KeypadKeyCode(char32_t ch) {
  // Indexed by the digit: keypad 0 .. keypad 9.
  static constexpr char kDigitKeys[] = {'.', ',', ':', ';', '[', ']', '{', '}', '(', ')'};
  if (ch >= '0' && ch <= '9') return static_cast<uint16_t>(kDigitKeys[ch - '0']);
  if (ch == '*') return static_cast<uint16_t>('!');
  if (ch == '#') return static_cast<uint16_t>('|');
  return std::nullopt;
}

std::optional<KeyPress> KeypadPress(char32_t ch) {
  const auto code = KeypadKeyCode(ch);
  if (!code) return std::nullopt;
  return KeyPress{ToneEventOf(ch), *code};
}

std::optional<uint16_t> CursorKeyCode(char32_t ch) {
  if (ch >= 'a' && ch <= 'z') ch -= 'a' - 'A';
  if (ch >= 'A' && ch <= 'Z') return static_cast<uint16_t>(0x8010 + (ch - 'A'));
  if (ch >= 0x20 && ch <= 0x40) return static_cast<uint16_t>(0x802A + (ch - 0x20));
  switch (ch) {
    case '[':
    case ']':
      return 0x804B;
    case '\\':
      return 0x804C;
    case '^':
      return 0x804D;
    case '{':
    case '}':
      return 0x804E;
    case '`':
      return 0x804F;
    default:
      return std::nullopt;
  }
}

std::optional<KeyPress> TypedKey(char32_t ch, bool cursorShown) {
  if (cursorShown) {
    const auto code = CursorKeyCode(ch);
    if (!code) return std::nullopt;
    return KeyPress{std::nullopt, *code};
  }
  if (!IsDialable(ch)) return std::nullopt;
  return KeyPress{ToneEventOf(ch), static_cast<uint16_t>(ch)};
}

std::optional<uint16_t> ShortcutKeyCode(uint16_t command) {
  if (command < kShortcutKeyCommandFirst) return std::nullopt;
  return static_cast<uint16_t>(kProgrammableKeyBase + (command & 0x7FF));
}

std::optional<uint16_t> MenuLineKeyCode(int digit) {
  if (digit < 0 || digit > 9) return std::nullopt;
  return KeypadKeyCode(static_cast<char32_t>('0' + digit));
}

std::string DialableCharacters(std::string_view text, size_t max) {
  std::string out;
  for (const char c : text) {
    if (out.size() >= max) break;
    if (IsDialable(static_cast<unsigned char>(c))) out += c;
  }
  return out;
}

std::vector<uint16_t> ForwardedNumberKeys(std::string_view text) {
  text = UpToNul(text);
  std::vector<uint16_t> keys;
  if (text.size() > 5) keys.push_back('0');
  AppendDialable(keys, text);
  return keys;
}

std::vector<uint16_t> CommandLineNumberKeys(std::string_view text) {
  std::vector<uint16_t> keys{'0'};
  AppendDialable(keys, UpToNul(text));
  return keys;
}

std::vector<uint16_t> DialDialogKeys(std::string_view prefix, std::string_view number) {
  std::vector<uint16_t> keys;
  for (const char c : prefix) keys.push_back(static_cast<unsigned char>(c));
  for (const char c : number) keys.push_back(static_cast<unsigned char>(c));
  return keys;
}

}  // namespace zy
