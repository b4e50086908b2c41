// The process's device list (ZYPHONE_AUDIO) and the sound card backend. The
// build machines have no sound card: there the backend must list nothing
// and fail every open cleanly; on a machine with one, its devices are
// listed with names and the default playback device takes our format.
#include <gtest/gtest.h>

#include "platform/AudioDevice.h"
#include "platform/PortAudioDevice.h"
#include "platform/VirtualAudioDevice.h"

namespace zy {
namespace {

TEST(PortAudioSystem, ListsNamedDevicesOrFailsCleanlyWithoutThem) {
  PortAudioSystem pa;
  for (AudioDirection d : {AudioDirection::kCapture, AudioDirection::kPlayback}) {
    const int n = pa.DeviceCount(d);
    for (int id = 0; id < n; ++id) {
      const auto name = pa.DeviceName(d, id);
      ASSERT_TRUE(name) << id;
      EXPECT_FALSE(name->empty());
    }
    EXPECT_FALSE(pa.DeviceName(d, n));
    EXPECT_FALSE(pa.DeviceName(d, -1));
  }
  std::unique_ptr<AudioCapture> capture;
  std::unique_ptr<AudioPlayback> playback;
  EXPECT_EQ(pa.OpenCapture(pa.DeviceCount(AudioDirection::kCapture), capture),
            pa.Available() ? kAudioErrBadDevice : kAudioErrNoDriver);
  EXPECT_EQ(pa.OpenPlayback(-7, nullptr, playback),
            pa.Available() ? kAudioErrBadDevice : kAudioErrNoDriver);
  if (pa.DeviceCount(AudioDirection::kPlayback) == 0) {
    // No sound card: the default device does not exist either.
    EXPECT_FALSE(pa.QueryFormat(AudioDirection::kPlayback, kDefaultAudioDevice));
    EXPECT_NE(pa.OpenPlayback(kDefaultAudioDevice, nullptr, playback), kAudioOk);
    EXPECT_FALSE(playback);
  }
  if (pa.DeviceCount(AudioDirection::kCapture) == 0) {
    EXPECT_NE(pa.OpenCapture(kDefaultAudioDevice, capture), kAudioOk);
    EXPECT_FALSE(capture);
  }
}

TEST(MakeAudioSystem, WithoutSettingTheVirtualDeviceFollowsTheSoundCard) {
  std::string error;
  auto system = MakeAudioSystem("", error);
  ASSERT_TRUE(system) << error;
  PortAudioSystem pa;
  for (AudioDirection d : {AudioDirection::kCapture, AudioDirection::kPlayback}) {
    const int cards = pa.DeviceCount(d);
    ASSERT_EQ(system->DeviceCount(d), cards + 1);
    EXPECT_EQ(system->DeviceName(d, cards), std::string(kVirtualAudioName));
    EXPECT_TRUE(system->QueryFormat(d, cards));
  }
  // The default is the sound card's: without one it cannot be opened.
  if (pa.DeviceCount(AudioDirection::kPlayback) == 0) {
    EXPECT_FALSE(system->QueryFormat(AudioDirection::kPlayback, kDefaultAudioDevice));
  }
  // The virtual device opens by its id.
  std::unique_ptr<AudioPlayback> playback;
  EXPECT_EQ(system->OpenPlayback(pa.DeviceCount(AudioDirection::kPlayback), nullptr, playback),
            kAudioOk);
}

TEST(MakeAudioSystem, VirtualAloneIsTheDefault) {
  std::string error;
  auto system = MakeAudioSystem("virtual:name=Banco prova:clock=stepped", error);
  ASSERT_TRUE(system) << error;
  EXPECT_EQ(system->DeviceCount(AudioDirection::kCapture), 1);
  EXPECT_EQ(system->DeviceName(AudioDirection::kPlayback, 0), "Banco prova");
  EXPECT_TRUE(system->QueryFormat(AudioDirection::kPlayback, kDefaultAudioDevice));
  std::unique_ptr<AudioCapture> capture;
  EXPECT_EQ(system->OpenCapture(kDefaultAudioDevice, capture), kAudioOk);
}

TEST(MakeAudioSystem, NoneHasNoDevices) {
  std::string error;
  auto system = MakeAudioSystem("none", error);
  ASSERT_TRUE(system);
  EXPECT_EQ(system->DeviceCount(AudioDirection::kPlayback), 0);
  EXPECT_FALSE(system->QueryFormat(AudioDirection::kPlayback, kDefaultAudioDevice));
  std::unique_ptr<AudioCapture> capture;
  EXPECT_EQ(system->OpenCapture(kDefaultAudioDevice, capture), kAudioErrBadDevice);
}

TEST(MakeAudioSystem, BadSettingsAreRefusedWithAReason) {
  for (const char* choice : {"pulse", "virtual:speed=2", "virtual:capture=/nonexistent/a.wav"}) {
    std::string error;
    EXPECT_FALSE(MakeAudioSystem(choice, error)) << choice;
    EXPECT_NE(error.find("ZYPHONE_AUDIO"), std::string::npos) << choice << ": " << error;
  }
}

TEST(AudioErrorText, EveryCodeHasAText) {
  for (uint32_t code : {kAudioOk, kAudioErrFailed, kAudioErrBadDevice, kAudioErrBusy,
                        kAudioErrNoDriver, kAudioErrBadFormat, kAudioErrNoThread, 999u}) {
    EXPECT_FALSE(AudioErrorText(code).empty()) << code;
  }
  EXPECT_NE(AudioErrorText(kAudioErrBadFormat), AudioErrorText(kAudioErrBusy));
}

}  // namespace
}  // namespace zy
