#include "app/PhoneKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zy {
namespace {

using Keys = std::vector<uint16_t>;

Keys KeysOf(const std::string& s) { return Keys(s.begin(), s.end()); }

// --- Keypad ----------------------------------------------------------------

TEST(PhoneKeys, KeypadCodesAndTones) {
  const std::string digits = "1234567890*#";
  const std::string codes = ",:;[]{}().!|";
  for (size_t i = 0; i < digits.size(); ++i) {
    const auto press = KeypadPress(static_cast<unsigned char>(digits[i]));
    ASSERT_TRUE(press) << digits[i];
    EXPECT_EQ(press->keyCode, static_cast<uint16_t>(codes[i])) << digits[i];
    const int tone = digits[i] == '*' ? 10 : digits[i] == '#' ? 11 : digits[i] - '0';
    EXPECT_EQ(press->toneEvent, tone) << digits[i];
  }
  EXPECT_FALSE(KeypadPress('A'));
}

// --- PC keyboard -------------------------------------------------------------

TEST(PhoneKeys, LetterWithCursorSendsTextCodeInEitherCase) {
  EXPECT_EQ(TypedKey('A', true), (KeyPress{std::nullopt, 0x8010}));
  EXPECT_EQ(TypedKey('a', true), (KeyPress{std::nullopt, 0x8010}));
}

TEST(PhoneKeys, CursorMapping) {
  struct Case {
    char32_t ch;
    std::optional<uint16_t> code;
  };
  const Case cases[] = {
      {'Z', 0x8029}, {'z', 0x8029}, {' ', 0x802A},  {'0', 0x803A}, {'@', 0x804A},
      {'[', 0x804B}, {']', 0x804B}, {'\\', 0x804C}, {'^', 0x804D}, {'{', 0x804E},
      {'}', 0x804E}, {'`', 0x804F}, {'_', {}},      {'|', {}},     {'~', {}},
      {0x7F, {}},    {0x1F, {}},    {U'é', {}},     {U'€', {}},
  };
  for (const Case& c : cases) EXPECT_EQ(CursorKeyCode(c.ch), c.code) << int(c.ch);
}

TEST(PhoneKeys, WithoutCursorOnlyDialCharactersAreSentAsThemselves) {
  EXPECT_EQ(TypedKey('5', false), (KeyPress{5, '5'}));
  EXPECT_EQ(TypedKey('*', false), (KeyPress{10, '*'}));
  EXPECT_EQ(TypedKey('#', false), (KeyPress{11, '#'}));
  EXPECT_FALSE(TypedKey('A', false));
  EXPECT_FALSE(TypedKey(' ', false));
  // With a cursor a digit is text, not a tone.
  EXPECT_EQ(TypedKey('5', true), (KeyPress{std::nullopt, 0x803F}));
}

TEST(PhoneKeys, ShortcutsToProgrammableKeys) {
  EXPECT_FALSE(ShortcutKeyCode(0xF7FF));
  EXPECT_EQ(ShortcutKeyCode(0xF800), 0x8000);
  EXPECT_EQ(ShortcutKeyCode(0xF805), 0x8005);
  EXPECT_EQ(ShortcutKeyCode(0xFFFF), 0x87FF);
}

// --- Display menu lines --------------------------------------------------------

// The click sends the same code as the keypad button of that digit, so
// "3. ..." selects item 3 with ';' (':' is keypad 2).
TEST(PhoneKeys, MenuLineDigitSendsTheKeypadCode) {
  EXPECT_EQ(MenuLineKeyCode(3), ';');
  EXPECT_EQ(MenuLineKeyCode(3), KeypadKeyCode('3'));
  EXPECT_EQ(MenuLineKeyCode(2), ':');
  EXPECT_EQ(MenuLineKeyCode(0), '.');
  EXPECT_EQ(MenuLineKeyCode(9), ')');
  EXPECT_FALSE(MenuLineKeyCode(-1));
  EXPECT_FALSE(MenuLineKeyCode(10));
  EXPECT_FALSE(MenuLineKeyCode('A' - '0'));
}

// --- Forwarded numbers -------------------------------------------------------------

TEST(PhoneKeys, ForwardedNumberGetsALeadingZeroWhenLong) {
  EXPECT_EQ(ForwardedNumberKeys("12345"), KeysOf("12345"));
  EXPECT_EQ(ForwardedNumberKeys("0212345"), KeysOf("00212345"));
}

TEST(PhoneKeys, ForwardedNumberSendsOnlyDialCharacters) {
  // The length counts every character, the keys only the dialable ones.
  EXPECT_EQ(ForwardedNumberKeys("+39 1"), KeysOf("391"));
  EXPECT_EQ(ForwardedNumberKeys("+39 12"), KeysOf("03912"));
  EXPECT_EQ(ForwardedNumberKeys("*12#"), KeysOf("*12#"));
  EXPECT_EQ(ForwardedNumberKeys(std::string("123\0"
                                            "456789",
                                            10)),
            KeysOf("123"));
  EXPECT_TRUE(ForwardedNumberKeys("").empty());
}

TEST(PhoneKeys, CommandLineNumberAlwaysStartsWithZero) {
  EXPECT_EQ(CommandLineNumberKeys("101"), KeysOf("0101"));
  EXPECT_EQ(CommandLineNumberKeys("uri:zycall:0212345678"), KeysOf("00212345678"));
  EXPECT_EQ(CommandLineNumberKeys(""), KeysOf("0"));
}

// --- Dial dialog --------------------------------------------------------------------

TEST(PhoneKeys, DialableCharactersKeepAtMost32) {
  EXPECT_EQ(DialableCharacters("Tel. +39 (02) 123-456 *9#"), "3902123456*9#");
  EXPECT_EQ(DialableCharacters(std::string(40, '7')), std::string(32, '7'));
  EXPECT_EQ(DialableCharacters("abc"), "");
}

TEST(PhoneKeys, DialDialogSendsPrefixThenNumber) {
  EXPECT_EQ(DialDialogKeys("0", "0212345"), KeysOf("00212345"));
  EXPECT_EQ(DialDialogKeys("", "101"), KeysOf("101"));
  EXPECT_EQ(DialDialogKeys("\xE9", "1"), (Keys{0xE9, '1'}));  // a byte, not a negative char
}

}  // namespace
}  // namespace zy
