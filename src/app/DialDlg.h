// The dial dialog "Seleziona", opened by a double-click on the display: a
// number (filled from the clipboard's digits) and the prefix that is sent
// before it (the "Prefix" setting, "0" when there is none).
//
// On "Invia" the prefix is stored as the "Prefix" setting and the dialable
// characters of the number ('0'..'9', '#', '*', at most 32) are kept; the
// phone window then sends DialDialogKeys(Prefix(), Number()).
//
// Threading: window thread only.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>
#include <string>

namespace zy {

class SettingsStore;

class CDial : public QDialog {
 public:
  // `modalFlag`, when given, is set while the dialog is shown so that the
  // keyboard filter and the pipe server leave the PBX alone.
  explicit CDial(SettingsStore& settings, QWidget* parent = nullptr,
                 std::atomic<bool>* modalFlag = nullptr);

  // Valid after the dialog ended with "Invia" (Windows-1252 bytes).
  const std::string& Number() const { return number_; }
  const std::string& Prefix() const { return prefix_; }

  QLineEdit* NumberField() { return &numberField_; }
  QLineEdit* PrefixField() { return &prefixField_; }
  QPushButton* SendButton() { return &sendButton_; }
  QPushButton* CancelButton() { return &cancelButton_; }

  void accept() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void UpdateSendButton();

  SettingsStore& settings_;
  std::atomic<bool>* modalFlag_;
  // Child widgets held by value: each leaves its parent when destroyed.
  QVBoxLayout layout_;
  QFormLayout form_;
  QLabel numberLabel_;
  QLineEdit numberField_;
  QLabel prefixLabel_;
  QLineEdit prefixField_;
  QDialogButtonBox buttons_;
  QPushButton sendButton_;
  QPushButton cancelButton_;
  std::string number_;
  std::string prefix_;
};

}  // namespace zy
