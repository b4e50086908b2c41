#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <set>
#include <string>

#include "app/MemorySettingsStore.h"

namespace zy {

inline void PrintTo(const WindowRect& r, std::ostream* os) {
  *os << "{left " << r.left << ", top " << r.top << ", right " << r.right << ", bottom " << r.bottom
      << "}";
}

namespace {

using Failure = MemorySettingsStore::WriteFailure;
constexpr SettingsRoot kMachine = SettingsRoot::Machine;
constexpr SettingsRoot kUser = SettingsRoot::User;

class SettingsStoreTest : public ::testing::Test {
 protected:
  void Put(std::string_view name, std::string_view text) {
    ASSERT_TRUE(store.WriteText(SettingRoot(name), name, "Value", text).ok());
  }
  MemorySettingsStore store;
};

// ---------------------------------------------------------------------------
// Settings table

TEST(SettingsTable, HoldsEveryNameOnceWithItsRoot) {
  const auto table = SettingsTable();
  EXPECT_EQ(table.size(), 37u);
  std::set<std::string_view> names;
  for (const SettingInfo& info : table) EXPECT_TRUE(names.insert(info.name).second) << info.name;

  const std::set<std::string_view> user = {"Extension",    "Password",      "Language",
                                           "Input device", "Output device", "NoForegroundOnCall",
                                           "VolumeLevel",  "Prefix"};
  for (const SettingInfo& info : table) {
    EXPECT_EQ(info.root, user.count(info.name) ? kUser : kMachine) << info.name;
  }
  EXPECT_EQ(table.front().name, "Ip Address");
  EXPECT_EQ(table.back().name, "ChPort");
}

TEST(SettingsTable, UnknownNameBelongsToTheUserRoot) {
  EXPECT_EQ(SettingRoot("Ip Address"), kMachine);
  EXPECT_EQ(SettingRoot("ip address"), kUser);  // names are exact
  EXPECT_EQ(SettingRoot("SomethingElse"), kUser);
}

TEST(SettingsKeyPath, AppendsTheNameToTheProgramKey) {
  EXPECT_EQ(SettingsKeyPath("Ip Address"), "Software\\Corvane Applications\\Dalmo\\Ip Address");
}

// ---------------------------------------------------------------------------
// ReadSetting / WriteSetting

TEST_F(SettingsStoreTest, WriteSettingGoesToTheRootOfTheTable) {
  ASSERT_TRUE(WriteSetting(store, "Ip Address", "0xc0a8010a").ok());
  ASSERT_TRUE(WriteSetting(store, "Extension", "101").ok());
  ASSERT_TRUE(WriteSetting(store, "Pcals sort", "3").ok());

  EXPECT_EQ(store.ReadText(kMachine, "Ip Address", "Value"), "0xc0a8010a");
  EXPECT_FALSE(store.Contains(kUser, "Ip Address", "Value"));
  EXPECT_EQ(store.ReadText(kUser, "Extension", "Value"), "101");
  EXPECT_FALSE(store.Contains(kMachine, "Extension", "Value"));
  EXPECT_EQ(store.ReadText(kUser, "Pcals sort", "Value"), "3");
}

TEST_F(SettingsStoreTest, ReadSettingLooksOnlyInTheRootOfTheTable) {
  // A copy under the wrong root is not the setting.
  ASSERT_TRUE(store.WriteText(kUser, "Port", "Value", "1234").ok());
  ASSERT_TRUE(store.WriteText(kMachine, "Password", "Value", "9999").ok());
  std::string value = "preset";
  EXPECT_FALSE(ReadSetting(store, "Port", value));
  EXPECT_FALSE(ReadSetting(store, "Password", value));
  EXPECT_EQ(value, "preset");
}

TEST_F(SettingsStoreTest, MissingSettingLeavesTheBufferAsItWas) {
  std::string value = "default";
  EXPECT_FALSE(ReadSetting(store, "Prefix", value));
  EXPECT_EQ(value, "default");
  // A number under the name is not a text value.
  ASSERT_TRUE(store.WriteNumber(kUser, "Prefix", "Value", 7).ok());
  EXPECT_FALSE(ReadSetting(store, "Prefix", value));
  EXPECT_EQ(value, "default");
}

TEST_F(SettingsStoreTest, EmptyValueIsPresent) {
  Put("Prefix", "");
  std::string value = "default";
  EXPECT_TRUE(ReadSetting(store, "Prefix", value));
  EXPECT_EQ(value, "");
}

TEST_F(SettingsStoreTest, LongValueIsReadAsItsFirst255Bytes) {
  std::string stored;
  for (int i = 0; i < 300; ++i) stored.push_back(static_cast<char>('a' + i % 26));
  Put("TableFile", stored);
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "TableFile", value));
  EXPECT_EQ(value, stored.substr(0, 255));

