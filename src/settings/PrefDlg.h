// "Preferenze": two behaviours of the phone window, written only when they
// change.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>

#include "app/SettingsStore.h"
#include "settings/ConnectionSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zy {

class CPrefDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CPrefDlg)

 public:
  explicit CPrefDlg(SettingsStore& store, QWidget* parent = nullptr);

  void accept() override;

  // The values after OK (the phone window applies them).
  const Preferences& Result() const { return after_; }

  QCheckBox* NoForegroundBox() const { return noForeground_; }
  QComboBox* VolumeList() const { return volume_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();

  SettingsStore& store_;
  Preferences before_;
  Preferences after_;
  QCheckBox* noForeground_;
  QLabel* volumeLabel_;
  QComboBox* volume_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace zy
