// The link client against the simulator on loopback.
#include <gtest/gtest.h>

#include <thread>

#include "link/Codes.h"
#include "support/SimLink.h"

namespace zy::test {
namespace {

class LinkTest : public SimLinkTest {};

std::string Text(const char* s) { return std::string(s) + '\0'; }

TEST_F(LinkTest, ReadsAParameter) {
  pbxsim::Scenario s;
  s.SetRecord(0x0010, 258, "201");
  StartWith(std::move(s));
  bool answered = false;
  auto v = link.ReadParameter(0x0010, 258, &answered);
  EXPECT_TRUE(answered);
  ASSERT_TRUE(v);
  EXPECT_EQ(*v, Text("201"));
  auto f = sim->WaitForCode(code::kRead, 1s);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->subject, 0);
  EXPECT_EQ(f->param1, 0x0010);
  EXPECT_EQ(f->param2, 258);
}

TEST_F(LinkTest, ReadingAnUnknownParameterDropsTheStaleValue) {
  StartWith();
  const std::string stale = "old";
  link.Cache().Store(0x0010, 259, reinterpret_cast<const uint8_t*>(stale.data()), stale.size());
  bool answered = false;
  EXPECT_FALSE(link.ReadParameter(0x0010, 259, &answered));
  EXPECT_TRUE(answered);
  EXPECT_FALSE(link.Cache().Contains(0x0010, 259));
}

TEST_F(LinkTest, RangeReadAddsMatchesAndKeepsOlderEntries) {
  pbxsim::Scenario s;
  s.SetRecord(0x0010, 257, "1");
  s.SetRecord(0x0011, 257, "1");
  s.SetRecord(0x0011, 258, "202");
  StartWith(std::move(s));
  ASSERT_TRUE(link.ReadParameter(0x0011, 258));
  ASSERT_TRUE(link.ReadParameterRange(0xFFFF, 257));
  std::vector<uint16_t> owners;
  uint64_t pos = 0;
  uint16_t owner = 0;
  while (link.NextParameter(pos, 0xFFFF, 257, owner)) owners.push_back(owner);
  EXPECT_EQ(owners, (std::vector<uint16_t>{0x0010, 0x0011}));
  EXPECT_TRUE(link.Cache().Contains(0x0011, 258));
}

TEST_F(LinkTest, WriteCachesAtOnceAndDeleteSendsOnlyForCachedKeys) {
  StartWith();
  ASSERT_TRUE(link.WriteParameter(0x0010, 272, Text("In riunione")));
  EXPECT_EQ(link.Cache().Find(0x0010, 272), Text("In riunione"));

  EXPECT_TRUE(link.DeleteParameter(0x0010, 999));  // never read: nothing to send
  EXPECT_TRUE(link.DeleteParameter(0x0010, 272));
  EXPECT_FALSE(link.Cache().Contains(0x0010, 272));
  // A request behind them: once it is answered, the simulator has seen both.
  ASSERT_TRUE(link.ReadParameterRange(0xFFFF, 1));
  EXPECT_EQ(CountReceived(code::kWrite), 1u);
  EXPECT_EQ(CountReceived(code::kDelete), 1u);
  auto del = sim->WaitForCode(code::kDelete, 1s);
  ASSERT_TRUE(del);
  EXPECT_EQ(del->param1, 0x0010);
  EXPECT_EQ(del->param2, 272);
  EXPECT_FALSE(sim->Record(0x0010, 272));
}

TEST_F(LinkTest, KeepAliveOnlyWhenPolledAndOncePerTick) {
  StartWith();
  EXPECT_FALSE(link.KeepAliveTick()) << "no poll, no keep-alive";
  sim->SendFrame(0, 0xFE02);
  sim->SendFrame(0, 0xFE02);
  // The polls are in when a request sent after them is answered.
  ASSERT_TRUE(link.ReadParameterRange(0xFFFF, 1));
  EXPECT_TRUE(link.KeepAliveTick());
  EXPECT_FALSE(link.KeepAliveTick());
  auto ka = sim->WaitForCode(code::kKeepAlive, 1s);
  ASSERT_TRUE(ka);
  EXPECT_EQ(ka->raw, (std::vector<uint8_t>{0x02, 0x00, 0x04, 0x00, 0x00, 0xFE, 0x15, 0x00, 0x00,
                                           0x00, 0x00, 0x53, 0x50, 0x4B, 0x41}));
  ASSERT_TRUE(link.ReadParameterRange(0xFFFF, 1));
  EXPECT_EQ(CountReceived(code::kKeepAlive), 1u);
}

TEST_F(LinkTest, ThePbxClosingTheLinkIsReportedOnce) {
  StartWith();
  sim->DropClient();
  ASSERT_TRUE(events.WaitFor([&] { return !events.errors.empty(); }));
  EXPECT_FALSE(link.SendKeepAlive()) << "sends on a failed link fail";
  EXPECT_FALSE(link.ReadParameterRange(0xFFFF, 1));
  link.Close();
  std::lock_guard lock(events.mutex);
  ASSERT_EQ(events.errors.size(), 1u);
  EXPECT_EQ(events.errors[0], (std::pair<int, int64_t>{153, -1}));
}

TEST_F(LinkTest, ClosingTheLinkOurselvesIsNotAFailure) {
  StartWith();
  link.Close();
  EXPECT_FALSE(link.HasLink());
  EXPECT_FALSE(link.SendKeepAlive());
  std::lock_guard lock(events.mutex);
  EXPECT_TRUE(events.errors.empty());
}

TEST_F(LinkTest, SpacedRecordsKeepTheRequestAliveWhileSilenceTimesOut) {
  // 6 records 60 ms apart take 360 ms, far beyond the 150 ms time-out: every
  // frame pushes the deadline.
  StartWith({}, 150ms);
  sim->SetSpacedRecords(6, 60ms);
  ASSERT_TRUE(link.ReadParameterRange(0xFFFF, pbxsim::Simulator::kSpacedParam));
  uint64_t pos = 0;
  uint16_t owner = 0;
  int n = 0;
  while (link.NextParameter(pos, 0xFFFF, pbxsim::Simulator::kSpacedParam, owner)) ++n;
  EXPECT_EQ(n, 1) << "six records under one key";
  sim->SetSpacedRecords(0, 0ms);

  sim->SetSilent(true);
  bool answered = true;
  EXPECT_FALSE(link.ReadParameter(0x0010, 258, &answered));
  EXPECT_FALSE(answered);
}

TEST_F(LinkTest, GarbageSplitAndCoalescedFramesReachTheDispatcher) {
  StartWith();
  // Garbage before every reply frame.
  sim->SetGarbageBeforeReplies({0x41, 0x42, 0x00});
  sim->SetRecord(0x0010, 258, "201");
  EXPECT_EQ(link.ReadParameter(0x0010, 258), Text("201"));
  sim->SetGarbageBeforeReplies({});

  // A display frame in three segments, then two frames in one segment.
  const std::vector<uint8_t> display = {0x02, 0x00, 0x03, 0x00, 0x00, 0xFE, 0x04, 0x40, 0x02, 0x11};
  sim->SendRaw({display.begin(), display.begin() + 2});
  std::this_thread::sleep_for(20ms);
  sim->SendRaw({display.begin() + 2, display.begin() + 8});
  std::this_thread::sleep_for(20ms);
  sim->SendRaw({display.begin() + 8, display.end()});
  std::vector<uint8_t> two = {0x02, 0x00, 0x01, 0x00, 0x07, 0xFE, 0x3B, 'F',
                              0x02, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x3C};
  sim->SendRaw(two);
  ASSERT_TRUE(events.WaitFor([&] { return events.media.size() == 1; }));
  std::lock_guard lock(events.mutex);
  ASSERT_EQ(events.displays.size(), 1u);
  EXPECT_EQ(events.displays[0], (std::vector<uint8_t>{0x40, 0x02, 0x11}));
  ASSERT_EQ(events.statuses.size(), 1u);
  EXPECT_EQ(events.statuses[0].first, 7);
}

TEST_F(LinkTest, AnOversizeFrameIsSkippedAndTheLinkStaysUp) {
  StartWith();
  ASSERT_TRUE(sim->SendOversizeFrame(4000));
  sim->SetRecord(0x0010, 258, "201");
  EXPECT_EQ(link.ReadParameter(0x0010, 258), Text("201"));
  EXPECT_TRUE(link.LinkUp());
}

TEST_F(LinkTest, WithoutALinkNothingIsSent) {
  LinkClient none;
  EXPECT_FALSE(none.SendKeepAlive());
  EXPECT_FALSE(none.ReadParameterRange(0xFFFF, 257));
  bool answered = true;
  EXPECT_FALSE(none.ReadParameter(1, 258, &answered));
  EXPECT_FALSE(answered);
  EXPECT_FALSE(none.WriteParameter(1, 272, std::string_view("x")));
  EXPECT_FALSE(none.Cache().Contains(1, 272)) << "a write without a link stores nothing";
  EXPECT_FALSE(none.DeleteParameter(1, 272));
}

TEST_F(LinkTest, AFailedConnectionAsksWhetherToRetry) {
  // A port nobody listens on: bind one, learn its number, close it.
  pbxsim::Simulator probe;
  ASSERT_TRUE(probe.Start(0));
  const uint16_t port = probe.Port();
  probe.Stop();

  LinkClient client;
  client.SetPbxAddress("127.0.0.1", port);
  std::vector<std::pair<int, int64_t>> asked;
  EXPECT_FALSE(client.Connect([&](int id, int64_t code) {
    asked.emplace_back(id, code);
    return asked.size() < 3;
  }));
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].first, 157);
  EXPECT_EQ(asked[0].second, ECONNREFUSED);
  EXPECT_FALSE(client.LinkUp());
}

}  // namespace
}  // namespace zy::test
