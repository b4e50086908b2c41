#include "app/WelcomeDlg.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/DalmoAppCore.h"
#include "app/WarningDlg.h"
#include "platform/QtText.h"
#include "settings/PasswordDlg.h"
#include "settings/SettingsDlg.h"
#include "ui/BusyCursor.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"

namespace zy {

CWelcomeDlg::CWelcomeDlg(SettingsStore& store, LinkClient& link, AppSession& session,
                         QWidget* parent)
    : QDialog(parent), store_(store), link_(link), session_(session) {
  setObjectName(QStringLiteral("CWelcomeDlg"));
  retry_ = [this](int stringId, int64_t code) {
    ui::NormalCursor normal;
    return CWarningDlg::Ask(this, stringId, code);
  };

  extensionLabel_ = new QLabel(this);
  extension_ = new QLineEdit(this);
  extensionLabel_->setBuddy(extension_);
  passwordLabel_ = new QLabel(this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  passwordLabel_->setBuddy(password_);
  // Room for the longest caption of either language.
  extension_->setMinimumWidth(200);
  password_->setMinimumWidth(200);

  login_ = new QPushButton(this);
  login_->setDefault(true);
  connection_ = new QPushButton(this);
  audio_ = new QPushButton(this);
  audio_->setEnabled(false);
  settings_ = new QPushButton(this);

  languageBox_ = new QGroupBox(this);
  italian_ = new QRadioButton(languageBox_);
  english_ = new QRadioButton(languageBox_);
  auto* languageLayout = new QHBoxLayout(languageBox_);
  languageLayout->addWidget(italian_);
  languageLayout->addWidget(english_);
  languageLayout->addStretch();

  versionLabel_ = new QLabel(this);
  version_ = new QLabel(this);

  auto* fields = new QGridLayout;
  fields->addWidget(extensionLabel_, 0, 0);
  fields->addWidget(extension_, 0, 1);
  fields->addWidget(passwordLabel_, 1, 0);
  fields->addWidget(password_, 1, 1);
  fields->addWidget(login_, 0, 2);

  auto* tools = new QHBoxLayout;
  tools->addWidget(connection_);
  tools->addWidget(audio_);
  tools->addWidget(settings_);

  auto* footer = new QHBoxLayout;
  footer->addWidget(versionLabel_);
  footer->addWidget(version_);
  footer->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(languageBox_);
  layout->addLayout(tools);
  layout->addLayout(footer);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  extension_->setText(FromCp1252(session_.settings.extension));
  password_->setText(FromCp1252(session_.settings.password));
  (ui::UiLanguage::Instance().IsEnglish() ? english_ : italian_)->setChecked(true);

  connect(extension_, &QLineEdit::textChanged, this, [this] { UpdateLoginButton(); });
  connect(password_, &QLineEdit::textChanged, this, [this] { UpdateLoginButton(); });
  connect(login_, &QPushButton::clicked, this, [this] { Login(); });
  connect(connection_, &QPushButton::clicked, this, [this] { OpenConnectionSettings(); });
  connect(audio_, &QPushButton::clicked, this, [this] {
    if (audioDialog_) audioDialog_(this);
  });
  connect(settings_, &QPushButton::clicked, this, [this] { OpenSystemParameters(); });
  connect(italian_, &QRadioButton::clicked, this, [this] { SwitchLanguage(false); });
  connect(english_, &QRadioButton::clicked, this, [this] { SwitchLanguage(true); });

  Relabel(false);
  UpdateLoginButton();
}

void CWelcomeDlg::SetAudioDialog(DialogOpener opener) {
  audioDialog_ = std::move(opener);
  audio_->setEnabled(static_cast<bool>(audioDialog_));
}

void CWelcomeDlg::SetSystemParametersDialog(DialogOpener opener) {
  systemParameters_ = std::move(opener);
}

void CWelcomeDlg::UpdateLoginButton() {
  login_->setEnabled(LoginEnabled(extension_->text().toStdString(), password_->text().toStdString(),
                                  session_.settings.settingsComplete));
}

void CWelcomeDlg::Login() {
  if (!login_->isEnabled()) return;
  const Language language = ui::UiLanguage::Instance().Current();
  const ShowMessageFn show = [this](const std::string& text) {
    ui::NormalCursor normal;
    ui::ShowErrorCp1252(this, text);
  };
  bool ok = false;
  {
    ui::BusyCursor busy;
    CFirstLogin login(store_, link_, session_);
    ok = login.Run(ToCp1252(extension_->text()), ToCp1252(password_->text()), retry_, show,
                   language);
  }
  if (ok) accept();
}

void CWelcomeDlg::OpenConnectionSettings() {
  CSettingsDlg dlg(store_, session_.settings, this);
  if (dlg.exec() != QDialog::Accepted) return;
  // The next connection uses the new address and port.
  session_.addressResolved = false;
  UpdateLoginButton();
}

void CWelcomeDlg::OpenSystemParameters() {
  if (!AskSettingsPassword(this)) return;
  // The system parameters dialog opens here once it exists.
  if (systemParameters_) systemParameters_(this);
}

void CWelcomeDlg::SwitchLanguage(bool english) {
  ui::UiLanguage& lang = ui::UiLanguage::Instance();
  if (english == lang.IsEnglish()) return;
  if (english && !lang.SwitchToEnglish()) {
    ui::ShowError(this,
                  lang.Formatted(kStrModuleMissing, {ToCp1252(ui::UiLanguage::EnglishFileName())}));
    italian_->setChecked(true);
    return;
  }
  if (!english) lang.SwitchToItalian();
  const SettingsWriteResult w = WriteSetting(store_, kSettingLanguage, english ? "2057" : "1040");
  if (!w.ok()) ui::ShowErrorCp1252(this, SettingsWriteText(w, lang.Current()));
  // The translator posts its change to every window; relabel this one now.
  Relabel(true);
}

void CWelcomeDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel(true);
  QDialog::changeEvent(event);
}

void CWelcomeDlg::Relabel(bool languageChanged) {
  const ui::UiLanguage& lang = ui::UiLanguage::Instance();
  // The caption starts with its greeting; a language switch shows the title
  // of the language chosen.
  relabelled_ = relabelled_ || languageChanged;
  setWindowTitle(relabelled_ ? lang.Text(kStrWelcomeTitle) : tr("Benvenuti in Zyphone!!!"));
  extensionLabel_->setText(tr("Interno"));
  passwordLabel_->setText(tr("Password"));
  login_->setText(tr("Entra..."));
  connection_->setText(tr("Connessione..."));
  audio_->setText(tr("Cornetta..."));
  settings_->setText(tr("Impostazioni..."));
  languageBox_->setTitle(tr("Lingua"));
  italian_->setText(tr("Italiano"));
  english_->setText(tr("Inglese"));
  versionLabel_->setText(tr("Versione:"));
  version_->setText(lang.Text(kStrVersion));
}

}  // namespace zy
