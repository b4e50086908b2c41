// Device names resolved to ids, and the audio check after a login.
#include <gtest/gtest.h>

#include "app/MemorySettingsStore.h"
#include "media/AudioTestSupport.h"
#include "media/DeviceSettings.h"

namespace zy {
namespace {

class DeviceSettingsTest : public ::testing::Test {
 protected:
  DeviceSettingsTest() {
    for (const char* name : {"Cuffia USB", "Altoparlanti", "cuffia usb", "Cuffia USB"}) {
      VirtualAudioConfig c;
      c.clock = VirtualClock::kStepped;
      c.name = name;
      devices.AddDevice(c);
    }
  }
  VirtualAudioSystem devices;
};

TEST_F(DeviceSettingsTest, NamesResolveToTheFirstExactMatch) {
  struct Case {
    const char* name;
    int id;
  };
  const Case cases[] = {
      {"", -1},                // unset: the default device
      {"Cuffia USB", 0},       // the first of two equal names
      {"cuffia usb", 2},       // case counts
      {"Altoparlanti", 1},     //
      {"Altoparlanti ", -1},   // exact text only
      {"Scheda rimossa", -1},  // a device that is gone: the default
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveAudioDevice(devices, AudioDirection::kCapture, c.name), c.id) << c.name;
    EXPECT_EQ(ResolveAudioDevice(devices, AudioDirection::kPlayback, c.name), c.id) << c.name;
  }
  // A device whose name cannot be read matches nothing.
  devices.SetNameUnreadable(0, true);
  EXPECT_EQ(ResolveAudioDevice(devices, AudioDirection::kCapture, "Cuffia USB"), 3);
}

TEST_F(DeviceSettingsTest, FromTheSettings) {
  MemorySettingsStore store;
  EXPECT_EQ(ResolveAudioDevices(devices, store), (AudioDeviceIds{-1, -1}));
  WriteSetting(store, kSettingInputDevice, "cuffia usb");
  WriteSetting(store, kSettingOutputDevice, "Altoparlanti");
  EXPECT_EQ(ResolveAudioDevices(devices, store), (AudioDeviceIds{2, 1}));
  VirtualAudioSystem none;
  EXPECT_EQ(ResolveAudioDevices(none, store), (AudioDeviceIds{-1, -1}));
}

TEST_F(DeviceSettingsTest, AudioCheckAfterLogin) {
  SsrcGenerator ssrc;
  MediaPath media(std::make_unique<test::FakeRtpSocket>(std::make_shared<test::FakeNet>()), ssrc);
  AudioEngine engine(devices, media);
  MediaControl control(engine, media);

  devices.Device(1).SetAcceptsFormat(false);
  EXPECT_EQ(CheckAudioAvailable(engine, 1, control), kStrAudioNotSupported);
  EXPECT_FALSE(control.AudioAvailable());
  EXPECT_EQ(CheckAudioAvailable(engine, 0, control), 0);
  EXPECT_TRUE(control.AudioAvailable());
  // A later refusal shows the message and leaves the flag as it was.
  EXPECT_EQ(CheckAudioAvailable(engine, 1, control), kStrAudioNotSupported);
  EXPECT_TRUE(control.AudioAvailable());
  EXPECT_EQ(devices.Device(0).PlaybackOpens(), 0) << "checked without opening";
}

}  // namespace
}  // namespace zy
