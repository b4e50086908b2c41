#include "settings/SettingsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/FirstLogin.h"
#include "platform/QtText.h"
#include "ui/IpAddressWidget.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"

namespace zy {

QStringList RemoteAccessEntries() {
  // There is no remote-access service on this platform: the list stays empty.
  return {};
}

namespace {
QSpinBox* PortBox(QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(kMinPort, kMaxPort);
  return box;
}
}  // namespace

CSettingsDlg::CSettingsDlg(SettingsStore& store, StartupSettings& memory, QWidget* parent)
    : QDialog(parent), store_(store), memory_(memory) {
  setObjectName(QStringLiteral("CSettingsDlg"));
  modeBox_ = new QGroupBox(this);
  ipMode_ = new QRadioButton(modeBox_);
  remoteMode_ = new QRadioButton(modeBox_);
  auto* modeLayout = new QVBoxLayout(modeBox_);
  modeLayout->addWidget(ipMode_);
  modeLayout->addWidget(remoteMode_);

  address_ = new ui::IpAddressWidget(this);
  entries_ = new QComboBox(this);
  port_ = PortBox(this);
  rtpPort_ = PortBox(this);
  symmetricRtp_ = new QCheckBox(this);
  echoCanc_ = new QCheckBox(this);
  vad_ = new QCheckBox(this);
  codec_ = new QComboBox(this);
  for (std::string_view item : CodecItems()) {
    codec_->addItem(QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size())));
  }

  auto* form = new QFormLayout;
  auto row = [&](QLabel*& label, QWidget* field) {
    label = new QLabel(this);
    label->setBuddy(field);
    form->addRow(label, field);
  };
  row(addressLabel_, address_);
  row(entriesLabel_, entries_);
  row(portLabel_, port_);
  row(rtpPortLabel_, rtpPort_);
  row(symmetricRtpLabel_, symmetricRtp_);
  row(echoCancLabel_, echoCanc_);
  row(vadLabel_, vad_);
  row(codecLabel_, codec_);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(modeBox_);
  layout->addLayout(form);
  layout->addWidget(buttons);

  // The stored values, each with its default.
  const ConnectionSettings s = LoadConnectionSettings(store_);
  entries_->addItems(RemoteAccessEntries());
  if (!s.connectToIp) {
    const int index = entries_->findText(FromCp1252(s.device), Qt::MatchExactly);
    if (index >= 0) entries_->setCurrentIndex(index);
  }
  (s.connectToIp ? ipMode_ : remoteMode_)->setChecked(true);
  address_->SetAddress(s.ipAddress);
  port_->setValue(s.port);
  rtpPort_->setValue(s.rtpPort);
  symmetricRtp_->setChecked(s.symmetricRtp);
  echoCanc_->setChecked(s.echoCanc);
  vad_->setChecked(s.vadEnable);
  codec_->setCurrentIndex(s.codecIndex);
  connect(ipMode_, &QRadioButton::toggled, this, [this] { UpdateModeControls(); });
  UpdateModeControls();
  Relabel();
}

void CSettingsDlg::UpdateModeControls() {
  const bool ip = ipMode_->isChecked();
  address_->setEnabled(ip);
  entries_->setEnabled(!ip);
}

void CSettingsDlg::accept() {
  ConnectionSettings values;
  values.connectToIp = ipMode_->isChecked();
  values.port = port_->value();
  values.rtpPort = rtpPort_->value();
  values.symmetricRtp = symmetricRtp_->isChecked();
  values.echoCanc = echoCanc_->isChecked();
  values.vadEnable = vad_->isChecked();
  values.codecIndex = codec_->currentIndex();
  std::optional<std::string> device;
  if (entries_->currentIndex() >= 0) device = ToCp1252(entries_->currentText());

  const ui::UiLanguage& lang = ui::UiLanguage::Instance();
  const ConnectionSaveResult r =
      SaveConnectionSettings(store_, values, address_->Address(), device, memory_);
  if (!r.ok()) {
    ui::ShowError(this, lang.Text(r.refusedStringId));
    address_->Octet(0)->setFocus();
    return;
  }
  for (const SettingsWriteResult& failure : r.writeFailures) {
    ui::ShowErrorCp1252(this, SettingsWriteText(failure, lang.Current()));
  }
  QDialog::accept();
}

void CSettingsDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CSettingsDlg::Relabel() {
  setWindowTitle(tr("Configura la connessione al centralino"));
  modeBox_->setTitle(tr("Connetti utilizzando:"));
  ipMode_->setText(tr("Connetti a indirizzo IP su connessione già attiva"));
  remoteMode_->setText(tr("Connetti tramite periferica di accesso remoto"));
  addressLabel_->setText(tr("Indirizzo IP:"));
  entriesLabel_->setText(tr("Periferica:"));
  portLabel_->setText(tr("Porta:"));
  rtpPortLabel_->setText(tr("Porta RTP:"));
  symmetricRtpLabel_->setText(tr("RTP simmetrico:"));
  echoCancLabel_->setText(tr("Cancellazione eco:"));
  vadLabel_->setText(tr("Soppressione silenzio:"));
  codecLabel_->setText(tr("Codec:"));
  ok_->setText(tr("OK"));
  cancel_->setText(tr("Annulla"));
}

}  // namespace zy
