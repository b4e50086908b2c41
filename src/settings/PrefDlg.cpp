#include "settings/PrefDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/FirstLogin.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"

namespace zy {

CPrefDlg::CPrefDlg(SettingsStore& store, QWidget* parent)
    : QDialog(parent), store_(store), before_(LoadPreferences(store)), after_(before_) {
  setObjectName(QStringLiteral("CPrefDlg"));
  noForeground_ = new QCheckBox(this);
  volumeLabel_ = new QLabel(this);
  volume_ = new QComboBox(this);
  volume_->addItems({QString(), QString(), QString()});
  volumeLabel_->setBuddy(volume_);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPrefDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(volumeLabel_, volume_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(noForeground_);
  layout->addLayout(form);
  layout->addWidget(buttons);

  noForeground_->setChecked(before_.noForegroundOnCall);
  volume_->setCurrentIndex(before_.volumeLevel);
  Relabel();
}

void CPrefDlg::accept() {
  after_.noForegroundOnCall = noForeground_->isChecked();
  after_.volumeLevel = volume_->currentIndex();
  const Language language = ui::UiLanguage::Instance().Current();
  for (const SettingsWriteResult& failure : SavePreferences(store_, before_, after_)) {
    ui::ShowErrorCp1252(this, SettingsWriteText(failure, language));
  }
  QDialog::accept();
}

void CPrefDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CPrefDlg::Relabel() {
  setWindowTitle(tr("Preferenze"));
  noForeground_->setText(tr("Non portare in primo piano al ricevimento di una chiamata"));
  volumeLabel_->setText(tr("Livello suonerie"));
  volume_->setItemText(0, tr("basso"));
  volume_->setItemText(1, tr("medio"));
  volume_->setItemText(2, tr("alto"));
  ok_->setText(tr("OK"));
  cancel_->setText(tr("Annulla"));
}

}  // namespace zy
