// The receive state machine: bytes in, frames out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/CliSocket.h"

namespace zy {
namespace {

struct Got {
  uint16_t length, subject, code;
  std::vector<uint8_t> payload;
  bool operator==(const Got&) const = default;
};

class RecordingSink : public FrameSink {
 public:
  void DispatchFrame(const uint8_t* buffer) override {
    const ReceivedFrame f = ParseReceivedFrame(buffer);
    frames.push_back({f.length, f.subject, f.code, {f.payload, f.payload + f.length}});
  }
  void OnLinkFailure(int, int64_t) override {}
  std::vector<Got> frames;
};

struct Case {
  const char* name;
  std::vector<uint8_t> bytes;
  std::vector<Got> expected;
};

std::vector<uint8_t> Frame7(uint16_t subject, uint16_t code, std::vector<uint8_t> payload) {
  std::vector<uint8_t> f(7 + payload.size());
  f[0] = 0x02;
  f[1] = static_cast<uint8_t>(payload.size() >> 8);
  f[2] = static_cast<uint8_t>(payload.size());
  f[3] = static_cast<uint8_t>(subject >> 8);
  f[4] = static_cast<uint8_t>(subject);
  f[5] = static_cast<uint8_t>(code >> 8);
  f[6] = static_cast<uint8_t>(code);
  std::copy(payload.begin(), payload.end(), f.begin() + 7);
  return f;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(Receiver, CutsTheStreamIntoFrames) {
  const std::vector<uint8_t> big(1019, 0x02);
  const std::vector<Case> cases = {
      {"garbage before STX is dropped",
       {0x41, 0x42, 0x02, 0x00, 0x00, 0x00, 0x05, 0xFE, 0x02},
       {{0, 5, 0xFE02, {}}}},
      {"0x02 inside a payload is data",
       Frame7(1, 0x0102, {0x02, 0x02, 0x41, 0x02}),
       {{4, 1, 0x0102, {0x02, 0x02, 0x41, 0x02}}}},
      {"two frames back to back",
       Cat({Frame7(1, 0xFE01, {}), Frame7(7, 0x0103, {'A', 0})}),
       {{0, 1, 0xFE01, {}}, {2, 7, 0x0103, {'A', 0}}}},
      {"the largest payload that fits", Frame7(9, 0x0200, big), {{1019, 9, 0x0200, big}}},
      {"an oversize frame is dropped to its declared end, the next one arrives",
       Cat({{0x02, 0x04, 0x00, 0x00, 0x01, 0xFE, 0x04},
            std::vector<uint8_t>(1024, 0x02),
            Frame7(3, 0xFE01, {})}),
       {{0, 3, 0xFE01, {}}}},
      {"an incomplete header delivers nothing", {0x02, 0x00, 0x00, 0x00}, {}},
      {"bytes between frames are skipped",
       Cat({Frame7(1, 0xFE02, {}), {0x00, 0xFF, 0x7E}, Frame7(2, 0xFE02, {})}),
       {{0, 1, 0xFE02, {}}, {0, 2, 0xFE02, {}}}},
  };
  for (const Case& c : cases) {
    RecordingSink sink;
    CLumoCliSocket socket(sink);
    for (uint8_t b : c.bytes) socket.ReceiveByte(b);
    EXPECT_EQ(sink.frames, c.expected) << c.name;
  }
}

TEST(Receiver, DeliversALengthZeroFrameOnItsSeventhByte) {
  RecordingSink sink;
  CLumoCliSocket socket(sink);
  const auto f = Frame7(5, 0xFE02, {});
  for (size_t i = 0; i < f.size(); ++i) {
    EXPECT_EQ(sink.frames.size(), 0u) << "before byte " << i;
    socket.ReceiveByte(f[i]);
  }
  EXPECT_EQ(sink.frames.size(), 1u);
}

TEST(Receiver, DeliversAFrameOnlyWhenItsLastByteArrives) {
  RecordingSink sink;
  CLumoCliSocket socket(sink);
  const auto f = Frame7(5, 0x0102, {'2', '0', '1', 0});
  for (size_t i = 0; i + 1 < f.size(); ++i) socket.ReceiveByte(f[i]);
  EXPECT_TRUE(sink.frames.empty());
  socket.ReceiveByte(f.back());
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0].payload, (std::vector<uint8_t>{'2', '0', '1', 0}));
}

}  // namespace
}  // namespace zy
