#include "platform/Cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace zy {
namespace {

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = Cp1252ToUtf8(byte);
    EXPECT_EQ(Utf8ToCp1252(utf8, '#'), byte) << "byte 0x" << std::hex << b;
  }
  // All 256 bytes in one text, including NUL in the middle.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

struct Mapping {
  std::string cp1252;
  std::string utf8;
};

class Cp1252Mapping : public ::testing::TestWithParam<Mapping> {};

TEST_P(Cp1252Mapping, ConvertsBothWays) {
  EXPECT_EQ(Cp1252ToUtf8(GetParam().cp1252), GetParam().utf8);
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(Characters, Cp1252Mapping,
                         ::testing::Values(Mapping{"A", "A"},
                                           Mapping{"\x80", "\xE2\x82\xAC"},  // euro sign U+20AC
                                           Mapping{"\xE0", "\xC3\xA0"},      // a grave U+00E0
                                           Mapping{"\x95", "\xE2\x80\xA2"},  // bullet U+2022
                                           Mapping{"\x9F", "\xC5\xB8"},      // Y diaeresis U+0178
                                           Mapping{"\x83", "\xC6\x92"},      // f hook U+0192
                                           Mapping{"\xA0", "\xC2\xA0"},      // no-break space
                                           Mapping{"\xFF", "\xC3\xBF"},      // y diaeresis U+00FF
                                           Mapping{"\x81", "\xC2\x81"},  // undefined: C1 control
                                           Mapping{"\x9D", "\xC2\x9D"},  // undefined: C1 control
                                           Mapping{"Citt\xE0 \x80"
                                                   "5",
                                                   "Citt\xC3\xA0 \xE2\x82\xAC"
                                                   "5"},
                                           Mapping{std::string("a\0b", 3), std::string("a\0b", 3)},
                                           Mapping{"", ""}));

struct Unmappable {
  const char* name;
  std::string utf8;
  std::string expected;
};

class Cp1252Unmappable : public ::testing::TestWithParam<Unmappable> {};

TEST_P(Cp1252Unmappable, BecomesTheReplacement) {
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Input, Cp1252Unmappable,
    ::testing::Values(
        // Valid characters without a code.
        Unmappable{"Cjk",
                   "x\xE4\xB8\xAD"
                   "y",
                   "x?y"},
        Unmappable{"Emoji", "\xF0\x9F\x98\x80", "?"},
        Unmappable{"C1WithA1252Code", "\xC2\x80", "?"},  // U+0080: 0x80 is the euro
        Unmappable{"Replacement", "\xEF\xBF\xBD", "?"},
        // Malformed UTF-8.
        Unmappable{"StrayContinuation",
                   "a\x80"
                   "b",
                   "a?b"},
        Unmappable{"ImpossibleLeads", "\xC0\xC1\xF5\xFF", "????"},
        Unmappable{"OverlongTwoBytes", "\xC0\xAF", "??"},
        Unmappable{"OverlongThreeBytes", "\xE0\x80\xAF", "???"},
        Unmappable{"Surrogate", "\xED\xA0\x80", "???"},
        Unmappable{"AboveUnicode", "\xF4\x90\x80\x80", "????"},
        Unmappable{"TruncatedAtEnd", "ab\xE2\x82", "ab?"},
        Unmappable{"TruncatedBeforeAscii", "\xE2\x82z", "?z"},
        Unmappable{"LeadAtEnd", "z\xC3", "z?"}, Unmappable{"TwoLeads", "\xC3\xC3\xA0", "?\xE0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1252, UsesTheGivenReplacement) { EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD\xFF", '_'), "__"); }

TEST(Cp1252, NeverReadsPastTheGivenLength) {
  // The view ends inside a sequence whose rest lies in the buffer beyond it.
  const std::string buffer = "ok\xE2\x82\xAC";
  EXPECT_EQ(Utf8ToCp1252(std::string_view(buffer.data(), 4)), "ok?");
  EXPECT_EQ(Cp1252ToUtf8(std::string_view(buffer.data(), 2)), "ok");
}

}  // namespace
}  // namespace zy
