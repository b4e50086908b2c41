// The connection settings, the preferences and the settings password without
// their windows.
#include <gtest/gtest.h>

#include "app/MemorySettingsStore.h"
#include "settings/ConnectionSettings.h"

namespace zy {
namespace {

class ConnectionSettingsTest : public ::testing::Test {
 protected:
  std::string Setting(std::string_view name) const {
    std::string v = "(absent)";
    ReadSetting(store, name, v);
    return v;
  }
  MemorySettingsStore store;
  StartupSettings memory;
};

TEST_F(ConnectionSettingsTest, DefaultsWhenNothingIsStored) {
  const ConnectionSettings s = LoadConnectionSettings(store);
  EXPECT_FALSE(s.connectToIp) << "remote access when absent";
  EXPECT_EQ(s.ipAddress, 0u);
  EXPECT_EQ(s.port, 40008);
  EXPECT_EQ(s.rtpPort, 20000);
  EXPECT_TRUE(s.symmetricRtp);
  EXPECT_FALSE(s.echoCanc);
  EXPECT_FALSE(s.vadEnable);
  EXPECT_EQ(s.codecIndex, 0);
}

TEST_F(ConnectionSettingsTest, CodecItemShownForAStoredText) {
  EXPECT_EQ(CodecItemIndex("G729/G711"), 3);
  EXPECT_EQ(CodecItemIndex("G711/G729"), 2);
  EXPECT_EQ(CodecItemIndex("G729"), 1);
  EXPECT_EQ(CodecItemIndex("G711"), 0);
  EXPECT_EQ(CodecItemIndex("xyz"), 0);
  EXPECT_EQ(CodecItemIndex(""), 0);
  EXPECT_EQ(CodecItems()[3], "G729/G711");
}

TEST_F(ConnectionSettingsTest, StoredFormsAndMemory) {
  ConnectionSettings v;
  v.connectToIp = true;
  v.port = 40010;
  v.rtpPort = 20001;  // odd, accepted
  v.symmetricRtp = false;
  v.echoCanc = true;
  v.vadEnable = true;
  v.codecIndex = 3;
  const auto r = SaveConnectionSettings(store, v, 0xC0A8010A, std::nullopt, memory);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.writeFailures.empty());
  EXPECT_EQ(Setting(kSettingIpAddress), "0xc0a8010a");
  EXPECT_EQ(Setting(kSettingConnectToIp), "1");
  EXPECT_EQ(Setting(kSettingPort), "40010");
  EXPECT_EQ(Setting(kSettingRtpPort), "20001");
  EXPECT_EQ(Setting(kSettingSymmetricRtp), "0");
  EXPECT_EQ(Setting(kSettingEchoCanc), "1");
  EXPECT_EQ(Setting(kSettingVadEnable), "1");
  EXPECT_EQ(Setting(kSettingCodec), "G729/G711");
  EXPECT_EQ(Setting(kSettingDevice), "(absent)");
  EXPECT_TRUE(memory.settingsComplete);
  EXPECT_EQ(memory.codecCode, 24);
  EXPECT_EQ(memory.ipAddress, 0xC0A8010Au);
  EXPECT_EQ(memory.port, 40010);

  // What was stored reads back as the dialog shows it and as the start
  // reads it.
  const ConnectionSettings back = LoadConnectionSettings(store);
  EXPECT_EQ(back.ipAddress, 0xC0A8010Au);
  EXPECT_EQ(back.codecIndex, 3);
  EXPECT_TRUE(LoadStartupSettings(store).settingsComplete);
}

TEST_F(ConnectionSettingsTest, BlankOrZeroAddressIsRefusedAndNothingIsStored) {
  ConnectionSettings v;
  v.connectToIp = true;
  for (const std::optional<uint32_t> address : {std::optional<uint32_t>{}, std::optional(0u)}) {
    const auto r = SaveConnectionSettings(store, v, address, std::nullopt, memory);
    EXPECT_EQ(r.refusedStringId, kStrInvalidIpAddress);
    EXPECT_EQ(store.size(), 0u);
    EXPECT_FALSE(memory.settingsComplete);
  }
}

TEST_F(ConnectionSettingsTest, RemoteAccessStoresTheEntryOrKeepsTheOldOne) {
  ConnectionSettings v;
  v.connectToIp = false;
  ASSERT_TRUE(SaveConnectionSettings(store, v, std::nullopt, "Ufficio", memory).ok());
  EXPECT_EQ(Setting(kSettingDevice), "Ufficio");
  EXPECT_EQ(Setting(kSettingConnectToIp), "0");
  EXPECT_EQ(Setting(kSettingIpAddress), "(absent)") << "no address is needed";

  // The platform offers no entry: the stored one stays.
  ASSERT_TRUE(SaveConnectionSettings(store, v, std::nullopt, std::nullopt, memory).ok());
  EXPECT_EQ(Setting(kSettingDevice), "Ufficio");
}

TEST_F(ConnectionSettingsTest, FailedWritesAreReportedAndTheRestIsStored) {
  store.SetWriteFailure(SettingsRoot::Machine, MemorySettingsStore::WriteFailure::CreateKey);
  ConnectionSettings v;
  v.connectToIp = true;
  const auto r = SaveConnectionSettings(store, v, 0x0A000001, std::nullopt, memory);
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.writeFailures.size(), 8u);
  EXPECT_EQ(r.writeFailures[0].stringId, kStringKeyCreateFailed);
  EXPECT_EQ(r.writeFailures[0].argument, SettingsKeyPath(kSettingIpAddress));
}

TEST_F(ConnectionSettingsTest, PreferencesAreWrittenOnlyWhenChanged) {
  const Preferences before = LoadPreferences(store);
  EXPECT_EQ(before, (Preferences{false, 2}));
  EXPECT_TRUE(SavePreferences(store, before, before).empty());
  EXPECT_EQ(store.size(), 0u);

  SavePreferences(store, before, {false, 0});
  EXPECT_EQ(Setting(kSettingVolumeLevel), "0");
  EXPECT_EQ(Setting(kSettingNoForegroundOnCall), "(absent)");
  SavePreferences(store, {false, 0}, {true, 0});
  EXPECT_EQ(Setting(kSettingNoForegroundOnCall), "1");
  EXPECT_EQ(LoadPreferences(store), (Preferences{true, 0}));

  WriteSetting(store, kSettingVolumeLevel, "7");
  EXPECT_EQ(LoadPreferences(store).volumeLevel, 2) << "out of range reads as the default";
}

TEST(SettingsPasswordTest, ExactCaseSensitiveWholeField) {
  EXPECT_TRUE(IsSettingsPassword("vonpek"));
  for (const char* wrong : {"VONPEK", "Vonpek", "vonpek ", " vonpek", "vonpe", "vonpekk", ""}) {
    EXPECT_FALSE(IsSettingsPassword(wrong)) << '"' << wrong << '"';
  }
}

}  // namespace
}  // namespace zy
