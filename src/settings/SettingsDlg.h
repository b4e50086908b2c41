// "Configura la connessione al centralino": how the PBX is reached (a direct
// IPv4 address, or a remote-access entry, which this platform does not
// offer) and how call media are carried.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>

#include "app/SettingsStore.h"
#include "settings/ConnectionSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zy {
namespace ui {
class IpAddressWidget;
}

// The platform's remote-access phone-book entries: none on this platform.
QStringList RemoteAccessEntries();

class CSettingsDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CSettingsDlg)

 public:
  // `memory` is the program's copy of the start-up settings; OK updates it.
  CSettingsDlg(SettingsStore& store, StartupSettings& memory, QWidget* parent = nullptr);

  void accept() override;

  QRadioButton* IpModeButton() const { return ipMode_; }
  QRadioButton* RemoteModeButton() const { return remoteMode_; }
  ui::IpAddressWidget* AddressField() const { return address_; }
  QComboBox* EntryList() const { return entries_; }
  QSpinBox* PortField() const { return port_; }
  QSpinBox* RtpPortField() const { return rtpPort_; }
  QCheckBox* SymmetricRtpBox() const { return symmetricRtp_; }
  QCheckBox* EchoCancBox() const { return echoCanc_; }
  QCheckBox* VadBox() const { return vad_; }
  QComboBox* CodecList() const { return codec_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();
  void UpdateModeControls();

  SettingsStore& store_;
  StartupSettings& memory_;
  QGroupBox* modeBox_;
  QRadioButton* ipMode_;
  QRadioButton* remoteMode_;
  QLabel* addressLabel_;
  ui::IpAddressWidget* address_;
  QLabel* entriesLabel_;
  QComboBox* entries_;
  QLabel* portLabel_;
  QSpinBox* port_;
  QLabel* rtpPortLabel_;
  QSpinBox* rtpPort_;
  QLabel* symmetricRtpLabel_;
  QCheckBox* symmetricRtp_;
  QLabel* echoCancLabel_;
  QCheckBox* echoCanc_;
  QLabel* vadLabel_;
  QCheckBox* vad_;
  QLabel* codecLabel_;
  QComboBox* codec_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace zy
