#include "app/PhoneAudio.h"

namespace zy {

PhoneAudio::PhoneAudio(std::unique_ptr<AudioSystem> devices, std::string dataFolder,
                       std::unique_ptr<RtpSocket> socket)
    : devices_(std::move(devices)),
      media_(std::move(socket)),
      engine_(*devices_, media_),
      control_(engine_, media_),
      rings_(*devices_, std::move(dataFolder)) {
  control_.SetStopRing([this] { rings_.Stop(); });
}

PhoneAudio::~PhoneAudio() {
  rings_.Stop();
  control_.StopMedia();
}

void PhoneAudio::Configure(const StartupSettings& settings) {
  settings_.rtpPort = settings.rtpPort;
  settings_.symmetricRtp = settings.symmetricRtp;
  settings_.echoCanc = settings.echoCanc;
  settings_.vadEnable = settings.vadEnable;
  ids_ = ResolveAudioDevices(*devices_, settings.inputDevice, settings.outputDevice);
  engine_.SetDevices(ids_.captureDevice, ids_.playbackDevice);
  engine_.SetEchoCanc(settings.echoCanc);
  rings_.SetPlaybackDevice(ids_.playbackDevice);
  rings_.SetVolumeLevel(settings.volumeLevel);
}

int PhoneAudio::CheckAvailable() {
  return CheckAudioAvailable(engine_, ids_.playbackDevice, control_);
}

int PhoneAudio::OnMedia(uint16_t command, const LinkState& state) {
  const int message = control_.OnMediaCommand(command, MediaPeerOf(state), settings_);
  if (command == kAudioVoice) ApplyMute();
  return message;
}

void PhoneAudio::StopMedia() { control_.StopMedia(); }

bool PhoneAudio::OfferToneEvent(int event) {
  if (event < 0 || event > 15) return false;
  return media_.QueueDtmfDigit(static_cast<uint8_t>(event)) != DtmfQueueResult::kNoSocket;
}

void PhoneAudio::SetMicrophoneMuted(bool muted) {
  micMuted_ = muted;
  ApplyMute();
}

void PhoneAudio::ApplyMute() {
  if (control_.AudioAvailable()) engine_.SetTxMute(micMuted_);
}

}  // namespace zy
