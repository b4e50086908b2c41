#include "media/DeviceSettings.h"

#include <string>

namespace zy {

int ResolveAudioDevice(AudioSystem& devices, AudioDirection direction, std::string_view name) {
  if (name.empty()) return kDefaultAudioDevice;
  const int n = devices.DeviceCount(direction);
  for (int id = 0; id < n; ++id) {
    const auto deviceName = devices.DeviceName(direction, id);
    if (deviceName && *deviceName == name) return id;
  }
  return kDefaultAudioDevice;
}

AudioDeviceIds ResolveAudioDevices(AudioSystem& devices, std::string_view inputDevice,
                                   std::string_view outputDevice) {
  return AudioDeviceIds{ResolveAudioDevice(devices, AudioDirection::kCapture, inputDevice),
                        ResolveAudioDevice(devices, AudioDirection::kPlayback, outputDevice)};
}

AudioDeviceIds ResolveAudioDevices(AudioSystem& devices, const SettingsStore& store) {
  std::string input;
  std::string output;
  ReadSetting(store, kSettingInputDevice, input);
  ReadSetting(store, kSettingOutputDevice, output);
  return ResolveAudioDevices(devices, input, output);
}

int CheckAudioAvailable(AudioEngine& engine, int playbackDevice, MediaControl& control) {
  if (!engine.QueryAudioOutput(playbackDevice)) return kStrAudioNotSupported;
  control.SetAudioAvailable(true);
  return 0;
}

}  // namespace zy