  Put("TableFile", stored.substr(0, 255));
  ASSERT_TRUE(ReadSetting(store, "TableFile", value));
  EXPECT_EQ(value.size(), 255u);
}

TEST_F(SettingsStoreTest, ValueEndsAtItsFirstNul) {
  Put("Device", std::string("dial\0up", 7));
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "Device", value));
  EXPECT_EQ(value, "dial");
}

TEST_F(SettingsStoreTest, WriteFailuresNameTheKeyPathOrTheValue) {
  Put("Codec", "G729");

  store.SetWriteFailure(kMachine, Failure::CreateKey);
  SettingsWriteResult r = WriteSetting(store, "Codec", "G711");
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.stringId, 103);
  EXPECT_EQ(r.argument, "Software\\Corvane Applications\\Dalmo\\Codec");

  store.SetWriteFailure(kMachine, Failure::SetValue);
  r = WriteSetting(store, "Codec", "G711");
  EXPECT_EQ(r.stringId, 106);
  EXPECT_EQ(r.argument, "Value");

  // The setting keeps its old content; the user root is not affected.
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "Codec", value));
  EXPECT_EQ(value, "G729");
  EXPECT_TRUE(WriteSetting(store, "Extension", "101").ok());

  store.SetWriteFailure(kMachine, Failure::None);
  EXPECT_TRUE(WriteSetting(store, "Codec", "G711").ok());
}

// ---------------------------------------------------------------------------
// Window records

TEST_F(SettingsStoreTest, WindowRectRoundTripsInTheUserRoot) {
  const WindowRect rect{-1280, -20, 300, 640};  // left, top, right, bottom
  ASSERT_TRUE(WriteWindowRect(store, "Pcals window", rect).ok());
  EXPECT_EQ(ReadWindowRect(store, "Pcals window"), rect);
  EXPECT_EQ(store.ReadNumber(kUser, "Pcals window", "Top"), static_cast<std::uint32_t>(-20));
  EXPECT_EQ(store.ReadNumber(kUser, "Pcals window", "Right"), 300u);
  EXPECT_FALSE(store.Contains(kMachine, "Pcals window", "Top"));
  EXPECT_FALSE(ReadWindowRect(store, "Ppdir window"));
}

TEST_F(SettingsStoreTest, WindowRectWithAnyValueMissingIsNotRead) {
  for (std::string_view missing : {"Top", "Left", "Bottom", "Right"}) {
    MemorySettingsStore partial;
    for (std::string_view name : {"Top", "Left", "Bottom", "Right"}) {
      if (name != missing) {
        ASSERT_TRUE(partial.WriteNumber(kUser, "Pkeys window", name, 5).ok());
      }
    }
    EXPECT_FALSE(ReadWindowRect(partial, "Pkeys window")) << "missing " << missing;
  }
}

TEST_F(SettingsStoreTest, WindowRectWriteStopsAtTheFirstFailure) {
  store.SetWriteFailure(kUser, Failure::SetValue, "Bottom");
  const SettingsWriteResult r = WriteWindowRect(store, "Phone window", {1, 2, 3, 4});
  EXPECT_EQ(r.stringId, 106);
  EXPECT_EQ(r.argument, "Bottom");
  // Top and Left went before Bottom; Right, after it, was not tried.
  EXPECT_EQ(store.ReadNumber(kUser, "Phone window", "Top"), 2u);
  EXPECT_EQ(store.ReadNumber(kUser, "Phone window", "Left"), 1u);
  EXPECT_FALSE(store.Contains(kUser, "Phone window", "Bottom"));
  EXPECT_FALSE(store.Contains(kUser, "Phone window", "Right"));

  store.SetWriteFailure(kUser, Failure::CreateKey);
  EXPECT_EQ(WriteWindowRect(store, "Phone window", {1, 2, 3, 4}).argument,
            "Software\\Corvane Applications\\Dalmo\\Phone window");
}

