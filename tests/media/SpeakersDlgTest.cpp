// "Imposta i dispositivi audio": the two lists, the format check of OK with
// message 333, the names stored, and Cancel.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/MemorySettingsStore.h"
#include "media/SpeakersDlg.h"
#include "platform/VirtualAudioDevice.h"
#include "support/QtTestApp.h"
#include "ui/Language.h"

namespace zy {
namespace {

class SpeakersDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ui::UiLanguage::Instance().SwitchToItalian();
    for (const char* name : {"Microfono interno", "Cuffia \xE0 USB", "Uscita HDMI"}) {
      VirtualAudioConfig c;
      c.clock = VirtualClock::kStepped;
      c.name = name;  // Windows-1252, as device names are in the core
      devices.AddDevice(c);
    }
  }
  std::string Stored(std::string_view setting) {
    std::string v;
    return ReadSetting(store, setting, v) ? v : "<unset>";
  }

  VirtualAudioSystem devices;
  MemorySettingsStore store;
  AudioDeviceIds ids;
};

TEST_F(SpeakersDlgTest, ListsStartOnTheCurrentDeviceOrTheFirst) {
  ids = {1, -1};
  CSpeakersDlg dlg(devices, store, ids);
  EXPECT_EQ(dlg.windowTitle(), "Imposta i dispositivi audio");
  ASSERT_EQ(dlg.CaptureList()->count(), 3);
  EXPECT_EQ(dlg.CaptureList()->itemText(1), QString::fromUtf8("Cuffia à USB"));
  EXPECT_EQ(dlg.CaptureList()->currentIndex(), 1);
  EXPECT_EQ(dlg.PlaybackList()->currentIndex(), 0);
  EXPECT_EQ(dlg.OkButton()->text(), "OK");
  EXPECT_EQ(dlg.CancelButton()->text(), "Annulla");
  const auto labels = dlg.findChildren<QLabel*>();
  QStringList texts;
  for (QLabel* l : labels) texts << l->text();
  EXPECT_TRUE(texts.contains("Dispositivo di registrazione"));
  EXPECT_TRUE(texts.contains("Dispositivo di riproduzione"));
}

TEST_F(SpeakersDlgTest, DevicesWithoutAReadableNameAreLeftOut) {
  devices.SetNameUnreadable(0, true);
  ids = {2, 2};
  CSpeakersDlg dlg(devices, store, ids);
  ASSERT_EQ(dlg.PlaybackList()->count(), 2);
  EXPECT_EQ(dlg.PlaybackList()->itemData(0).toInt(), 1) << "each item keeps its device id";
  EXPECT_EQ(dlg.PlaybackList()->currentText(), "Uscita HDMI");
}

TEST_F(SpeakersDlgTest, OkWithTheDefaultsStoresTheFirstDevicesByName) {
  test::MessageBoxRecorder boxes;
  CSpeakersDlg dlg(devices, store, ids);
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(boxes.calls.empty());
  EXPECT_EQ(ids, (AudioDeviceIds{0, 0}));
  EXPECT_EQ(Stored(kSettingInputDevice), "Microfono interno");
  EXPECT_EQ(Stored(kSettingOutputDevice), "Microfono interno");
}

TEST_F(SpeakersDlgTest, OkStoresTheChosenDevices) {
  CSpeakersDlg dlg(devices, store, ids);
  dlg.CaptureList()->setCurrentIndex(1);
  dlg.PlaybackList()->setCurrentIndex(2);
  dlg.accept();
  EXPECT_EQ(ids, (AudioDeviceIds{1, 2}));
  EXPECT_EQ(Stored(kSettingInputDevice), "Cuffia \xE0 USB");
  EXPECT_EQ(Stored(kSettingOutputDevice), "Uscita HDMI");
  // Read back at the next start, the names give the same ids.
  EXPECT_EQ(ResolveAudioDevices(devices, store), ids);
}

TEST_F(SpeakersDlgTest, APlaybackDeviceRefusingTheFormatKeepsTheDialogOpen) {
  devices.Device(2).SetAcceptsFormat(false);
  test::MessageBoxRecorder boxes;
  CSpeakersDlg dlg(devices, store, ids);
  dlg.show();
  dlg.CaptureList()->setCurrentIndex(1);
  dlg.PlaybackList()->setCurrentIndex(2);
  dlg.OkButton()->click();
  ASSERT_EQ(boxes.calls.size(), 1u);
  EXPECT_EQ(boxes.calls[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.calls[0].text,
            "Il dispositivo scelto per la riproduzione non supporta il formato richiesto");
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(ids, (AudioDeviceIds{-1, -1})) << "nothing changed";
  EXPECT_EQ(Stored(kSettingInputDevice), "<unset>");
  EXPECT_EQ(Stored(kSettingOutputDevice), "<unset>");

  dlg.PlaybackList()->setCurrentIndex(1);
  dlg.OkButton()->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(ids, (AudioDeviceIds{1, 1}));
}

TEST_F(SpeakersDlgTest, CancelChangesNothing) {
  ids = {2, 1};
  CSpeakersDlg dlg(devices, store, ids);
  dlg.CaptureList()->setCurrentIndex(0);
  dlg.CancelButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(ids, (AudioDeviceIds{2, 1}));
  EXPECT_EQ(Stored(kSettingInputDevice), "<unset>");
}

TEST_F(SpeakersDlgTest, WithoutDevicesOkStoresNothing) {
  VirtualAudioSystem none;
  test::MessageBoxRecorder boxes;
  CSpeakersDlg dlg(none, store, ids);
  EXPECT_EQ(dlg.PlaybackList()->count(), 0);
  dlg.accept();
  ASSERT_EQ(boxes.calls.size(), 1u) << "no playback device takes the format";
  EXPECT_EQ(Stored(kSettingOutputDevice), "<unset>");
}

}  // namespace
}  // namespace zy
