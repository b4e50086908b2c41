// CPassword: the installer's password, asked before the system parameters
// dialog and before missed calls are deleted for good.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zy {

class CPassword : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CPassword)

 public:
  explicit CPassword(QWidget* parent = nullptr);

  // OK closes only with the right password; otherwise message 393 and the
  // typed text stays.
  void accept() override;

  QLineEdit* PasswordField() const { return field_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();

  QLabel* prompt_;
  QLineEdit* field_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Shows CPassword modally: true when it was closed with the right password.
bool AskSettingsPassword(QWidget* parent);

}  // namespace zy
