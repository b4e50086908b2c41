// Stands in for the phone window until that window exists: it says which
// extension is logged in and waits to be closed. It dials nothing; numbers
// handed to the program wait for the phone window, which replaces this one
// through the PhoneWindowFactory of CDalmoApp.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QWidget>

#include "app/PhoneWindow.h"

class QLabel;
class QPushButton;

namespace zy {

class CLoggedInDlg : public QWidget, public PhoneWindow {
  Q_DECLARE_TR_FUNCTIONS(CLoggedInDlg)

 public:
  explicit CLoggedInDlg(PhoneWindowContext& context);

  QWidget* Widget() override { return this; }
  bool CanDial() const override { return false; }
  void Dial(const std::string&) override {}

  QLabel* TextLabel() const { return text_; }
  QPushButton* CloseButton() const { return close_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();

  PhoneWindowContext& context_;
  QLabel* text_;
  QPushButton* close_;
};

}  // namespace zy