TEST_F(SettingsStoreTest, WindowActiveAndOtherNumbers) {
  EXPECT_FALSE(ReadWindowActive(store, "Pqueue window"));
  ASSERT_TRUE(WriteWindowActive(store, "Pqueue window", 1).ok());
  EXPECT_EQ(ReadWindowActive(store, "Pqueue window"), 1);
  ASSERT_TRUE(WriteWindowActive(store, "Pqueue window", 0).ok());
  EXPECT_EQ(ReadWindowActive(store, "Pqueue window"), 0);

  ASSERT_TRUE(WriteWindowNumber(store, "Ppbar window", "Mask", 0xFFFF).ok());
  ASSERT_TRUE(WriteWindowNumber(store, "Ppbar window", "Columns", 6).ok());
  EXPECT_EQ(ReadWindowNumber(store, "Ppbar window", "Mask"), 0xFFFFu);
  EXPECT_EQ(ReadWindowNumber(store, "Ppbar window", "Columns"), 6u);

  store.SetWriteFailure(kUser, Failure::SetValue);
  EXPECT_EQ(WriteWindowActive(store, "Pqueue window", 1).argument, "Active");
  EXPECT_EQ(ReadWindowActive(store, "Pqueue window"), 0);
}

// ---------------------------------------------------------------------------
// Value rules

TEST(CodecCode, MapsTheFourTextsAndDefaultsTo16) {
  const struct {
    std::string_view text;
    int code;
  } cases[] = {{"G711", 0}, {"G729", 8},  {"G711/G729", 16}, {"G729/G711", 24}, {"", 16},
               {"xyz", 16}, {"g729", 16}, {"G729 ", 16},     {"G711/", 16}};
  for (const auto& c : cases) EXPECT_EQ(CodecCode(c.text), c.code) << c.text;
}

TEST(ParseHexNumber, FollowsTheLxRule) {
  const struct {
    std::string_view text;
    std::uint32_t value;
  } cases[] = {
      {"0xc0a8010a", 0xc0a8010a},
      {"C0A8010A", 0xc0a8010a},
      {"0XFF", 0xff},
      {"  7f", 0x7f},
      {"1a2bz99", 0x1a2b},
      {"", 0},
      {"zz", 0},
      {"0x", 0},
      {"0xg", 0},
      {"-1", 0xffffffff},
      {"+10", 0x10},
      {"1ffffffff", 0xffffffff},
      {"123456789", 0x23456789},  // low 32 bits of a longer number
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHexNumber(c.text), c.value) << c.text;
}

TEST(ParseDecimalNumber, FollowsTheAtoiRule) {
  const struct {
    std::string_view text;
    int value;
  } cases[] = {{"40008", 40008},
               {" 20000", 20000},
               {"0042", 42},
               {"12ab", 12},
               {"abc", 0},
               {"", 0},
               {"-5", -5},
               {"99999999999", INT_MAX},
               {"-99999999999", INT_MIN}};
  for (const auto& c : cases) EXPECT_EQ(ParseDecimalNumber(c.text), c.value) << c.text;
}

TEST(IpAddressText, FormatsAsLowerCaseHexAndReadsBack) {
  EXPECT_EQ(FormatIpAddress(0xc0a8010a), "0xc0a8010a");
  EXPECT_EQ(FormatIpAddress(0), "0x0");
  EXPECT_EQ(FormatIpAddress(0x0a000001), "0xa000001");
  for (std::uint32_t a : {0u, 1u, 0x7f000001u, 0xc0a8010au, 0xffffffffu}) {
    EXPECT_EQ(ParseHexNumber(FormatIpAddress(a)), a);
  }
}

