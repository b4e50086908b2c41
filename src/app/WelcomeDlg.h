// The login dialog, "Benvenuti in Zyphone!!!": extension and password,
// "Entra..." (the first login), the connection settings, the audio devices,
// the system parameters behind the settings password, and the language.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <functional>

#include "app/FirstLogin.h"
#include "app/SettingsStore.h"
#include "link/LinkClient.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zy {

class CWelcomeDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CWelcomeDlg)

 public:
  CWelcomeDlg(SettingsStore& store, LinkClient& link, AppSession& session,
              QWidget* parent = nullptr);

  // How a failed connection asks the user whether to retry; CWarningDlg by
  // default.
  void SetRetryDecision(LinkClient::RetryDecision decision) { retry_ = std::move(decision); }
  // The dialogs behind "Cornetta..." and (after the settings password)
  // "Impostazioni..."; a button without its dialog is disabled.
  using DialogOpener = std::function<void(QWidget* parent)>;
  void SetAudioDialog(DialogOpener opener);
  void SetSystemParametersDialog(DialogOpener opener);

  // "Entra...": the first login. Closes the dialog with OK when it succeeds.
  void Login();
  // Re-evaluates the enabling rule of "Entra...".
  void UpdateLoginButton();

  QLineEdit* ExtensionField() const { return extension_; }
  QLineEdit* PasswordField() const { return password_; }
  QPushButton* LoginButton() const { return login_; }
  QPushButton* ConnectionButton() const { return connection_; }
  QPushButton* AudioButton() const { return audio_; }
  QPushButton* SettingsButton() const { return settings_; }
  QRadioButton* ItalianButton() const { return italian_; }
  QRadioButton* EnglishButton() const { return english_; }
  QLabel* VersionLabel() const { return versionLabel_; }
  QLabel* VersionText() const { return version_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel(bool languageChanged);
  void OpenConnectionSettings();
  void OpenSystemParameters();
  void SwitchLanguage(bool english);

  SettingsStore& store_;
  LinkClient& link_;
  AppSession& session_;
  LinkClient::RetryDecision retry_;
  DialogOpener audioDialog_;
  DialogOpener systemParameters_;
  bool relabelled_ = false;

  QLabel* extensionLabel_;
  QLineEdit* extension_;
  QLabel* passwordLabel_;
  QLineEdit* password_;
  QPushButton* login_;
  QPushButton* connection_;
  QPushButton* audio_;
  QPushButton* settings_;
  QGroupBox* languageBox_;
  QRadioButton* italian_;
  QRadioButton* english_;
  QLabel* versionLabel_;
  QLabel* version_;
};

}  // namespace zy
