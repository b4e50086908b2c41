// What the phone does when the PBX's media-control message arrives (the
// media event of the link, with the message's subject as the command):
// first the ring sound and the window's flashing stop; then, only while the
// audio system was found usable at the last login,
//   0      stop the audio engine, then close the RTP session;
//   1      open the RTP session towards the PBX's media endpoint when none
//          is open (jitter buffer reset, suppressor reset with "EchoCanc",
//          G.729 set up for a G.729 call), then start voice; when the audio
//          devices fail, close the session and report message 332;
//   other  close the RTP session, then play local tone `command`; report
//          message 332 when the audio devices fail.
// Without usable audio every command is ignored after the ring stops.
//
// Threading: window thread, like the engine's StartAudio and StopAudio.
// The session is closed only after the engine has left voice mode, or
// under the media path's guard, so the worker never uses a closing session.
#pragma once

#include <cstdint>
#include <functional>

#include "media/AudioEngine.h"
#include "media/MediaPath.h"

namespace zy {

// Message shown when the audio devices cannot be opened.
inline constexpr int kStrAudioDeviceError = 332;

class MediaControl {
 public:
  MediaControl(AudioEngine& engine, MediaPath& media);

  // Stops the ring sound and the window's flashing; called first for every
  // command.
  void SetStopRing(std::function<void()> stopRing) { stopRing_ = std::move(stopRing); }

  // The audio-available flag of the login (see DeviceSettings.h).
  void SetAudioAvailable(bool available) { audioAvailable_ = available; }
  bool AudioAvailable() const { return audioAvailable_; }

  // Handles one media command. Returns the id of the message to show (332)
  // or 0.
  int OnMediaCommand(uint16_t command, const MediaPeer& peer, const MediaSettings& settings);

  // Program exit and a lost link: audio stops, the session closes.
  void StopMedia();

  // The engine's result of the last start (0 when it worked).
  uint32_t LastAudioError() const { return lastError_; }

 private:
  AudioEngine& engine_;
  MediaPath& media_;
  std::function<void()> stopRing_;
  bool audioAvailable_ = false;
  uint32_t lastError_ = 0;
};

}  // namespace zy