TEST(DottedQuad, ConvertsHostOrderAddresses) {
  EXPECT_EQ(FormatDottedQuad(0xc0a8010a), "192.168.1.10");
  EXPECT_EQ(FormatDottedQuad(0), "0.0.0.0");
  EXPECT_EQ(FormatDottedQuad(0xffffffff), "255.255.255.255");
  EXPECT_EQ(ParseDottedQuad("192.168.1.10"), 0xc0a8010au);
  EXPECT_EQ(ParseDottedQuad("127.0.0.1"), 0x7f000001u);
  EXPECT_EQ(ParseDottedQuad("010.000.001.002"), 0x0a000102u);

  for (std::string_view bad :
       {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", " 1.2.3.4", "1..2.3", "1.2.3.",
        "a.b.c.d", "1234.1.1.1", "1.2.3.-4", "0x7f.0.0.1"}) {
    EXPECT_FALSE(ParseDottedQuad(bad)) << bad;
  }
}

TEST(LanguageId, AbsentIsItalianAnythingElseEnglish) {
  EXPECT_EQ(LanguageId(std::nullopt), 1040);
  EXPECT_EQ(LanguageId("1040"), 1040);
  EXPECT_EQ(LanguageId("2057"), 2057);
  EXPECT_EQ(LanguageId("1033"), 2057);
  EXPECT_EQ(LanguageId(""), 2057);
  EXPECT_EQ(LanguageId("it"), 2057);
}

// ---------------------------------------------------------------------------
// Start-up reading

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
  const StartupSettings s = LoadStartupSettings(store);
  EXPECT_FALSE(s.connectToIp);
  EXPECT_FALSE(s.ipAddress);
  EXPECT_FALSE(s.device);
  EXPECT_EQ(s.port, 40008);
  EXPECT_EQ(s.rtpPort, 20000);
  EXPECT_TRUE(s.symmetricRtp);
  EXPECT_EQ(s.extension, "");
  EXPECT_EQ(s.password, "5187");
  EXPECT_EQ(s.languageId, 1040);
  EXPECT_FALSE(s.languageText);
  EXPECT_EQ(s.inputDevice, "");
  EXPECT_EQ(s.outputDevice, "");
  EXPECT_FALSE(s.echoCanc);
  EXPECT_FALSE(s.vadEnable);
  EXPECT_EQ(s.codec, "");
  EXPECT_EQ(s.codecCode, 16);
  EXPECT_FALSE(s.noForegroundOnCall);
  EXPECT_EQ(s.volumeLevel, 2);
  EXPECT_EQ(s.prefix, "");
  EXPECT_FALSE(s.settingsComplete);
}

TEST_F(SettingsStoreTest, StoredValuesAreRead) {
  Put("Connect to IP", "1");
  Put("Ip Address", "0xc0a8010a");
  Put("Port", "40010");
  Put("RTP port", "20002");
  Put("Symmetric RTP", "0");
  Put("Extension", "101");
  Put("Password", "0042");
  Put("Language", "1033");
  Put("Input device", "USB Headset");
  Put("Output device", "Speakers \x80");
  Put("EchoCanc", "1");
  Put("VadEnable", "1");
  Put("Codec", "G729/G711");
  Put("NoForegroundOnCall", "1");
  Put("VolumeLevel", "0");
  Put("Prefix", "0");

  const StartupSettings s = LoadStartupSettings(store);
  EXPECT_EQ(s.connectToIp, true);
  EXPECT_EQ(s.ipAddress, 0xc0a8010au);
  EXPECT_EQ(s.port, 40010);
  EXPECT_EQ(s.rtpPort, 20002);
  EXPECT_FALSE(s.symmetricRtp);
  EXPECT_EQ(s.extension, "101");
  EXPECT_EQ(s.password, "0042");
  EXPECT_EQ(s.languageId, 2057);
  EXPECT_EQ(s.languageText, "1033");
  EXPECT_EQ(s.inputDevice, "USB Headset");
  EXPECT_EQ(s.outputDevice, "Speakers \x80");
  EXPECT_TRUE(s.echoCanc);
  EXPECT_TRUE(s.vadEnable);
  EXPECT_EQ(s.codec, "G729/G711");
  EXPECT_EQ(s.codecCode, 24);
  EXPECT_TRUE(s.noForegroundOnCall);
  EXPECT_EQ(s.volumeLevel, 0);
  EXPECT_EQ(s.prefix, "0");
  EXPECT_TRUE(s.settingsComplete);
}

