// The about box: the edition's name, the version text and a picture of the
// phone.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace zy {

class CAboutDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CAboutDlg)

 public:
  // `titleId`: the edition's title string (356, 357 or 388).
  explicit CAboutDlg(int titleId, QWidget* parent = nullptr);

  QLabel* EditionLabel() { return &edition_; }
  QLabel* VersionLabel() { return &version_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();

  int titleId_;
  QLabel picture_;
  QLabel edition_;
  QLabel version_;
  QDialogButtonBox buttons_;
  QPushButton ok_;
};

// The program's icon: a handset on a rounded tile, drawn at every size.
QIcon PhoneIcon();

}  // namespace zy
