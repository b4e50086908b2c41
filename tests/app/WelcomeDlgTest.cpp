// The login dialog: the enabling rule of "Entra...", relabelling on a
// language switch, and the first login against the simulator.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/MemorySettingsStore.h"
#include "app/StringTable.h"
#include "app/WelcomeDlg.h"
#include "pbxsim/Simulator.h"
#include "platform/QtText.h"
#include "settings/PasswordDlg.h"
#include "settings/SettingsDlg.h"
#include "support/QtTestApp.h"
#include "ui/IpAddressWidget.h"
#include "ui/Language.h"

namespace zy {
namespace {

using namespace std::chrono_literals;

QString Str(int id, Language lang) { return FromCp1252(LoadString(id, lang)); }

class WelcomeDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ui::UiLanguage::Instance().SetEnglishFile({});
    ui::UiLanguage::Instance().SwitchToItalian();
    link.SetReplyTimeout(2000ms);
  }
  void TearDown() override {
    ui::UiLanguage::Instance().SetEnglishFile({});
    ui::UiLanguage::Instance().SwitchToItalian();
    link.Close();
    if (sim) sim->Stop();
  }
  void Configure(uint16_t port) {
    WriteSetting(store, kSettingConnectToIp, "1");
    WriteSetting(store, kSettingIpAddress, "0x7f000001");
    WriteSetting(store, kSettingPort, std::to_string(port));
    WriteSetting(store, kSettingRtpPort, "20000");
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
  std::unique_ptr<CWelcomeDlg> Dialog() {
    session.settings = LoadStartupSettings(store);
    return std::make_unique<CWelcomeDlg>(store, link, session);
  }
  std::string Setting(std::string_view name) const {
    std::string v = "(absent)";
    ReadSetting(store, name, v);
    return v;
  }

  MemorySettingsStore store;
  LinkClient link;
  AppSession session;
  std::unique_ptr<pbxsim::Simulator> sim;
  test::MessageBoxRecorder boxes;
};

TEST_F(WelcomeDlgTest, LoginButtonNeedsExtensionPasswordAndSettings) {
  struct Case {
    bool configured;
    QString extension, password;
    bool enabled;
  };
  const std::vector<Case> cases = {
      {true, "200", "1234", true},   {true, "", "1234", false}, {true, "200", "", false},
      {false, "200", "1234", false}, {true, " ", "1", true},
  };
  for (const Case& c : cases) {
    store.Clear();
    if (c.configured) Configure(40008);
    auto dlg = Dialog();
    dlg->ExtensionField()->setText(c.extension);
    dlg->PasswordField()->setText(c.password);
    EXPECT_EQ(dlg->LoginButton()->isEnabled(), c.enabled)
        << c.configured << " '" << c.extension.toStdString() << "' '" << c.password.toStdString()
        << "'";
  }
}

TEST_F(WelcomeDlgTest, FieldsStartWithTheStoredTexts) {
  WriteSetting(store, kSettingExtension, "201");
  auto dlg = Dialog();
  EXPECT_EQ(dlg->ExtensionField()->text(), "201");
  EXPECT_EQ(dlg->PasswordField()->text(), "5187") << "the default password";
  EXPECT_EQ(dlg->PasswordField()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dlg->VersionText()->text(), "001_010");
  EXPECT_EQ(dlg->windowTitle(), "Benvenuti in Zyphone!!!");
  EXPECT_TRUE(dlg->ItalianButton()->isChecked());
  EXPECT_FALSE(dlg->LoginButton()->isEnabled()) << "no connection settings yet";
  EXPECT_FALSE(dlg->AudioButton()->isEnabled()) << "no audio device dialog yet";
}

TEST_F(WelcomeDlgTest, LanguageSwitchRelabelsAtOnceAndIsStored) {
  auto dlg = Dialog();
  dlg->EnglishButton()->click();
  EXPECT_TRUE(ui::UiLanguage::Instance().IsEnglish());
  EXPECT_EQ(Setting(kSettingLanguage), "2057");
  // The labels that are also messages read as the string table has them.
  for (const Language lang : {Language::English, Language::Italian}) {
    if (lang == Language::Italian) {
      dlg->ItalianButton()->click();
      EXPECT_EQ(Setting(kSettingLanguage), "1040");
    }
    QApplication::processEvents();
    EXPECT_EQ(dlg->windowTitle(), Str(150, lang));
    EXPECT_EQ(dlg->LoginButton()->text(), Str(190, lang));
    EXPECT_EQ(dlg->ConnectionButton()->text(), Str(289, lang));
    EXPECT_EQ(dlg->AudioButton()->text(), Str(334, lang));
    EXPECT_EQ(dlg->SettingsButton()->text(), Str(391, lang));
    EXPECT_EQ(dlg->VersionLabel()->text(), Str(326, lang));
    EXPECT_EQ(dlg->VersionText()->text(), Str(389, lang));
  }
  EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(WelcomeDlgTest, MissingEnglishTextsShowMessage239AndStayItalian) {
  ui::UiLanguage::Instance().SetEnglishFile(QStringLiteral("/nonexistent/Vavavover_ENG.qm"));
  auto dlg = Dialog();
  dlg->EnglishButton()->click();
  EXPECT_EQ(boxes.Texts(),
            QStringList({"Impossibile caricare il modulo Vavavover_ENG.qm. Impossibile impostare "
                         "la lingua inglese"}));
  EXPECT_TRUE(dlg->ItalianButton()->isChecked());
  EXPECT_FALSE(ui::UiLanguage::Instance().IsEnglish());
  EXPECT_EQ(Setting(kSettingLanguage), "(absent)");
  EXPECT_EQ(dlg->LoginButton()->text(), "Entra...");
}

TEST_F(WelcomeDlgTest, EntraLogsInAndClosesWithOk) {
  StartPbx();
  auto dlg = Dialog();
  dlg->show();
  dlg->ExtensionField()->setText("201");
  dlg->PasswordField()->setText("42");
  ASSERT_TRUE(dlg->LoginButton()->isEnabled());
  QTest::keyClick(dlg->PasswordField(), Qt::Key_Return);
  EXPECT_TRUE(boxes.calls.empty()) << boxes.Texts().join('|').toStdString();
  EXPECT_EQ(dlg->result(), QDialog::Accepted);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(sim->Login().loggedIn);
  EXPECT_EQ(sim->Login().number, "201");
  EXPECT_EQ(link.State().ownId, 0x0012);
  EXPECT_EQ(Setting(kSettingExtension), "201");
  EXPECT_EQ(Setting(kSettingPassword), "42");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor is gone";
}

TEST_F(WelcomeDlgTest, RefusalShowsTheMessageAndKeepsTheDialogOpen) {
  StartPbx(pbxsim::LoginReply::kNotConfigured);
  auto dlg = Dialog();
  dlg->show();
  dlg->ExtensionField()->setText("201");
  dlg->PasswordField()->setText("42");
  dlg->LoginButton()->click();
  ASSERT_EQ(boxes.calls.size(), 1u);
  EXPECT_EQ(boxes.calls[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.calls[0].text,
            QString::fromUtf8("L'interno 201 non è configurato per la connessione al telefono "
                              "software"));
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_NE(dlg->result(), QDialog::Accepted);
  EXPECT_FALSE(link.HasLink());

  // Another try with a wrong password, in English this time.
  dlg->EnglishButton()->click();
  sim->Stop();
  StartPbx();
  session.settings.port = sim->Port();
  session.addressResolved = false;
  dlg->PasswordField()->setText("43");
  dlg->LoginButton()->click();
  ASSERT_EQ(boxes.calls.size(), 2u);
  EXPECT_EQ(boxes.calls[1].text, "Invalid extension password");
  EXPECT_TRUE(dlg->isVisible());
}

TEST_F(WelcomeDlgTest, UnreachablePbxAsksThroughTheRetryDecision) {
  StartPbx();
  sim->Stop();  // nobody listens on its port any more
  link.SetConnectTimeoutMs(500);
  auto dlg = Dialog();
  std::vector<int> asked;
  dlg->SetRetryDecision([&](int id, int64_t) {
    asked.push_back(id);
    return false;
  });
  dlg->ExtensionField()->setText("201");
  dlg->LoginButton()->click();
  EXPECT_EQ(asked, std::vector<int>{157});
  EXPECT_TRUE(boxes.calls.empty());
  EXPECT_NE(dlg->result(), QDialog::Accepted);
  EXPECT_TRUE(session.linkNeedsReset);
}

// Runs `work` on the modal dialog of type D once it is up.
template <class D>
void OnModal(std::function<void(D&)> work) {
  QTimer::singleShot(0, [work] {
    auto* dlg = dynamic_cast<D*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    work(*dlg);
  });
}

TEST_F(WelcomeDlgTest, ConnectionSettingsEnableEntraAfterOk) {
  auto dlg = Dialog();
  dlg->ExtensionField()->setText("201");
  ASSERT_FALSE(dlg->LoginButton()->isEnabled());
  OnModal<CSettingsDlg>([](CSettingsDlg& s) {
    s.IpModeButton()->click();
    s.AddressField()->SetAddress(0x7f000001);
    s.OkButton()->click();
  });
  dlg->ConnectionButton()->click();
  EXPECT_TRUE(dlg->LoginButton()->isEnabled());
  EXPECT_EQ(Setting(kSettingIpAddress), "0x7f000001");
  EXPECT_EQ(session.settings.ipAddress, 0x7f000001u);
}

TEST_F(WelcomeDlgTest, SystemParametersOpenOnlyWithTheSettingsPassword) {
  auto dlg = Dialog();
  int opened = 0;
  dlg->SetSystemParametersDialog([&](QWidget*) { ++opened; });
  OnModal<CPassword>([](CPassword& p) {
    p.PasswordField()->setText("vonpek");
    p.OkButton()->click();
  });
  dlg->SettingsButton()->click();
  EXPECT_EQ(opened, 1);
  OnModal<CPassword>([](CPassword& p) {
    p.PasswordField()->setText("VONPEK");
    p.OkButton()->click();
    p.CancelButton()->click();
  });
  dlg->SettingsButton()->click();
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(boxes.Texts(), QStringList({"Password non valida"}));
}

}  // namespace
}  // namespace zy
