// Every message the phone sends, as the PBX receives it.
#include <gtest/gtest.h>

#include <functional>

#include "link/Codes.h"
#include "link/FrameBuilders.h"
#include "support/SimLink.h"

namespace zy::test {
namespace {

class FrameBuildersTest : public SimLinkTest {};

struct Case {
  const char* name;
  std::function<bool(LinkClient&)> send;
  uint16_t subject, code, param1, param2;
  std::vector<uint8_t> payload;
};

TEST_F(FrameBuildersTest, EachBuilderSendsItsFrame) {
  StartWith();
  link.State().ownId = 0x0012;
  const std::vector<Case> cases = {
      {"key", [](LinkClient& l) { return SendKey(l, 'X'); }, 'X', code::kKey, 0, 0, {}},
      {"programmable key",
       [](LinkClient& l) { return SendKey(l, 0x8005); },
       0x8005,
       code::kKey,
       0,
       0,
       {}},
      {"records read",
       [](LinkClient& l) { return RequestStoredRecords(l, 0x0101, false); },
       0x0101,
       code::kRequestRecords,
       0,
       1,
       {}},
      {"records read and clear",
       [](LinkClient& l) { return RequestStoredRecords(l, 7, true); },
       7,
       code::kRequestRecords,
       0,
       3,
       {}},
      {"account records",
       [](LinkClient& l) { return RequestAccountRecords(l, 42, true); },
       42,
       code::kRequestAccountRecords,
       0,
       3,
       {}},
      {"check-out",
       [](LinkClient& l) { return SendCheckOut(l, 0x0101); },
       0x0101,
       code::kCheckOut,
       0,
       0,
       {}},
      {"check-in",
       [](LinkClient& l) { return SendCheckIn(l, 0x0101); },
       0x0101,
       code::kCheckIn,
       0,
       0,
       {}},
      {"hotel view",
       [](LinkClient& l) { return SendHotelView(l, true); },
       0x0012,
       code::kHotelView,
       1,
       0,
       {}},
      {"room ready",
       [](LinkClient& l) { return SendRoomReady(l, 0x0102); },
       0x0102,
       code::kRoomReady,
       0,
       0,
       {}},
      {"pick up",
       [](LinkClient& l) {
         return SendPickUpQueued(l, {0xDE, 0xAD, 0x00, 0x01});
       },
       79,
       code::kPickUpQueued,
       0,
       0,
       {0xDE, 0xAD, 0x00, 0x01}},
      {"call records",
       [](LinkClient& l) { return RequestCallRecords(l); },
       0x0012,
       code::kRequestCalls,
       0,
       0,
       {}},
      {"messages changed",
       [](LinkClient& l) { return SendMessagesChanged(l); },
       256,
       code::kMessagesChanged,
       0x0012,
       0,
       {}},
      {"sms",
       [](LinkClient& l) { return SendSms(l, "333", "Ciao"); },
       0x0012,
       code::kSendSms,
       0,
       0,
       {'3', '3', '3', 0, 'C', 'i', 'a', 'o', 0}},
      {"service",
       [](LinkClient& l) { return SendServiceFunction(l, 56); },
       56,
       code::kServiceFunction,
       0,
       0,
       {}},
      {"charge",
       [](LinkClient& l) { return SendChargeAssignment(l, 0x0101, 3, 250, 2, true); },
       0x0101,
       code::kChargeAssignment,
       3,
       250,
       {2, 1}},
      {"credit",
       [](LinkClient& l) { return SendChargeAssignment(l, 0x0101, 3, 250, 1, false); },
       0x0101,
       code::kChargeAssignment,
       3,
       250,
       {1, 0}},
      {"delete calls",
       [](LinkClient& l) { return DeleteCallRecords(l); },
       0x0012,
       code::kDeleteCalls,
       0,
       0,
       {}},
      {"text message",
       [](LinkClient& l) { return SendTextMessage(l, 0x0013, "Ok"); },
       0x0012,
       code::kTextMessage,
       0x0013,
       0,
       {'O', 'k', 0}},
  };
  for (const Case& c : cases) {
    sim->ClearReceived();
    ASSERT_TRUE(c.send(link)) << c.name;
    auto f = sim->WaitForFrame([](const pbxsim::Frame&) { return true; }, 2s);
    ASSERT_TRUE(f) << c.name;
    EXPECT_EQ(f->subject, c.subject) << c.name;
    EXPECT_EQ(f->code, c.code) << c.name;
    EXPECT_EQ(f->param1, c.param1) << c.name;
    EXPECT_EQ(f->param2, c.param2) << c.name;
    EXPECT_EQ(f->payload, c.payload) << c.name;
  }
  EXPECT_TRUE(SendDigits(link, "0212"));

  LinkClient none;
  for (const Case& c : cases) EXPECT_FALSE(c.send(none)) << c.name << " without a link";
}

}  // namespace
}  // namespace zy::test
