// What the dispatcher makes of single frames, without a socket.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/Codes.h"
#include "link/LinkClient.h"

namespace zy {
namespace {

class RecordingEvents : public LinkEventSink {
 public:
  void OnLinkError(int id, int64_t code) override { errors.emplace_back(id, code); }
  void OnDisplay(std::vector<uint8_t> p) override { displays.push_back(std::move(p)); }
  void OnStatus(uint16_t s, std::vector<uint8_t> p) override {
    statuses.emplace_back(s, std::move(p));
  }
  void OnMedia(uint16_t s) override { media.push_back(s); }
  void OnDialRequest(std::string n) override { dials.push_back(std::move(n)); }
  std::vector<std::pair<int, int64_t>> errors;
  std::vector<std::vector<uint8_t>> displays;
  std::vector<std::pair<uint16_t, std::vector<uint8_t>>> statuses;
  std::vector<uint16_t> media;
  std::vector<std::string> dials;
};

class DispatchTest : public ::testing::Test {
 protected:
  void Feed(uint16_t subject, uint16_t code, std::vector<uint8_t> payload) {
    std::vector<uint8_t> buf(7 + payload.size());
    buf[0] = 0x02;
    buf[1] = static_cast<uint8_t>(payload.size() >> 8);
    buf[2] = static_cast<uint8_t>(payload.size());
    buf[3] = static_cast<uint8_t>(subject >> 8);
    buf[4] = static_cast<uint8_t>(subject);
    buf[5] = static_cast<uint8_t>(code >> 8);
    buf[6] = static_cast<uint8_t>(code);
    std::copy(payload.begin(), payload.end(), buf.begin() + 7);
    link.DispatchFrame(buf.data());
  }
  RecordingEvents events;
  LinkClient link{&events};
};

TEST_F(DispatchTest, LoginReplyOfLengthFiveKeepsPayloadTypeAndClearsNode) {
  link.State().eventPayloadType = 96;
  link.State().nodeNumber = 9;
  Feed(0x0012, code::kLoginAccepted, {0x03, 2, 4, 0x08, 0});
  EXPECT_EQ(link.State().ownId, 0x0012);
  EXPECT_TRUE(link.State().isOperator);
  EXPECT_TRUE(link.State().privileged);
  EXPECT_EQ(link.State().minVersion, 2);
  EXPECT_EQ(link.State().maxVersion, 4);
  EXPECT_EQ(link.State().edition, 0x08);
  EXPECT_EQ(link.State().eventPayloadType, 96);
  EXPECT_EQ(link.State().nodeNumber, 0);
  EXPECT_EQ(link.State().lastReplyCode, code::kLoginAccepted);
}

TEST_F(DispatchTest, LoginReplyOfLengthSevenTakesPayloadTypeAndNode) {
  Feed(0x0013, code::kLoginAccepted, {0x00, 3, 5, 0x04, 0, 97, 3});
  EXPECT_FALSE(link.State().isOperator);
  EXPECT_FALSE(link.State().privileged);
  EXPECT_EQ(link.State().edition, 0x04);
  EXPECT_EQ(link.State().eventPayloadType, 97);
  EXPECT_EQ(link.State().nodeNumber, 3);
}

TEST_F(DispatchTest, UnnamedCodesAndParametersAreCachedControlCodesAreNot) {
  Feed(0x0010, 0xFE50, {'x', 0});
  Feed(0x0010, 0x0102, {'2', '0', '1', 0});
  Feed(0x0010, code::kUnused05, {1});
  Feed(0x0010, code::kUnused40, {1});
  Feed(0x0010, code::kCharge07, {1});
  EXPECT_EQ(link.Cache().Find(0x0010, 0xFE50), std::string("x\0", 2));
  EXPECT_EQ(link.Cache().Find(0x0010, 0x0102), std::string("201\0", 4));
  EXPECT_EQ(link.Cache().Size(), 2u);
}

TEST_F(DispatchTest, KeepAlivePollOnlySetsTheFlag) {
  Feed(0, code::kKeepAlivePoll, {});
  Feed(0, code::kKeepAlivePoll, {});
  EXPECT_TRUE(link.State().keepAliveDue);
  EXPECT_EQ(link.Cache().Size(), 0u);
}

TEST_F(DispatchTest, MediaStopKeepsTheStoredPeer) {
  Feed(1, code::kMedia, {1, 0x4E, 0x20, 192, 168, 1, 10});
  EXPECT_EQ(link.State().mediaCodec, 1);
  EXPECT_EQ(link.State().mediaPeerPort, 20000);
  EXPECT_EQ(link.State().mediaPeerAddress, 0xC0A8010Au);
  Feed(0, code::kMedia, {0, 0, 1, 1, 2, 3, 4});
  Feed(1, code::kMedia, {0, 0, 1});  // too short to carry an endpoint
  EXPECT_EQ(link.State().mediaPeerPort, 20000);
  EXPECT_EQ(link.State().mediaPeerAddress, 0xC0A8010Au);
  EXPECT_EQ(events.media, (std::vector<uint16_t>{1, 0, 1}));
}

TEST_F(DispatchTest, DisplayAndStatusGoToTheWindowWithTheirPayload) {
  Feed(0, code::kDisplay, {0x40, 0x11});
  Feed(0x0012, code::kStatus, {'F'});
  ASSERT_EQ(events.displays.size(), 1u);
  EXPECT_EQ(events.displays[0], (std::vector<uint8_t>{0x40, 0x11}));
  ASSERT_EQ(events.statuses.size(), 1u);
  EXPECT_EQ(events.statuses[0].first, 0x0012);
}

TEST_F(DispatchTest, DialRequestTextIsCutSafely) {
  Feed(0, code::kDialRequest, {'1', '2', '3', 0, '9'});
  Feed(0, code::kDialRequest, {'4', '5'});  // no NUL: ends at the payload's end
  Feed(0, code::kDialRequest, std::vector<uint8_t>(300, '7'));
  ASSERT_EQ(events.dials.size(), 3u);
  EXPECT_EQ(events.dials[0], "123");
  EXPECT_EQ(events.dials[1], "45");
  EXPECT_EQ(events.dials[2], std::string(199, '7'));
}

TEST_F(DispatchTest, EveryRefusalEndsTheRequestWithItsCode) {
  for (uint16_t c : {code::kAck, code::kOptionDisabled, code::kNotConfigured, code::kNotExisting,
                     code::kNoPort, code::kAlreadyConnected}) {
    Feed(0, c, {});
    EXPECT_EQ(link.State().lastReplyCode, c);
    EXPECT_EQ(link.Cache().Size(), 0u);
  }
}

}  // namespace
}  // namespace zy
