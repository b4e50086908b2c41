// The sound card's devices through PortAudio.
//
// Capture and playback devices are PortAudio's devices with input or output
// channels, listed in PortAudio's order; their product names are converted
// to Windows-1252. Streams run at 8 kHz, 16-bit, mono with one 10 ms frame
// per callback. The capture callback files each frame for the reader (four
// at most wait; more are overruns) and wakes it; the playback callback plays
// the next queued buffer (eight at most), or asks its frame source, and
// counts the buffers finished. Neither callback locks or allocates.
//
// A machine without a sound card has no devices: every open then fails with
// kAudioErrBadDevice, QueryFormat says no, and nothing else happens. The
// sound libraries' own complaints while PortAudio looks for devices are
// kept off standard error unless ZYPHONE_AUDIO_DEBUG is set.
//
// Threading: as AudioDevice.h. PortAudio is initialised by the constructor
// and terminated by the destructor; the system must outlive its devices.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"

namespace zy {

class PortAudioSystem : public AudioSystem {
 public:
  PortAudioSystem();
  ~PortAudioSystem() override;
  PortAudioSystem(const PortAudioSystem&) = delete;
  PortAudioSystem& operator=(const PortAudioSystem&) = delete;

  // False when PortAudio could not start (no device is listed then).
  bool Available() const { return initialised_; }
  // PortAudio's error text when it could not start.
  const std::string& InitError() const { return initError_; }

  int DeviceCount(AudioDirection direction) override;
  std::optional<std::string> DeviceName(AudioDirection direction, int id) override;
  bool QueryFormat(AudioDirection direction, int id) override;
  uint32_t OpenCapture(int id, std::unique_ptr<AudioCapture>& out) override;
  uint32_t OpenPlayback(int id, AudioFrameSource* source,
                        std::unique_ptr<AudioPlayback>& out) override;

 private:
  // PortAudio's device index for one of ours (-1: the default), or -1 when
  // there is none.
  int PaIndex(AudioDirection direction, int id) const;
  std::vector<int> Devices(AudioDirection direction) const;

  bool initialised_ = false;
  std::string initError_;
};

}  // namespace zy
