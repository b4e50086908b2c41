#include "media/MediaControl.h"

namespace zy {

MediaControl::MediaControl(AudioEngine& engine, MediaPath& media)
    : engine_(engine), media_(media) {}

int MediaControl::OnMediaCommand(uint16_t command, const MediaPeer& peer,
                                 const MediaSettings& settings) {
  if (stopRing_) stopRing_();
  if (!audioAvailable_) return 0;
  engine_.SetEchoCanc(settings.echoCanc);
  lastError_ = 0;
  if (command == kAudioIdle) {
    engine_.StopAudio();
    media_.CloseCallMedia();
    return 0;
  }
  if (command == kAudioVoice) {
    // An open session is kept (the result of the open is not examined: a
    // session without a socket simply stays silent).
    media_.OpenCallMedia(peer, settings);
    lastError_ = engine_.StartAudio(kAudioVoice);
    if (lastError_ == 0) return 0;
    media_.CloseCallMedia();
    return kStrAudioDeviceError;
  }
  media_.CloseCallMedia();
  lastError_ = engine_.StartAudio(command);
  return lastError_ == 0 ? 0 : kStrAudioDeviceError;
}

void MediaControl::StopMedia() {
  engine_.StopAudio();
  media_.CloseCallMedia();
}

}  // namespace zy
