// CSpeakersDlg, "Imposta i dispositivi audio": the capture and playback
// devices the phone uses, chosen from two lists of product names.
//
// Each list holds the devices of its kind in device order (a device whose
// name cannot be read is left out) and starts on the current device, or on
// its first item when the current one is the default (-1). OK asks the
// chosen playback device whether it takes 8 kHz, 16-bit, mono: if not,
// message 333 and the dialog stays open with nothing changed; if so, each
// chosen device becomes current and its name is stored ("Output device",
// "Input device"). Cancel changes nothing. The audio engine uses the new
// devices from its next start.
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>

#include "app/SettingsStore.h"
#include "media/DeviceSettings.h"
#include "platform/AudioDevice.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace zy {

class CSpeakersDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CSpeakersDlg)

 public:
  // `ids` are the current devices; OK updates them.
  CSpeakersDlg(AudioSystem& devices, SettingsStore& store, AudioDeviceIds& ids,
               QWidget* parent = nullptr);

  void accept() override;

  QComboBox* CaptureList() const { return capture_; }
  QComboBox* PlaybackList() const { return playback_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Fill(QComboBox* list, AudioDirection direction, int current);
  void Relabel();

  AudioSystem& devices_;
  SettingsStore& store_;
  AudioDeviceIds& ids_;
  QLabel* captureLabel_;
  QComboBox* capture_;
  QLabel* playbackLabel_;
  QComboBox* playback_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Shows the dialog modally ("Cornetta..." of the login dialog). True when
// it was closed with OK.
bool ShowSpeakersDialog(QWidget* parent, AudioSystem& devices, SettingsStore& store,
                        AudioDeviceIds& ids);

}  // namespace zy
