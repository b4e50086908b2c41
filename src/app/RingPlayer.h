// The ring and signal sounds of the phone window.
//
// Five roles, each with a file name: "ringtk.wav" (a call from a trunk
// line), "ringext.wav" (a call from an extension), "ringhold.wav" (a held
// call), "ringbook.wav" (a booked call back) and "beep.wav". When a file of
// that name can be read in the data folder it is played; otherwise the
// built-in sound of the role, made here at the level of "VolumeLevel" (0
// low, 1 medium, 2 high). The four ring sounds repeat until stopped; the
// beep plays once. Sounds play asynchronously on a playback device of the
// sound device layer: Play returns at once, a new sound replaces the one
// playing, Stop ends it. The device is closed when the sound stops (and
// shortly after a beep has played), so the audio engine finds it free.
//
// Threading: Play, Stop and the setters on the window thread; IsPlaying
// from any thread. The device pulls the samples on its own thread; the
// sound it plays is never changed under it (a new sound gets a new device).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/PhoneStream.h"
#include "platform/AudioDevice.h"

namespace zy {

class RingPlayer {
 public:
  // Peak levels of the built-in sounds for "VolumeLevel" 0, 1 and 2 (about
  // -24, -14 and -6 dB below full scale).
  static constexpr int16_t kLevelPeaks[3] = {2067, 6537, 16422};

  // `dataFolder`: where "ringtk.wav" and the others are looked for.
  RingPlayer(AudioSystem& devices, std::string dataFolder);
  ~RingPlayer();
  RingPlayer(const RingPlayer&) = delete;
  RingPlayer& operator=(const RingPlayer&) = delete;

  // The playback device of the next sound (-1: the default).
  void SetPlaybackDevice(int id) { device_ = id; }
  // "VolumeLevel"; values outside 0..2 count as 2 (high).
  void SetVolumeLevel(int level);
  int VolumeLevel() const { return level_; }

  // Plays `sound`, replacing the one playing. False (and silence) when the
  // playback device cannot be opened.
  bool Play(RingSound sound);
  // Stops the sound and closes the device; nothing when none plays.
  void Stop();
  // A ring sound plays until stopped, the beep until its end.
  bool IsPlaying() const;
  // Whether the last sound came from a file of the data folder.
  bool LastFromFile() const { return lastFromFile_; }

  static std::string_view FileName(RingSound sound);
  static bool Loops(RingSound sound);
  // The built-in sound at `level` (0..2): one period of a ring sound, with
  // its pause, or the whole beep; 8 kHz samples.
  static std::vector<int16_t> BuiltInSound(RingSound sound, int level);

 private:
  class Source;
  void CloseLocked();
  void ReaperLoop();

  AudioSystem& devices_;
  const std::string dataFolder_;
  int device_ = kDefaultAudioDevice;
  int level_ = 2;
  bool lastFromFile_ = false;

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  // The playback is declared after its source so that it closes first.
  std::unique_ptr<Source> source_;
  std::unique_ptr<AudioPlayback> playback_;
  bool quit_ = false;
  std::thread reaper_;  // closes the device once a beep has played
};

}  // namespace zy
