#include "app/DialDlg.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <string>

#include "app/MemorySettingsStore.h"
#include "app/PhoneKeys.h"
#include "app/SettingsStore.h"
#include "support/QtTestApp.h"

namespace zy {
namespace {

class DialDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    QGuiApplication::clipboard()->clear();
  }
  std::string StoredPrefix() const {
    std::string prefix = "(none)";
    ReadSetting(settings, kSettingPrefix, prefix);
    return prefix;
  }

  MemorySettingsStore settings;
};

TEST_F(DialDlgTest, CaptionButtonsAndDefaultPrefix) {
  CDial dial(settings);
  EXPECT_EQ(dial.windowTitle(), "Seleziona");
  EXPECT_EQ(dial.SendButton()->text(), "Invia");
  EXPECT_EQ(dial.CancelButton()->text(), "Annulla");
  EXPECT_EQ(dial.PrefixField()->text(), "0");
  EXPECT_TRUE(dial.NumberField()->text().isEmpty());
  EXPECT_FALSE(dial.SendButton()->isEnabled());
}

TEST_F(DialDlgTest, PrefixComesFromTheSetting) {
  ASSERT_TRUE(WriteSetting(settings, kSettingPrefix, "9").ok());
  CDial dial(settings);
  EXPECT_EQ(dial.PrefixField()->text(), "9");
}

TEST_F(DialDlgTest, ClipboardDigitsFillTheNumber) {
  QGuiApplication::clipboard()->setText("Tel. +39 (02) 123-456 int. *9#");
  CDial dial(settings);
  EXPECT_EQ(dial.NumberField()->text(), "3902123456*9#");

  QGuiApplication::clipboard()->setText(QString(40, '5'));
  CDial longer(settings);
  EXPECT_EQ(longer.NumberField()->text(), QString(32, '5'));
}

TEST_F(DialDlgTest, SendStoresThePrefixAndKeepsTheDialableDigits) {
  CDial dial(settings);
  dial.PrefixField()->setText("00");
  dial.NumberField()->setText("02-1234 5678");
  QTest::mouseClick(dial.SendButton(), Qt::LeftButton);
  EXPECT_EQ(dial.result(), QDialog::Accepted);
  EXPECT_EQ(dial.Number(), "0212345678");
  EXPECT_EQ(dial.Prefix(), "00");
  EXPECT_EQ(StoredPrefix(), "00");
  EXPECT_EQ(DialDialogKeys(dial.Prefix(), dial.Number()).size(), 12u);
}

TEST_F(DialDlgTest, CancelStoresNothing) {
  CDial dial(settings);
  dial.PrefixField()->setText("7");
  dial.NumberField()->setText("101");
  QTest::mouseClick(dial.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(dial.result(), QDialog::Rejected);
  EXPECT_EQ(StoredPrefix(), "(none)");
  EXPECT_TRUE(dial.Number().empty());
}

TEST_F(DialDlgTest, NumberWithoutDigitsCannotBeSent) {
  CDial dial(settings);
  dial.NumberField()->setText("abc");
  EXPECT_FALSE(dial.SendButton()->isEnabled());
  dial.NumberField()->setText("abc1");
  EXPECT_TRUE(dial.SendButton()->isEnabled());
}

TEST_F(DialDlgTest, ModalFlagIsSetWhileTheDialogRuns) {
  std::atomic<bool> modal{false};
  CDial dial(settings, nullptr, &modal);
  dial.NumberField()->setText("101");
  bool seenWhileOpen = false;
  QTimer::singleShot(0, &dial, [&] {
    seenWhileOpen = modal;
    dial.accept();
  });
  EXPECT_EQ(dial.exec(), QDialog::Accepted);
  EXPECT_TRUE(seenWhileOpen);
  EXPECT_FALSE(modal);
  EXPECT_EQ(dial.Number(), "101");
}

}  // namespace
}  // namespace zy
