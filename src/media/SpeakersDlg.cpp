#include "media/SpeakersDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/FirstLogin.h"
#include "platform/QtText.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"

namespace zy {

CSpeakersDlg::CSpeakersDlg(AudioSystem& devices, SettingsStore& store, AudioDeviceIds& ids,
                           QWidget* parent)
    : QDialog(parent), devices_(devices), store_(store), ids_(ids) {
  setObjectName(QStringLiteral("CSpeakersDlg"));
  captureLabel_ = new QLabel(this);
  capture_ = new QComboBox(this);
  captureLabel_->setBuddy(capture_);
  playbackLabel_ = new QLabel(this);
  playback_ = new QComboBox(this);
  playbackLabel_->setBuddy(playback_);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSpeakersDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(captureLabel_, capture_);
  form->addRow(playbackLabel_, playback_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  Fill(capture_, AudioDirection::kCapture, ids_.captureDevice);
  Fill(playback_, AudioDirection::kPlayback, ids_.playbackDevice);
  Relabel();
}

void CSpeakersDlg::Fill(QComboBox* list, AudioDirection direction, int current) {
  const int n = devices_.DeviceCount(direction);
  for (int id = 0; id < n; ++id) {
    const auto name = devices_.DeviceName(direction, id);
    if (!name) continue;
    list->addItem(FromCp1252(*name), id);
  }
  const int at = list->findData(current);
  list->setCurrentIndex(at >= 0 ? at : (list->count() > 0 ? 0 : -1));
}

void CSpeakersDlg::accept() {
  const int playbackId =
      playback_->currentIndex() >= 0 ? playback_->currentData().toInt() : kDefaultAudioDevice;
  if (!devices_.QueryFormat(AudioDirection::kPlayback, playbackId)) {
    ui::ShowError(this, ui::UiLanguage::Instance().Text(kStrPlaybackFormatRefused));
    return;
  }
  const Language language = ui::UiLanguage::Instance().Current();
  auto store = [&](std::string_view setting, AudioDirection direction, QComboBox* list, int& id) {
    if (list->currentIndex() < 0) return;
    const int chosen = list->currentData().toInt();
    const auto name = devices_.DeviceName(direction, chosen);
    if (!name) return;
    id = chosen;
    const SettingsWriteResult w = WriteSetting(store_, setting, *name);
    if (!w.ok()) ui::ShowErrorCp1252(this, SettingsWriteText(w, language));
  };
  store(kSettingOutputDevice, AudioDirection::kPlayback, playback_, ids_.playbackDevice);
  store(kSettingInputDevice, AudioDirection::kCapture, capture_, ids_.captureDevice);
  QDialog::accept();
}

void CSpeakersDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CSpeakersDlg::Relabel() {
  setWindowTitle(tr("Imposta i dispositivi audio"));
  captureLabel_->setText(tr("Dispositivo di registrazione"));
  playbackLabel_->setText(tr("Dispositivo di riproduzione"));
  ok_->setText(tr("OK"));
  cancel_->setText(tr("Annulla"));
}

bool ShowSpeakersDialog(QWidget* parent, AudioSystem& devices, SettingsStore& store,
                        AudioDeviceIds& ids) {
  CSpeakersDlg dlg(devices, store, ids, parent);
  return dlg.exec() == QDialog::Accepted;
}

}  // namespace zy
