#include "app/DialDlg.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include "app/PhoneKeys.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "platform/QtText.h"
#include "ui/MessageBox.h"

namespace zy {

namespace {

QString Text(const char* text) { return QCoreApplication::translate("CDial", text); }

}  // namespace

CDial::CDial(SettingsStore& settings, QWidget* parent, std::atomic<bool>* modalFlag)
    : QDialog(parent), settings_(settings), modalFlag_(modalFlag) {
  setWindowTitle(Text("Seleziona"));
  setModal(true);

  numberLabel_.setText(Text("&Numero:"));
  numberLabel_.setBuddy(&numberField_);
  prefixLabel_.setText(Text("&Prefisso:"));
  prefixLabel_.setBuddy(&prefixField_);
  numberField_.setMinimumWidth(numberField_.fontMetrics().horizontalAdvance(QString(20, '0')));
  numberField_.setClearButtonEnabled(true);
  prefixField_.setMaxLength(static_cast<int>(kMaxSettingLength));

  form_.addRow(&numberLabel_, &numberField_);
  form_.addRow(&prefixLabel_, &prefixField_);

  sendButton_.setText(Text("Invia"));
  cancelButton_.setText(Text("Annulla"));
  sendButton_.setDefault(true);
  buttons_.addButton(&sendButton_, QDialogButtonBox::AcceptRole);
  buttons_.addButton(&cancelButton_, QDialogButtonBox::RejectRole);
  QObject::connect(&buttons_, &QDialogButtonBox::accepted, this, [this] { accept(); });
  QObject::connect(&buttons_, &QDialogButtonBox::rejected, this, [this] { reject(); });

  layout_.addLayout(&form_);
  layout_.addWidget(&buttons_);
  layout_.setSizeConstraint(QLayout::SetFixedSize);
  setLayout(&layout_);

  std::string prefix = "0";
  ReadSetting(settings_, kSettingPrefix, prefix);
  prefixField_.setText(FromCp1252(prefix));

  // Only the dialable characters of whatever the clipboard holds.
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QString pasted = clipboard ? clipboard->text() : QString();
  numberField_.setText(FromCp1252(DialableCharacters(ToCp1252(pasted))));

  QObject::connect(&numberField_, &QLineEdit::textChanged, this, [this] { UpdateSendButton(); });
  UpdateSendButton();
  numberField_.setFocus();
}

void CDial::UpdateSendButton() {
  sendButton_.setEnabled(!DialableCharacters(ToCp1252(numberField_.text())).empty());
}

void CDial::showEvent(QShowEvent* event) {
  if (modalFlag_) *modalFlag_ = true;
  QDialog::showEvent(event);
}

void CDial::done(int result) {
  if (modalFlag_) *modalFlag_ = false;
  QDialog::done(result);
}

void CDial::accept() {
  number_ = DialableCharacters(ToCp1252(numberField_.text()));
  if (number_.empty()) return;
  prefix_ = ToCp1252(prefixField_.text());
  const SettingsWriteResult written = WriteSetting(settings_, kSettingPrefix, prefix_);
  if (!written.ok()) {
    ui::ShowErrorCp1252(this, LoadFormatted(written.stringId, {written.argument}));
  }
  QDialog::accept();
}

}  // namespace zy
