// Login, model loading and reconnection against the simulator.
#include <gtest/gtest.h>

#include "app/StringTable.h"
#include "link/Codes.h"
#include "link/Session.h"
#include "support/SimLink.h"

namespace zy::test {
namespace {

class SessionTest : public SimLinkTest {
 protected:
  // A PBX with extension 201 (id 0x0012, password 42) and a few others.
  static pbxsim::Scenario Pbx() {
    pbxsim::Scenario s;
    auto& e = s.AddExtension(0x0012, "201");
    e.name = "Ricevimento";
    e.password = "42";
    e.grants.minVersion = 2;
    e.grants.maxVersion = 4;
    return s;
  }
  LoginResult LogIn(const std::string& extension = "201", const std::string& password = "42") {
    LoginParams p;
    p.extension = extension;
    p.password = password;
    p.rtpPort = 20002;
    p.codecCode = 8;
    return Login(link, p, flags);
  }
  SessionFlags flags;
  PbxModel model;
};

TEST_F(SessionTest, LoginSendsPortCodecAndNumberAndTakesTheGrants) {
  auto s = Pbx();
  StartWith(std::move(s));
  const LoginResult r = LogIn();
  ASSERT_TRUE(r.ok) << r.message.stringId;
  EXPECT_EQ(link.State().ownId, 0x0012);
  auto f = sim->WaitForCode(code::kLogin, 1s);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->subject, 20002);
  EXPECT_EQ(f->payload, (std::vector<uint8_t>{8, '2', '0', '1', 0}));
  EXPECT_TRUE(link.LinkUp());
}

TEST_F(SessionTest, VersionRanges) {
  struct Case {
    uint8_t min, max;
    bool ok;
    std::string range;
  };
  const std::vector<Case> cases = {
      {2, 4, true, ""},
      {4, 4, true, ""},
      {5, 7, false, "5-7"},
      {1, 3, false, "1-3"},
      {6, 3, false, LoadString(kStrNotAvailable)},
  };
  for (const Case& c : cases) {
    StartWith([&] {
      pbxsim::Scenario t;
      auto& e = t.AddExtension(0x0012, "201");
      e.password = "42";
      e.grants.minVersion = c.min;
      e.grants.maxVersion = c.max;
      return t;
    }());
    const LoginResult r = LogIn();
    EXPECT_EQ(r.ok, c.ok) << int(c.min) << "-" << int(c.max);
    if (!c.ok) {
      EXPECT_EQ(r.message, (SessionMessage{kStrIncompatible, {"4", c.range}}));
      EXPECT_FALSE(link.HasLink()) << "an incompatible PBX closes the link";
    }
    TearDown();
  }
}

TEST_F(SessionTest, RefusalsGiveTheirMessageWithTheTypedNumber) {
  struct Case {
    pbxsim::LoginReply reply;
    SessionMessage message;
  };
  const std::vector<Case> cases = {
      {pbxsim::LoginReply::kOptionDisabled, {kStrOptionDisabled, {}}},
      {pbxsim::LoginReply::kNotConfigured, {kStrNotConfigured, {"201"}}},
      {pbxsim::LoginReply::kNoPort, {kStrNoPort, {"201"}}},
      {pbxsim::LoginReply::kAlreadyConnected, {kStrAlreadyConnected, {}}},
      {pbxsim::LoginReply::kPlainAck, {0, {}}},
  };
  for (const Case& c : cases) {
    pbxsim::Scenario s;
    s.AddExtension(0x0012, "201").reply = c.reply;
    StartWith(std::move(s));
    const LoginResult r = LogIn();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.noReply);
    EXPECT_EQ(r.message, c.message) << static_cast<int>(c.reply);
    EXPECT_FALSE(link.HasLink());
    TearDown();
  }
  StartWith(Pbx());
  EXPECT_EQ(LogIn("999").message, (SessionMessage{kStrNotExisting, {"999"}}));
  EXPECT_EQ(SessionMessageText({kStrNotExisting, {"999"}}), "Interno 999 non esistente");
}

TEST_F(SessionTest, PasswordsCompareAsNumbers) {
  struct Case {
    std::optional<std::string> stored;  // parameter 260, or none
    std::string typed;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"42", "0042", true},         {"0042", "42", true},          {"42", "43", false},
      {std::nullopt, "6093", true}, {std::nullopt, "1234", false}, {"42", "42abc", true},
  };
  for (const Case& c : cases) {
    pbxsim::Scenario s;
    s.AddExtension(0x0012, "201").password = c.stored;
    StartWith(std::move(s));
    const LoginResult r = LogIn("201", c.typed);
    EXPECT_EQ(r.ok, c.ok) << c.stored.value_or("(none)") << " vs " << c.typed;
    if (!c.ok) {
      EXPECT_EQ(r.message, (SessionMessage{kStrBadPassword, {}}));
      EXPECT_FALSE(link.HasLink());
    }
    TearDown();
  }
}

TEST_F(SessionTest, HotelAndChargeFlags) {
  struct Case {
    std::optional<uint32_t> options;  // 9994 of owner 1280
    uint8_t edition;
    std::optional<std::string> extFlags;
    bool hotel, charges;
  };
  const std::vector<Case> cases = {
      {0x8, pbxsim::edition::kHotel, "80000000", true, true},
      {0x408, pbxsim::edition::kHotel | pbxsim::edition::kPro, "10", true, false},
      {0x8, pbxsim::edition::kPro, std::nullopt, false, false},
      {0x400, pbxsim::edition::kHotel, "7FFFFFFF", false, false},
      {std::nullopt, pbxsim::edition::kHotel, "80000010", false, true},
  };
  for (const Case& c : cases) {
    pbxsim::Scenario s;
    auto& e = s.AddExtension(0x0012, "201");
    e.password = "42";
    e.grants.edition = c.edition;
    e.flags = c.extFlags;
    if (c.options) s.SetSystemOptions(*c.options);
    StartWith(std::move(s));
    ASSERT_TRUE(LogIn().ok);
    EXPECT_EQ(flags.hotelFunctions, c.hotel);
    EXPECT_EQ(flags.mayAssignCharges, c.charges);
    TearDown();
  }
}

