// The connection dialog, the preferences and the settings password as the
// user works them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "app/MemorySettingsStore.h"
#include "settings/PasswordDlg.h"
#include "settings/PrefDlg.h"
#include "settings/SettingsDlg.h"
#include "support/QtTestApp.h"
#include "ui/IpAddressWidget.h"
#include "ui/Language.h"

namespace zy {
namespace {

class SettingsDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ui::UiLanguage::Instance().SwitchToItalian();
  }
  std::string Setting(std::string_view name) const {
    std::string v = "(absent)";
    ReadSetting(store, name, v);
    return v;
  }
  static void Type(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  static void TypeAddress(ui::IpAddressWidget* field, const QStringList& octets) {
    for (int i = 0; i < 4; ++i) Type(field->Octet(i), octets.value(i));
  }

  MemorySettingsStore store;
  StartupSettings memory;
  test::MessageBoxRecorder boxes;
};

TEST_F(SettingsDlgTest, AddressIsStoredAsHexOfTheHostOrderNumber) {
  CSettingsDlg dlg(store, memory);
  dlg.IpModeButton()->click();
  TypeAddress(dlg.AddressField(), {"192", "168", "1", "10"});
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(boxes.calls.empty());
  EXPECT_EQ(Setting(kSettingIpAddress), "0xc0a8010a");
  EXPECT_EQ(Setting(kSettingConnectToIp), "1");
  EXPECT_EQ(Setting(kSettingPort), "40008");
  EXPECT_EQ(Setting(kSettingRtpPort), "20000");
  EXPECT_TRUE(memory.settingsComplete);

  // Opened again, the dialog shows what it stored.
  CSettingsDlg again(store, memory);
  EXPECT_TRUE(again.IpModeButton()->isChecked());
  EXPECT_EQ(again.AddressField()->Address(), 0xC0A8010Au);
  EXPECT_EQ(again.AddressField()->Octet(3)->text(), "10");
}

TEST_F(SettingsDlgTest, UnknownCodecShowsG711WhileTheCodeStaysUntilOk) {
  WriteSetting(store, kSettingCodec, "xyz");
  WriteSetting(store, kSettingConnectToIp, "1");
  WriteSetting(store, kSettingIpAddress, "0x0a000001");
  memory = LoadStartupSettings(store);
  ASSERT_EQ(memory.codecCode, 16);

  CSettingsDlg dlg(store, memory);
  EXPECT_EQ(dlg.CodecList()->currentText(), "G711");
  EXPECT_EQ(memory.codecCode, 16);
  EXPECT_EQ(Setting(kSettingCodec), "xyz");
  dlg.OkButton()->click();
  EXPECT_EQ(memory.codecCode, 0);
  EXPECT_EQ(Setting(kSettingCodec), "G711");
}

TEST_F(SettingsDlgTest, CancelStoresNothing) {
  CSettingsDlg dlg(store, memory);
  dlg.IpModeButton()->click();
  TypeAddress(dlg.AddressField(), {"10", "0", "0", "1"});
  dlg.reject();
  EXPECT_EQ(store.size(), 0u);
  EXPECT_FALSE(memory.settingsComplete);
}

TEST_F(SettingsDlgTest, BlankOrZeroAddressKeepsTheDialogOpen) {
  CSettingsDlg dlg(store, memory);
  dlg.show();
  dlg.IpModeButton()->click();
  for (const QStringList& octets : {QStringList{}, QStringList{"0", "0", "0", "0"}}) {
    TypeAddress(dlg.AddressField(), octets);
    dlg.OkButton()->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(store.size(), 0u);
  }
  EXPECT_EQ(boxes.Texts(), QStringList({"Indirizzo IP non valido", "Indirizzo IP non valido"}));
  EXPECT_EQ(boxes.calls.front().icon, QMessageBox::Critical);
}

TEST_F(SettingsDlgTest, ModeChoiceEnablesItsControl) {
  CSettingsDlg dlg(store, memory);
  EXPECT_TRUE(dlg.RemoteModeButton()->isChecked()) << "remote access when nothing is stored";
  EXPECT_FALSE(dlg.AddressField()->isEnabled());
  EXPECT_TRUE(dlg.EntryList()->isEnabled());
  EXPECT_EQ(dlg.EntryList()->count(), 0) << "no remote-access entries on this platform";
  dlg.IpModeButton()->click();
  EXPECT_TRUE(dlg.AddressField()->isEnabled());
  EXPECT_FALSE(dlg.EntryList()->isEnabled());
}

TEST_F(SettingsDlgTest, PortsStayInRange) {
  CSettingsDlg dlg(store, memory);
  dlg.PortField()->setValue(0);
  EXPECT_EQ(dlg.PortField()->value(), 1);
  dlg.RtpPortField()->setValue(70000);
  EXPECT_EQ(dlg.RtpPortField()->value(), 65535);
}

TEST_F(SettingsDlgTest, PrefDlgWritesNothingWhenUnchanged) {
  {
    CPrefDlg dlg(store);
    EXPECT_FALSE(dlg.NoForegroundBox()->isChecked());
    EXPECT_EQ(dlg.VolumeList()->currentIndex(), 2);
    EXPECT_EQ(dlg.VolumeList()->currentText(), "alto");
    dlg.OkButton()->click();
  }
  EXPECT_EQ(store.size(), 0u);

  CPrefDlg dlg(store);
  dlg.VolumeList()->setCurrentIndex(1);
  dlg.OkButton()->click();
  EXPECT_EQ(Setting(kSettingVolumeLevel), "1");
  EXPECT_EQ(Setting(kSettingNoForegroundOnCall), "(absent)");
  EXPECT_EQ(dlg.Result().volumeLevel, 1);
}

TEST_F(SettingsDlgTest, PasswordRefusesCapitalsAndATrailingBlank) {
  CPassword dlg;
  dlg.show();
  for (const QString& wrong : {QStringLiteral("VONPEK"), QStringLiteral("vonpek ")}) {
    Type(dlg.PasswordField(), wrong);
    dlg.OkButton()->click();
    EXPECT_TRUE(dlg.isVisible()) << wrong.toStdString();
    EXPECT_EQ(dlg.PasswordField()->text(), wrong) << "the typed text stays";
  }
  EXPECT_EQ(boxes.Texts(), QStringList({"Password non valida", "Password non valida"}));
  Type(dlg.PasswordField(), QStringLiteral("vonpek"));
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(SettingsDlgTest, AskSettingsPasswordIsFalseAfterAnnulla) {
  // Inside the dialog's own loop: a wrong try, then "Annulla".
  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    auto* pw = static_cast<CPassword*>(dlg);
    pw->PasswordField()->setText(QStringLiteral("Vonpek"));
    pw->OkButton()->click();
    pw->CancelButton()->click();
  });
  EXPECT_FALSE(AskSettingsPassword(nullptr));
  EXPECT_EQ(boxes.Texts(), QStringList({"Password non valida"}));
}

TEST_F(SettingsDlgTest, EnglishLabels) {
  ASSERT_TRUE(ui::UiLanguage::Instance().SwitchToEnglish());
  CSettingsDlg dlg(store, memory);
  EXPECT_EQ(dlg.windowTitle(), "Configure the connection to the PBX");
  EXPECT_EQ(dlg.OkButton()->text(), "OK");
  dlg.IpModeButton()->click();
  dlg.OkButton()->click();
  EXPECT_EQ(boxes.Texts(), QStringList({"Invalid IP address"}));
  CPassword pw;
  pw.OkButton()->click();
  EXPECT_EQ(pw.CancelButton()->text(), "Cancel");
  EXPECT_EQ(boxes.Texts().last(), "Invalid password");
  ui::UiLanguage::Instance().SwitchToItalian();
}

}  // namespace
}  // namespace zy
