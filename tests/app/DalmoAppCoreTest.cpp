// The start routine's decisions: command line, forwarded number, the
// single-instance name and block, language, edition title, "Entra...".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DalmoAppCore.h"
#include "app/SettingsStore.h"
#include "link/LinkState.h"

namespace zy {
namespace {

TEST(CommandLineTest, Cases) {
  struct Case {
    std::vector<std::string> args;
    CommandLine expected;
  };
  const std::vector<Case> cases = {
      {{}, {std::nullopt, false}},
      {{"/uri:zycall:101"}, {"uri:zycall:101", false}},
      {{"-uri:zycall:101"}, {"uri:zycall:101", false}},
      {{"uri:zycall:101"}, {"uri:zycall:101", false}},
      // Only one leading switch character goes.
      {{"//x"}, {"/x", false}},
      {{"/uri:zycall:101", "/other"}, {"uri:zycall:101", true}},
      {{""}, {std::nullopt, true}},
      {{"/"}, {std::nullopt, true}},
      {{"-"}, {std::nullopt, true}},
      {{"/a", ""}, {"a", true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(ParseCommandLine(c.args), c.expected);
  }
}

TEST(CommandLineTest, ForwardedNumberIsTheTextAfterTheSecondColon) {
  struct Case {
    std::string parameter;
    std::optional<std::string> number;
  };
  const std::vector<Case> cases = {
      {"uri:zycall:0212345678", "0212345678"},
      {"uri:zizovu:101", "101"},
      {"uri:zycall:", ""},
      {"uri:a:b:c", "b:c"},
      {"uri:101", std::nullopt},
      {"101", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ForwardedNumber(c.parameter), c.number) << c.parameter;
  }
}

TEST(SingleInstanceTest, NameFollowsUserAndDesktopSession) {
  EXPECT_EQ(SingleInstanceName({1000, "3", "wayland-0", ":0"}), "zyphone-1000-3");
  EXPECT_EQ(SingleInstanceName({1000, "", "wayland-0", ":0"}), "zyphone-1000-wayland-0");
  EXPECT_EQ(SingleInstanceName({1000, "", "", ":0.0"}), "zyphone-1000-_0_0");
  EXPECT_EQ(SingleInstanceName({0, "", "", ""}), "zyphone-0");
  EXPECT_EQ(SingleInstanceName({5, "../x", "", ""}), "zyphone-5-___x");
}

TEST(SingleInstanceTest, ForwardBlockRoundTripsAndIsBounded) {
  EXPECT_EQ(EncodeForwardBlock("101"), (std::vector<uint8_t>{'1', '0', '1', 0}));
  EXPECT_EQ(EncodeForwardBlock(""), (std::vector<uint8_t>{0}));
  const std::string longNumber(500, '7');
  const auto block = EncodeForwardBlock(longNumber);
  ASSERT_EQ(block.size(), kForwardBlockSize);
  EXPECT_EQ(DecodeForwardBlock(block), std::string(kForwardBlockSize - 1, '7'));
  EXPECT_EQ(DecodeForwardBlock(EncodeForwardBlock("0212345678")), "0212345678");

  const std::vector<uint8_t> noNul = {'1', '2'};
  EXPECT_EQ(DecodeForwardBlock(noNul), std::nullopt);
  EXPECT_EQ(DecodeForwardBlock({}), std::nullopt);
  const std::vector<uint8_t> tooLong(kForwardBlockSize + 1, 0);
  EXPECT_EQ(DecodeForwardBlock(tooLong), std::nullopt);
  const std::vector<uint8_t> textAfterNul = {'1', 0, '9'};
  EXPECT_EQ(DecodeForwardBlock(textAfterNul), "1");
}

TEST(StartLanguageTest, EnglishOnlyWhenItsTextsLoad) {
  struct Case {
    std::optional<std::string> setting;
    bool loaded;
    bool english, message, rewrite;
  };
  const std::vector<Case> cases = {
      {std::nullopt, false, false, false, false},
      {"1040", false, false, false, false},
      {"2057", true, true, false, false},
      {"1033", true, true, false, false},  // any other value is English
      {"2057", false, false, true, true},
      {"abc", false, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting.value_or("(absent)"));
    const LanguageDecision d = DecideStartLanguage(LanguageId(c.setting), c.loaded);
    EXPECT_EQ(d.english, c.english);
    EXPECT_EQ(d.showMissingMessage, c.message);
    EXPECT_EQ(d.rewriteSettingAfterLogin, c.rewrite);
  }
}

TEST(EditionTitleTest, BasicIsTestedFirst) {
  EXPECT_EQ(EditionTitleId(0), kStrTitleBasic);
  EXPECT_EQ(EditionTitleId(kEditionBasic), kStrTitleBasic);
  EXPECT_EQ(EditionTitleId(kEditionBasic | kEditionHotel), kStrTitleBasic);
  EXPECT_EQ(EditionTitleId(kEditionPro | kEditionHotel), kStrTitlePro);
  EXPECT_EQ(EditionTitleId(kEditionHotel), kStrTitleHotel);
}

TEST(LoginEnabledTest, NeedsExtensionPasswordAndCompleteSettings) {
  EXPECT_TRUE(LoginEnabled("200", "1234", true));
  EXPECT_FALSE(LoginEnabled("", "1234", true));
  EXPECT_FALSE(LoginEnabled("200", "", true));
  EXPECT_FALSE(LoginEnabled("200", "1234", false));
}

}  // namespace
}  // namespace zy
