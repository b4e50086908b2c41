#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/DataMemCache.h"

namespace zy {
namespace {

void Put(DataMemCache& c, uint16_t owner, uint16_t param, const std::string& v) {
  c.Store(owner, param, reinterpret_cast<const uint8_t*>(v.data()), v.size());
}

std::vector<std::pair<uint16_t, uint16_t>> Walk(const DataMemCache& c, uint16_t mask,
                                                uint16_t value) {
  std::vector<std::pair<uint16_t, uint16_t>> out;
  uint64_t pos = 0;
  uint16_t owner = 0, param = 0;
  while (c.Next(pos, mask, value, owner, param, nullptr)) out.emplace_back(owner, param);
  return out;
}

TEST(DataMemCache, StoresReplacesAndRemoves) {
  DataMemCache c;
  Put(c, 0x10, 258, std::string("201\0", 4));
  ASSERT_TRUE(c.Find(0x10, 258));
  EXPECT_EQ(*c.Find(0x10, 258), std::string("201\0", 4));
  Put(c, 0x10, 258, "2");
  EXPECT_EQ(*c.Find(0x10, 258), "2");
  EXPECT_FALSE(c.Find(258, 0x10)) << "owner and parameter are not interchangeable";
  EXPECT_TRUE(c.Remove(0x10, 258));
  EXPECT_FALSE(c.Remove(0x10, 258));
  EXPECT_FALSE(c.Find(0x10, 258));
}

TEST(DataMemCache, WalksMatchingParametersInKeyOrder) {
  DataMemCache c;
  Put(c, 0x30, 257, "");
  Put(c, 0x10, 257, "");
  Put(c, 0x10, 258, "");
  Put(c, 0x20, 0x0301, "");
  Put(c, 0x20, 0x0302, "");
  Put(c, 0xFFFF, 0xFFFF, "");
  Put(c, 0x0000, 0x0000, "");

  using V = std::vector<std::pair<uint16_t, uint16_t>>;
  EXPECT_EQ(Walk(c, 0xFFFF, 257), (V{{0x10, 257}, {0x30, 257}}));
  EXPECT_EQ(Walk(c, 0xFF00, 0x0300), (V{{0x20, 0x0301}, {0x20, 0x0302}}));
  EXPECT_EQ(Walk(c, 0xFFFF, 0xFFFF), (V{{0xFFFF, 0xFFFF}})) << "the last possible key ends";
  EXPECT_EQ(Walk(c, 0xFFFF, 0), (V{{0, 0}}));
  EXPECT_EQ(Walk(c, 0xFFFF, 0x1234), V{});
  EXPECT_EQ(Walk(c, 0, 0).size(), 7u) << "mask 0 matches everything";
}

TEST(DataMemCache, AWalkSurvivesChangesBetweenSteps) {
  DataMemCache c;
  for (uint16_t o = 1; o <= 5; ++o) Put(c, o, 257, "");
  uint64_t pos = 0;
  uint16_t owner = 0, param = 0;
  ASSERT_TRUE(c.Next(pos, 0xFFFF, 257, owner, param, nullptr));
  EXPECT_EQ(owner, 1);
  c.Remove(2, 257);
  Put(c, 4, 257, "changed");
  std::string payload;
  ASSERT_TRUE(c.Next(pos, 0xFFFF, 257, owner, param, &payload));
  EXPECT_EQ(owner, 3);
  ASSERT_TRUE(c.Next(pos, 0xFFFF, 257, owner, param, &payload));
  EXPECT_EQ(owner, 4);
  EXPECT_EQ(payload, "changed");
}

}  // namespace
}  // namespace zy
