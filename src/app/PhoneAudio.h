// The sound side of the phone: the sound devices, the media path of a call,
// the audio engine with its media control, and the ring sounds. The phone
// window hands it the PBX's media commands, the dialled digits, the
// microphone mute and the ring commands; the program stops it before the
// link closes.
//
// Threading: window thread, except where a member says otherwise. The
// engine's worker and the devices' threads run underneath (see
// AudioEngine.h, RingPlayer.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/PhoneStream.h"
#include "app/RingPlayer.h"
#include "app/SettingsStore.h"
#include "link/LinkState.h"
#include "media/AudioEngine.h"
#include "media/DeviceSettings.h"
#include "media/MediaControl.h"
#include "media/MediaPath.h"
#include "platform/AudioDevice.h"

namespace zy {

class PhoneAudio {
 public:
  // `devices`: the process's sound devices; `dataFolder`: where the ring
  // sound files are looked for; `socket` null: the real UDP socket.
  PhoneAudio(std::unique_ptr<AudioSystem> devices, std::string dataFolder,
             std::unique_ptr<RtpSocket> socket = nullptr);
  ~PhoneAudio();  // stops the sounds, the engine and the session
  PhoneAudio(const PhoneAudio&) = delete;
  PhoneAudio& operator=(const PhoneAudio&) = delete;

  // The settings a call and the rings use: the devices by name, "RTP port",
  // "Symmetric RTP", "EchoCanc", "VadEnable", "VolumeLevel".
  void Configure(const StartupSettings& settings);
  void SetVolumeLevel(int level) { rings_.SetVolumeLevel(level); }

  // After each successful login: whether the chosen playback device takes
  // the call format. 0 when it does (audio becomes available); 328 when it
  // does not (the flag stays as it was).
  int CheckAvailable();
  bool Available() const { return control_.AudioAvailable(); }

  // A media command of the PBX (0 stop, 1 voice towards the media endpoint
  // in `state`, other values a local tone). The ring sound stops first.
  // Returns 0 or the message to show (332).
  int OnMedia(uint16_t command, const LinkState& state);
  // Stops the engine and closes the session (lost link, program end).
  void StopMedia();

  // A dialled digit as an in-band tone event (0..11); true when the RTP
  // session took it, false when there is no session and the digit goes to
  // the PBX as a key.
  bool OfferToneEvent(int event);

  // The microphone mute the phone status asks for; applied when audio is
  // available and again whenever voice starts (a start clears the engine's
  // mute).
  void SetMicrophoneMuted(bool muted);
  bool MicrophoneMuted() const { return micMuted_; }

  // Ring sounds.
  bool Ring(RingSound sound) { return rings_.Play(sound); }
  void StopRing() { rings_.Stop(); }
  bool Ringing() const { return rings_.IsPlaying(); }

  AudioSystem& Devices() { return *devices_; }
  AudioEngine& Engine() { return engine_; }
  MediaPath& Media() { return media_; }
  MediaControl& Control() { return control_; }
  RingPlayer& Rings() { return rings_; }
  const MediaSettings& Settings() const { return settings_; }

 private:
  void ApplyMute();

  std::unique_ptr<AudioSystem> devices_;
  MediaPath media_;
  AudioEngine engine_;
  MediaControl control_;
  RingPlayer rings_;
  MediaSettings settings_;
  AudioDeviceIds ids_;
  bool micMuted_ = false;
};

}  // namespace zy
