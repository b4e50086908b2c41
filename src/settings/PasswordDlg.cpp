#include "settings/PasswordDlg.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "settings/ConnectionSettings.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"

namespace zy {

CPassword::CPassword(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CPassword"));
  prompt_ = new QLabel(this);
  field_ = new QLineEdit(this);
  field_->setEchoMode(QLineEdit::Password);
  prompt_->setBuddy(field_);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPassword::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(field_);
  layout->addWidget(buttons);
  Relabel();
}

void CPassword::accept() {
  if (IsSettingsPassword(ToCp1252(field_->text()))) {
    QDialog::accept();
    return;
  }
  ui::ShowError(this, ui::UiLanguage::Instance().Text(kStrInvalidSettingsPassword));
  field_->setFocus();
}

void CPassword::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CPassword::Relabel() {
  setWindowTitle(tr("Phone"));
  prompt_->setText(tr("Password di impostazione parametri"));
  ok_->setText(tr("OK"));
  cancel_->setText(tr("Annulla"));
}

bool AskSettingsPassword(QWidget* parent) {
  CPassword dlg(parent);
  return dlg.exec() == QDialog::Accepted;
}

}  // namespace zy
