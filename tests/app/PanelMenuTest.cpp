// The items of the "&Visualizza" menu: the two forms, the rules that remove
// items for the station's grants, and the commands the program has.
#include "app/PanelMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace zy {
namespace {

bool Everything(ViewCommand) { return true; }

std::vector<ViewCommand> Commands(const ViewMenuContext& context,
                                  bool (*available)(ViewCommand) = Everything) {
  std::vector<ViewCommand> commands;
  for (const ViewMenuItem& item : ViewMenuItems(context, available)) {
    commands.push_back(item.command);
  }
  return commands;
}

using C = ViewCommand;

TEST(ViewMenu, BasicLayoutHasTheShortForm) {
  ViewMenuContext basic;
  basic.isOperator = true;
  basic.hotelFunctions = true;
  basic.missedCallManager = true;
  EXPECT_EQ(Commands(basic),
            (std::vector<C>{C::PrivateDirectory, C::KeyboardConfig, C::Preferences, C::About}));
}

struct Grants {
  const char* name;
  PhoneLayout layout;
  bool isOperator;
  bool hotelFunctions;
  bool missedCallManager;
  bool roomStatus;
  bool groups;
  bool missedCalls;
};

class ViewMenuRules : public ::testing::TestWithParam<Grants> {};

TEST_P(ViewMenuRules, ItemsFollowTheGrants) {
  const Grants& g = GetParam();
  ViewMenuContext context;
  context.layout = g.layout;
  context.isOperator = g.isOperator;
  context.hotelFunctions = g.hotelFunctions;
  context.missedCallManager = g.missedCallManager;
  const auto commands = Commands(context);
  auto has = [&](C c) { return std::find(commands.begin(), commands.end(), c) != commands.end(); };
  EXPECT_EQ(has(C::RoomStatus), g.roomStatus);
  EXPECT_EQ(has(C::Groups), g.groups);
  EXPECT_EQ(has(C::MissedCalls), g.missedCalls);
  // The rest of the full form is always there.
  for (C c :
       {C::ServiceBar, C::SystemDirectory, C::PrivateDirectory, C::ProgrammableKeys, C::CallQueue,
        C::ChargesByExtension, C::ChargesByAccount, C::KeyboardConfig, C::Preferences, C::About}) {
    EXPECT_TRUE(has(c)) << static_cast<int>(c);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Stations, ViewMenuRules,
    ::testing::Values(
        Grants{"hotelOperator", PhoneLayout::Hotel, true, true, false, true, true, false},
        Grants{"hotelStaff", PhoneLayout::Hotel, false, true, false, false, false, false},
        Grants{"operatorWithoutHotel", PhoneLayout::Pro, true, false, false, false, true, false},
        Grants{"withMissedCallManager", PhoneLayout::Pro, false, false, true, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ViewMenu, ChargesByAccountCodeNeedsAnOperatorOrPrivilegedStation) {
  for (const auto& [isOperator, privileged, enabled] :
       {std::tuple{false, false, false}, std::tuple{true, false, true},
        std::tuple{false, true, true}}) {
    ViewMenuContext context;
    context.layout = PhoneLayout::Pro;
    context.isOperator = isOperator;
    context.privileged = privileged;
    for (const ViewMenuItem& item : ViewMenuItems(context, Everything)) {
      if (item.command == C::ChargesByAccount) {
        EXPECT_EQ(item.enabled, enabled) << isOperator << privileged;
        EXPECT_EQ(item.submenu, kChargesSubmenu);
      }
    }
  }
}

TEST(ViewMenu, CommandsTheProgramLacksAreLeftOut) {
  ViewMenuContext context;
  context.layout = PhoneLayout::Hotel;
  context.isOperator = true;
  context.hotelFunctions = true;
  EXPECT_EQ(Commands(context, ViewCommandAvailable), (std::vector<C>{C::Preferences, C::About}));
}

TEST(ViewMenu, ServiceChecksNeedTheOptionBit) {
  EXPECT_TRUE(ChargeViewsActive(0x408, PhoneLayout::Pro));
  EXPECT_FALSE(ChargeViewsActive(0x408, PhoneLayout::Basic));
  EXPECT_FALSE(ChargeViewsActive(0x008, PhoneLayout::Hotel));
  EXPECT_TRUE(RoomStatusActive(0x400, true, true));
  EXPECT_FALSE(RoomStatusActive(0x400, false, true));
  EXPECT_FALSE(RoomStatusActive(0x400, true, false));
  EXPECT_FALSE(RoomStatusActive(0x008, true, true));
}

}  // namespace
}  // namespace zy
