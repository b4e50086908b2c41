// The first login against the simulator: what is stored, what the user is
// told, and how a failed connection is retried or given up.
#include <gtest/gtest.h>

#include "app/FirstLogin.h"
#include "app/MemorySettingsStore.h"
#include "app/StringTable.h"
#include "link/Codes.h"
#include "pbxsim/Simulator.h"

namespace zy {
namespace {

using namespace std::chrono_literals;

class FirstLoginTest : public ::testing::Test {
 protected:
  void SetUp() override { link.SetReplyTimeout(2000ms); }
  void TearDown() override {
    link.Close();
    if (sim) sim->Stop();
  }

  // A PBX with extension 201 (id 0x0012, password 42).
  void StartPbx(pbxsim::LoginReply reply = pbxsim::LoginReply::kGrant) {
    pbxsim::Scenario s;
    auto& e = s.AddExtension(0x0012, "201");
    e.password = "42";
    e.reply = reply;
    sim = std::make_unique<pbxsim::Simulator>(std::move(s));
    ASSERT_TRUE(sim->Start(0));
    Configure(sim->Port());
  }
  void Configure(uint16_t port) {
    WriteSetting(store, kSettingConnectToIp, "1");
    WriteSetting(store, kSettingIpAddress, FormatIpAddress(0x7f000001));
    WriteSetting(store, kSettingPort, std::to_string(port));
    WriteSetting(store, kSettingRtpPort, "20000");
    session.settings = LoadStartupSettings(store);
    session.addressResolved = false;
  }
  bool Run(const std::string& extension, const std::string& password,
           Language language = Language::Italian) {
    CFirstLogin login(store, link, session);
    return login.Run(
        extension, password,
        [this](int id, int64_t) {
          retries.push_back(id);
          return false;
        },
        [this](const std::string& text) { messages.push_back(text); }, language);
  }
  std::string Setting(std::string_view name) {
    std::string v = "(absent)";
    ReadSetting(store, name, v);
    return v;
  }

  MemorySettingsStore store;
  LinkClient link;
  AppSession session;
  std::unique_ptr<pbxsim::Simulator> sim;
  std::vector<int> retries;
  std::vector<std::string> messages;
};

TEST_F(FirstLoginTest, LogsInStoresTheTypedTextsAndLoadsTheModel) {
  StartPbx();
  ASSERT_TRUE(Run("201", "0042"));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(link.State().ownId, 0x0012);
  EXPECT_TRUE(link.State().keepAliveDue) << "one keep-alive goes out after the login";
  EXPECT_TRUE(session.model.extensions.IsLoaded());
  EXPECT_EQ(Setting(kSettingExtension), "201");
  EXPECT_EQ(Setting(kSettingPassword), "0042");
  EXPECT_TRUE(session.addressResolved);
  EXPECT_EQ(sim->Login().codec, 16) << "no stored codec sends code 16";
}

TEST_F(FirstLoginTest, RefusalsAreShownInTheLanguageInUseAndCloseTheLink) {
  struct Case {
    pbxsim::LoginReply reply;
    std::string password;
    Language language;
    std::string text;
  };
  const std::vector<Case> cases = {
      {pbxsim::LoginReply::kNotConfigured, "42", Language::Italian,
       "L'interno 201 non \xE8 configurato per la connessione al telefono software"},
      {pbxsim::LoginReply::kNotConfigured, "42", Language::English,
       "Extension 201 is not configured for connection to the software phone"},
      {pbxsim::LoginReply::kAlreadyConnected, "42", Language::Italian,
       "Interno gi\xE0 collegato al sistema"},
      {pbxsim::LoginReply::kPlainAck, "42", Language::Italian, ""},
      {pbxsim::LoginReply::kGrant, "43", Language::English, "Invalid extension password"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    StartPbx(c.reply);
    messages.clear();
    EXPECT_FALSE(Run("201", c.password, c.language));
    EXPECT_EQ(messages, std::vector<std::string>{c.text});
    EXPECT_FALSE(link.HasLink());
    // The typed texts are kept even when the PBX refuses them.
    EXPECT_EQ(Setting(kSettingPassword), c.password);
    TearDown();
  }
}

TEST_F(FirstLoginTest, NoServerAsksToRetryAndGivingUpResetsTheLinkNextTime) {
  // A port nobody listens on: bind a simulator, note its port, stop it.
  StartPbx();
  const uint16_t port = sim->Port();
  sim->Stop();
  Configure(port);
  link.SetConnectTimeoutMs(500);
  EXPECT_FALSE(Run("201", "42"));
  EXPECT_EQ(retries, std::vector<int>{157});
  EXPECT_TRUE(messages.empty()) << "the warning dialog is the only message";
  EXPECT_TRUE(session.linkNeedsReset);

  // The PBX is back: the next attempt starts afresh and succeeds.
  pbxsim::Scenario s;
  s.AddExtension(0x0012, "201").password = "42";
  sim = std::make_unique<pbxsim::Simulator>(std::move(s));
  ASSERT_TRUE(sim->Start(port));
  EXPECT_TRUE(Run("201", "42"));
  EXPECT_FALSE(session.linkNeedsReset);
}

TEST_F(FirstLoginTest, DialUpModeCannotResolveAnAddress) {
  WriteSetting(store, kSettingConnectToIp, "0");
  WriteSetting(store, kSettingDevice, "Ufficio");
  WriteSetting(store, kSettingPort, "40008");
  WriteSetting(store, kSettingRtpPort, "20000");
  session.settings = LoadStartupSettings(store);
  ASSERT_TRUE(session.settings.settingsComplete);
  EXPECT_FALSE(Run("201", "42"));
  EXPECT_EQ(messages, std::vector<std::string>{LoadString(kStrGenericConnectError)});
  EXPECT_TRUE(retries.empty());
  EXPECT_FALSE(session.addressResolved);
}

TEST_F(FirstLoginTest, FailedSettingsWritesAreShownAndTheLoginGoesOn) {
  StartPbx();
  store.SetWriteFailure(SettingsRoot::User, MemorySettingsStore::WriteFailure::SetValue);
  EXPECT_TRUE(Run("201", "42"));
  const std::string failed = LoadFormatted(106, {"Value"});
  EXPECT_EQ(messages, (std::vector<std::string>{failed, failed}));
}

TEST(SessionMessageTextTest, NotAvailableFollowsTheLanguage) {
  const SessionMessage m{kStrIncompatible, {"4", LoadString(kStrNotAvailable)}};
  EXPECT_EQ(SessionMessageText(m, Language::English),
            "The softphone's communication software (4) is not compatible with the system's "
            "communication software (not available)");
  EXPECT_EQ(SessionMessageText({kStrNotExisting, {"77"}}, Language::Italian),
            "Interno 77 non esistente");
}

}  // namespace
}  // namespace zy
