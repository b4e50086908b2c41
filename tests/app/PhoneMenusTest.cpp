#include "app/PhoneMenus.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zy {
namespace {

TEST(PhoneMenus, NdSendsTheToggleOnlyForTheOtherState) {
  EXPECT_EQ(NdMenuFunction(false, true), 56);
  EXPECT_EQ(NdMenuFunction(true, false), 56);
  EXPECT_FALSE(NdMenuFunction(true, true));
  EXPECT_FALSE(NdMenuFunction(false, false));
}

TEST(PhoneMenus, ModeFunctions) {
  EXPECT_EQ(ModeFunction(1), 51);
  EXPECT_EQ(ModeFunction(2), 52);
  EXPECT_EQ(ModeFunction(0), 53);
  EXPECT_EQ(ModeFunction(3), 99);
  EXPECT_EQ(ModeFunction(9), 105);
  EXPECT_FALSE(ModeFunction(10));
  EXPECT_FALSE(ModeFunction(-1));
  EXPECT_FALSE(ModeMenuFunction(4, 4));
  EXPECT_EQ(ModeMenuFunction(4, 0), 53);
  EXPECT_EQ(ModeMenuFunction(std::nullopt, 1), 51);
}

TEST(PhoneMenus, ModeMenuHasEveryModeOnce) {
  std::set<int> modes;
  std::set<int> ids;
  for (const ModeMenuItem& item : ModeMenuItems()) {
    modes.insert(item.mode);
    ids.insert(item.commandId);
  }
  EXPECT_EQ(modes.size(), 10u);
  EXPECT_EQ(ids.size(), 10u);
  EXPECT_EQ(ModeMenuItems().back().defaultText, "Modo ferie");
  EXPECT_EQ(ModeMenuItems().back().commandId, 32814);
}

TEST(PhoneMenus, IdentitySending) {
  EXPECT_FALSE(IdentitySendingOff(std::nullopt));
  EXPECT_FALSE(IdentitySendingOff(std::string("5")));
  EXPECT_TRUE(IdentitySendingOff(std::string("2")));
  EXPECT_TRUE(IdentitySendingOff(std::string("fe")));
  EXPECT_EQ(IdentityMenuFunction(/*off=*/true, /*chooseOn=*/true), 54);
  EXPECT_EQ(IdentityMenuFunction(false, false), 55);
  EXPECT_FALSE(IdentityMenuFunction(false, true));
  EXPECT_FALSE(IdentityMenuFunction(true, false));
}

TEST(PhoneMenus, ReachableTogglesBit17AndMissingMeansClear) {
  const uint32_t word = AvailabilityWord(std::nullopt);
  EXPECT_TRUE(AvailabilityChecked(word, AvailabilityItem::Reachable));
  const AvailabilityStep step = AvailabilityChoice(word, AvailabilityItem::Reachable);
  EXPECT_EQ(step, (AvailabilityStep{std::nullopt, 0x20000}));
  EXPECT_EQ(FormatAvailabilityWord(step.word), "20000");
  EXPECT_FALSE(AvailabilityChecked(step.word, AvailabilityItem::Reachable));
  EXPECT_EQ(AvailabilityChoice(0x20001, AvailabilityItem::Reachable).word, 0x1u);
}

TEST(PhoneMenus, NumberAndMessageAskFirstWhenClear) {
  struct Case {
    AvailabilityItem item;
    uint32_t bit;
    uint16_t parameter;
  };
  const Case cases[] = {
      {AvailabilityItem::OnNumber, 1u << 16, 291},
      {AvailabilityItem::AnswerMessage, 1u << 18, 272},
  };
  for (const Case& c : cases) {
    const uint32_t word = AvailabilityWord(std::string("20000"));
    EXPECT_FALSE(AvailabilityChecked(word, c.item));
    EXPECT_EQ(AvailabilityChoice(word, c.item), (AvailabilityStep{c.parameter, word | c.bit}));
    EXPECT_TRUE(AvailabilityChecked(word | c.bit, c.item));
    EXPECT_EQ(AvailabilityChoice(word | c.bit, c.item), (AvailabilityStep{std::nullopt, word}));
  }
}

}  // namespace
}  // namespace zy
