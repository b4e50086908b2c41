// The lost-link warning: its text, its countdown and its two answers.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/WarningDlg.h"
#include "support/QtTestApp.h"
#include "ui/Language.h"

namespace zy {
namespace {

using namespace std::chrono_literals;

class WarningDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ui::UiLanguage::Instance().SwitchToItalian();
  }
};

TEST_F(WarningDlgTest, TextNamesTheFailureWithItsCode) {
  CWarningDlg dlg(157, 111, nullptr);
  EXPECT_EQ(dlg.windowTitle(), "Caduta del collegamento con il sistema");
  EXPECT_EQ(dlg.TextLabel()->text(),
            QString::fromUtf8("La connessione con il sistema non è attiva.\n\nErrore 0x0000006f: "
                              "impossibile connettersi al sistema\nProvare a ristabilire la "
                              "connessione?"));
  EXPECT_EQ(dlg.RetryButton()->text(), "Riprova = 60");
  EXPECT_EQ(dlg.CancelButton()->text(), "Annulla");

  CWarningDlg closed(153, -1, nullptr);
  EXPECT_TRUE(closed.TextLabel()->text().contains("\nConnessione abbattuta dal server\n"));
}

TEST_F(WarningDlgTest, CountdownRetriesByItselfAtZero) {
  CWarningDlg dlg(153, -1, nullptr);
  dlg.SetCountdown(3, 5ms);
  EXPECT_EQ(dlg.RetryButton()->text(), "Riprova = 3");
  EXPECT_EQ(dlg.exec(), QDialog::Accepted);
  EXPECT_EQ(dlg.SecondsLeft(), 0);
}

TEST_F(WarningDlgTest, AnnullaGivesUp) {
  CWarningDlg dlg(153, -1, nullptr);
  QTimer::singleShot(0, &dlg, [&] { dlg.CancelButton()->click(); });
  EXPECT_EQ(dlg.exec(), QDialog::Rejected);
  EXPECT_EQ(dlg.SecondsLeft(), 60);
}

TEST_F(WarningDlgTest, EnglishTexts) {
  ASSERT_TRUE(ui::UiLanguage::Instance().SwitchToEnglish());
  CWarningDlg dlg(153, -1, nullptr);
  EXPECT_EQ(dlg.RetryButton()->text(), "Retry = 60");
  EXPECT_TRUE(dlg.TextLabel()->text().startsWith("The connection to the system is not active."));
  EXPECT_EQ(dlg.windowTitle(), "Connection to the system lost");
  ui::UiLanguage::Instance().SwitchToItalian();
}

}  // namespace
}  // namespace zy