TEST_F(SettingsStoreTest, FlagsAreOnWhenTheFirstCharacterIsOne) {
  const struct {
    std::string_view text;
    bool on;
  } cases[] = {{"1", true}, {"10", true},  {"1x", true}, {"0", false},
               {"", false}, {" 1", false}, {"2", false}, {"yes", false}};
  for (const auto& c : cases) {
    Put("Symmetric RTP", c.text);
    Put("VadEnable", c.text);
    const StartupSettings s = LoadStartupSettings(store);
    EXPECT_EQ(s.symmetricRtp, c.on) << c.text;
    EXPECT_EQ(s.vadEnable, c.on) << c.text;
  }
}

TEST_F(SettingsStoreTest, VolumeLevelOutsideItsRangeIsHigh) {
  const struct {
    std::string_view text;
    int level;
  } cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 2}, {"-1", 2}, {"x", 0}};
  for (const auto& c : cases) {
    Put("VolumeLevel", c.text);
    EXPECT_EQ(LoadStartupSettings(store).volumeLevel, c.level) << c.text;
  }
}

// Which settings are present decides `settingsComplete` and which address is
// read.
struct CompletenessCase {
  const char* name;
  const char* connectToIp;  // nullptr: absent
  const char* ipAddress;
  const char* device;
  const char* port;
  const char* rtpPort;
  bool complete;
};

class StartupCompleteness : public ::testing::TestWithParam<CompletenessCase> {};

TEST_P(StartupCompleteness, FollowsThePresenceOfTheConnectionSettings) {
  const CompletenessCase& c = GetParam();
  MemorySettingsStore store;
  const auto put = [&](std::string_view name, const char* text) {
    if (text != nullptr) {
      ASSERT_TRUE(WriteSetting(store, name, text).ok());
    }
  };
  put("Connect to IP", c.connectToIp);
  put("Ip Address", c.ipAddress);
  put("Device", c.device);
  put("Port", c.port);
  put("RTP port", c.rtpPort);

  const StartupSettings s = LoadStartupSettings(store);
  EXPECT_EQ(s.settingsComplete, c.complete);
  // Only the address that "Connect to IP" selects is read.
  const bool direct = c.connectToIp != nullptr && c.connectToIp[0] == '1';
  const bool dialUp = c.connectToIp != nullptr && !direct;
  EXPECT_EQ(s.ipAddress.has_value(), direct && c.ipAddress != nullptr);
  EXPECT_EQ(s.device.has_value(), dialUp && c.device != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupCompleteness,
    ::testing::Values(
        CompletenessCase{"DirectAllPresent", "1", "0xc0a8010a", nullptr, "40008", "20000", true},
        CompletenessCase{"DialUpAllPresent", "0", nullptr, "Office", "40008", "20000", true},
        CompletenessCase{"NoConnectChoice", nullptr, "0xc0a8010a", "Office", "40008", "20000",
                         false},
        CompletenessCase{"DirectWithoutAddress", "1", nullptr, "Office", "40008", "20000", false},
        CompletenessCase{"DialUpWithoutDevice", "0", "0xc0a8010a", nullptr, "40008", "20000",
                         false},
        CompletenessCase{"PortMissing", "1", "0xc0a8010a", nullptr, nullptr, "20000", false},
        CompletenessCase{"RtpPortMissing", "0", nullptr, "Office", "40008", nullptr, false},
        // An unreadable address is still a present one (it reads as 0).
        CompletenessCase{"DirectGarbageAddress", "1", "zz", nullptr, "40008", "20000", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, LongTextsAreCutLikeEveryRead) {
  Put("Extension", std::string(300, '7'));
  EXPECT_EQ(LoadStartupSettings(store).extension, std::string(255, '7'));
}

}  // namespace
}  // namespace zy
