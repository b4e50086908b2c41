// The two small dialogs of the availability menu: "Numero di telefono"
// (the number on which the extension is reachable) and "Messaggio di
// risposta" (the answer message), each with one text field.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

namespace zy {

class CUcTextDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CUcTextDlg)

 public:
  enum class Kind { Number, Message };

  // `text`: the current value (Windows-1252).
  CUcTextDlg(Kind kind, const std::string& text, QWidget* parent = nullptr);

  Kind GetKind() const { return kind_; }
  // The text typed (Windows-1252), valid after OK.
  std::string Text() const;

  QLineEdit* Field() { return &field_; }
  QPushButton* OkButton() { return &ok_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();

  Kind kind_;
  // Children held by value: each leaves its parent when destroyed.
  QLabel label_;
  QLineEdit field_;
  QDialogButtonBox buttons_;
  QPushButton ok_;
  QPushButton cancel_;
};

}  // namespace zy