TEST_F(SessionTest, SilenceIsNoReply) {
  StartWith(Pbx(), 100ms);
  sim->SetSilent(true);
  const LoginResult r = LogIn();
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.noReply);
}

TEST_F(SessionTest, ExtensionsLinesAndRoutes) {
  pbxsim::Scenario s = Pbx();
  s.AddExtension(0x0013, "2010").name = "Camera 10";
  auto& room = s.AddExtension(0x0014, "202");
  room.flags = "11";              // bit 4: a room
  s.AddExtension(0x0015, "203");  // no name
  auto& noNumber = s.AddExtension(0x0016, "204");
  noNumber.number.reset();
  s.AddTrunkLine(0x4005, "30A");
  s.AddTrunkRoute(0x0103);
  s.AddTrunkRoute(0x0104);
  StartWith(std::move(s));
  ASSERT_TRUE(LogIn().ok);
  ASSERT_TRUE(LoadModel(link, model, true));
  ASSERT_TRUE(LoadLinesAndRoutes(link, model.lines, model.routes));

  std::vector<uint16_t> ids;
  for (const auto& e : model.extensions.Snapshot()) ids.push_back(e.objectId);
  EXPECT_EQ(ids, (std::vector<uint16_t>{0x0012, 0x0013, 0x0014, 0x0015}))
      << "an object without a number is left out";
  EXPECT_EQ(model.extensions.FindById(0x0015)->name, "");
  EXPECT_TRUE(model.extensions.FindById(0x0014)->isRoom);
  EXPECT_FALSE(model.extensions.FindById(0x0012)->isRoom);
  EXPECT_EQ(model.extensions.FindByNumber("201")->objectId, 0x0012);
  EXPECT_EQ(model.extensions.FindByNumber("2010")->objectId, 0x0013);
  EXPECT_FALSE(model.extensions.FindByNumber("20"));
  EXPECT_FALSE(model.extensions.FindById(0x0016));

  ASSERT_EQ(model.lines.Size(), 1u);
  EXPECT_EQ(model.lines.Snapshot()[0], (CTkline{0x0005, 3, 10}));
  std::vector<uint8_t> routes;
  for (const auto& r : model.routes.Snapshot()) routes.push_back(r.routeNumber);
  EXPECT_EQ(routes, (std::vector<uint8_t>{3, 4}));
}

size_t RangeReadsOf(const pbxsim::Simulator& sim, uint16_t parameter) {
  size_t n = 0;
  for (const auto& f : sim.Received()) {
    n += f.code == code::kRangeRead && f.param1 == 0xFFFF && f.param2 == parameter;
  }
  return n;
}

TEST_F(SessionTest, ALoadedListIsNotReadAgainUntilCleared) {
  StartWith(Pbx());
  ASSERT_TRUE(LogIn().ok);
  ASSERT_TRUE(model.routes.Load(link));
  ASSERT_TRUE(model.routes.Load(link));
  EXPECT_EQ(RangeReadsOf(*sim, 0x2301), 1u);
  model.routes.Clear();
  EXPECT_FALSE(model.routes.IsLoaded());
  ASSERT_TRUE(model.routes.Load(link));
  EXPECT_EQ(RangeReadsOf(*sim, 0x2301), 2u);
}

TEST_F(SessionTest, AFailedRangeReadLeavesTheListEmptyAndNotLoaded) {
  StartWith(Pbx(), 100ms);
  ASSERT_TRUE(LogIn().ok);
  sim->SetSilent(true);
  EXPECT_FALSE(model.extensions.Load(link));
  EXPECT_FALSE(model.extensions.IsLoaded());
  EXPECT_EQ(model.extensions.Size(), 0u);
}

TEST_F(SessionTest, AReconnectionDoesNotReloadTheExtensions) {
  StartWith(Pbx());
  ASSERT_TRUE(LogIn().ok);
  ASSERT_TRUE(LoadModel(link, model, true));
  EXPECT_EQ(RangeReadsOf(*sim, 257), 1u);

  sim->DropClient();
  ASSERT_TRUE(events.WaitFor([&] { return !events.errors.empty(); }));
  LoginParams p{"201", "42", 20002, 8};
  const ReconnectResult r = ReconnectSession(link, p, flags, model, nullptr);
  ASSERT_TRUE(r.ok) << r.message.stringId;
  EXPECT_TRUE(link.LinkUp());
  EXPECT_TRUE(link.State().keepAliveDue);
  EXPECT_EQ(sim->ConnectionCount(), 2u);
  ASSERT_TRUE(sim->WaitForCode(code::kKey, 1s));
  EXPECT_EQ(sim->Login().attempts, 2u);
  EXPECT_EQ(RangeReadsOf(*sim, 257), 1u);
  EXPECT_EQ(model.extensions.Size(), 1u);
}

TEST_F(SessionTest, AReconnectionThatCannotConnectGivesUp) {
  StartWith(Pbx());
  ASSERT_TRUE(LogIn().ok);
  sim->Stop();
  LoginParams p{"201", "42", 20002, 8};
  int asked = 0;
  const ReconnectResult r = ReconnectSession(link, p, flags, model, [&](int id, int64_t) {
    EXPECT_EQ(id, 157);
    return ++asked < 2;
  });
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.gaveUp);
  EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace zy::test
