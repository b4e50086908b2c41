#include "app/DisplayModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DisplayLine.h"

namespace zy {
namespace {

using Bytes = std::vector<uint8_t>;

std::string Map(const Bytes& b) { return MapDisplayText(b.data(), b.size()); }
std::string Map(const std::string& s) {
  return MapDisplayText(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

// --- Line text and attributes ------------------------------------------------

TEST(DisplayLineText, LongLineShowsItsFirst32Characters) {
  const std::string forty = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
  ASSERT_EQ(forty.size(), 40u);
  EXPECT_EQ(Map(forty), forty.substr(0, 32));
}

TEST(DisplayLineText, ByteMapping) {
  struct Case {
    Bytes in;
    std::string out;
    const char* what;
  };
  const Case cases[] = {
      {{0x80, 0x81, 0xE9}, "\x95\xA4-", "bullet, currency sign, dash"},
      {{0x83}, "\x95", "0x83 is a bullet too"},
      {{'a', 0xFF, 'b', 0xFF}, "ab", "0xFF is skipped"},
      {{0x00, 0x1F, 0x7F, 0x82, 0xA0}, "-----", "control and other bytes"},
      {{0x20, 0x7E}, " ~", "printable ends"},
      {{}, "", "empty"},
  };
  for (const Case& c : cases) EXPECT_EQ(Map(c.in), c.out) << c.what;
}

TEST(DisplayLineText, SkippedBytesDoNotCountTowardsTheLimit) {
  Bytes in(40, 0xFF);
  in.insert(in.end(), 40, 'x');
  EXPECT_EQ(Map(in), std::string(32, 'x'));
}

TEST(DisplayLineParse, AttributesAndLineNumber) {
  const uint8_t text[] = {'A', 'B'};
  EXPECT_EQ(ParseDisplayLine(0x0100, text, 2), (DisplayLine{0, true, false, "AB"}));
  EXPECT_EQ(ParseDisplayLine(0x020B, text, 2), (DisplayLine{11, false, true, "AB"}));
  EXPECT_FALSE(ParseDisplayLine(0x000C, text, 2));  // line 12
  EXPECT_FALSE(ParseDisplayLine(0x0401, text, 2));  // attribute bit 2
}

// --- Model -----------------------------------------------------------------------

class DisplayModelTest : public ::testing::Test {
 protected:
  bool Set(int line, const std::string& text, bool inverse = false, bool large = false) {
    return model.SetLine(DisplayLine{line, inverse, large, text});
  }
  DisplayModel model;
};

TEST_F(DisplayModelTest, StartsBlankWithoutCursor) {
  for (int i = 0; i < kDisplayLines; ++i) {
    EXPECT_EQ(model.Line(i).text, std::string(32, ' '));
    EXPECT_FALSE(model.Line(i).large);
  }
  EXPECT_FALSE(model.CursorShown());
  EXPECT_EQ(model.LineDigit(), -1);
}

TEST_F(DisplayModelTest, LineChangesOnlyWhenItsLookChanges) {
  EXPECT_TRUE(Set(3, "Ciao"));
  EXPECT_FALSE(Set(3, "Ciao"));
  EXPECT_TRUE(Set(3, "Ciao", /*inverse=*/true));
  EXPECT_TRUE(Set(3, "Ciao", true, /*large=*/true));
  EXPECT_FALSE(Set(3, "Ciao", true, true));
  EXPECT_EQ(model.Line(3).FontPixels(), 36);
  EXPECT_EQ(model.Line(3).LineHeight(), 40);
  EXPECT_FALSE(Set(12, "out of range"));
}

TEST_F(DisplayModelTest, CursorPositionAndHiding) {
  EXPECT_TRUE(model.SetCursor(0x53, 0x45));
  EXPECT_EQ(model.Cursor(), (CursorState{true, 2, 5, 3}));
  EXPECT_FALSE(model.SetCursor(0x51, 0x45));  // style only
  EXPECT_EQ(model.Cursor().style, 1);
  EXPECT_TRUE(model.SetCursor(0x50, 0x00));
  EXPECT_EQ(model.Cursor(), (CursorState{true, 0, 0, 0}));
  EXPECT_TRUE(model.SetCursor(0x50, 0xFE));
  EXPECT_EQ(model.Cursor(), (CursorState{true, 7, 30, 0}));
  EXPECT_TRUE(model.SetCursor(0x50, 0xFF));
  EXPECT_FALSE(model.CursorShown());
  EXPECT_FALSE(model.SetCursor(0x50, 0xFF));
}

TEST_F(DisplayModelTest, MenuLineRule) {
  EXPECT_TRUE(IsMenuLineText("3. Trasferimento"));
  EXPECT_TRUE(IsMenuLineText("4\x95 Chiamate"));
  EXPECT_FALSE(IsMenuLineText("3 Trasferimento"));
  EXPECT_FALSE(IsMenuLineText("."));
  EXPECT_FALSE(IsMenuLineText(""));
}

TEST_F(DisplayModelTest, HitFindsMenuLinesByBand) {
  Set(0, "1. never a menu line");
  Set(2, "3. Trasferimento");
  Set(3, "Nessun menu");
  Set(4, "4\x95 Chiamate", false, /*large=*/true);
  Set(5, "5. Sotto");
  const int band = 20;
  EXPECT_EQ(model.HitLine(5, band), -1);   // line 0
  EXPECT_EQ(model.HitLine(45, band), 2);   // line 2
  EXPECT_EQ(model.HitLine(65, band), -1);  // line 3 is not a menu line
  EXPECT_EQ(model.HitLine(85, band), 4);   // large line 4
  EXPECT_EQ(model.HitLine(105, band), 4);  // its lower half covers band 5
  EXPECT_EQ(model.HitLine(125, band), -1);
  // A taller area: a normal line does not fill its band.
  EXPECT_EQ(model.HitLine(2 * 30 + 19, 30), 2);
  EXPECT_EQ(model.HitLine(2 * 30 + 25, 30), -1);
}

TEST_F(DisplayModelTest, MenuLineThreeSendsItsDigit) {
  Set(2, "3. Trasferimento");
  EXPECT_EQ(model.SetHovered(model.HitLine(45, 20)), -1);
  EXPECT_TRUE(model.Line(2).hovered);
  EXPECT_EQ(model.LineDigit(), 3);
  EXPECT_EQ(model.SetHovered(-1), 2);
  EXPECT_FALSE(model.Line(2).hovered);
  EXPECT_EQ(model.LineDigit(), -1);
}

TEST_F(DisplayModelTest, LineDigitOfANonDigit) {
  Set(1, "A. Altro");
  model.SetHovered(1);
  EXPECT_EQ(model.LineDigit(), 'A' - '0');
  EXPECT_EQ(LineDigitOf(""), -1);
}

TEST_F(DisplayModelTest, RewrittenHoveredLineKeepsOrLosesItsHover) {
  Set(2, "3. Trasferimento");
  model.SetHovered(2);
  EXPECT_FALSE(Set(2, "3. Trasferimento"));  // same text, still hovered
  EXPECT_TRUE(Set(2, "5. Altro"));
  EXPECT_EQ(model.LineDigit(), 5);
  EXPECT_TRUE(Set(2, "Chiamata in corso"));
  EXPECT_EQ(model.Hovered(), -1);
  EXPECT_FALSE(model.Line(2).hovered);
  EXPECT_EQ(model.LineDigit(), -1);
}

TEST_F(DisplayModelTest, HoverOutsideMenuRangeIsCleared) {
  EXPECT_EQ(model.SetHovered(0), -1);
  EXPECT_EQ(model.Hovered(), -1);
  EXPECT_EQ(model.SetHovered(12), -1);
  EXPECT_EQ(model.Hovered(), -1);
}

}  // namespace
}  // namespace zy
