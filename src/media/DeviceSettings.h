// Which sound devices the phone uses, and whether it has audio at all.
//
// The user's choice is stored by product name ("Input device", "Output
// device") so that it survives a change in the order of the devices; at
// start it is resolved to device ids: the first device of that kind whose
// name equals the setting exactly (case-sensitive), or -1 (the system's
// default device) when the setting is empty or matches nothing.
//
// After every successful login the phone asks the chosen playback device
// whether it would accept 8 kHz, 16-bit, mono: yes makes audio available;
// no shows message 328 and leaves the flag as it was (media commands are
// ignored until a login passes the check).
//
// Threading: window thread.
#pragma once

#include <string_view>

#include "app/SettingsStore.h"
#include "media/AudioEngine.h"
#include "media/MediaControl.h"
#include "platform/AudioDevice.h"

namespace zy {

// "Sistema audio non supportato".
inline constexpr int kStrAudioNotSupported = 328;
// "Il dispositivo scelto per la riproduzione non supporta il formato richiesto".
inline constexpr int kStrPlaybackFormatRefused = 333;

struct AudioDeviceIds {
  int captureDevice = kDefaultAudioDevice;
  int playbackDevice = kDefaultAudioDevice;
  bool operator==(const AudioDeviceIds&) const = default;
};

// The id of the first device of that kind named `name` (Windows-1252), or
// -1 when `name` is empty or no device has it.
int ResolveAudioDevice(AudioSystem& devices, AudioDirection direction, std::string_view name);

// Both ids from the settings "Input device" and "Output device".
AudioDeviceIds ResolveAudioDevices(AudioSystem& devices, std::string_view inputDevice,
                                   std::string_view outputDevice);
AudioDeviceIds ResolveAudioDevices(AudioSystem& devices, const SettingsStore& store);

// The check after a login: QueryAudioOutput on `playbackDevice`. When the
// device accepts the format, audio becomes available in `control` and 0 is
// returned; otherwise the flag stays as it was and 328 is returned (the
// message to show).
int CheckAudioAvailable(AudioEngine& engine, int playbackDevice, MediaControl& control);

}  // namespace zy
