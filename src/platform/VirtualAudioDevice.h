// The virtual sound device: a microphone that plays a WAV file or a
// generator, and a speaker that records what it is given, in memory and
// optionally to a WAV file. For tests, CI, the demo and machines without a
// sound card.
//
// Its clock runs in real time (a thread of its own ticks every 10 ms while
// the device is open) or is stepped by the owner (Step). Each tick:
// 1. every open playback takes its next frame (a queued buffer, its frame
//    source, or silence when nothing is queued); the frames are mixed and
//    recorded;
// 2. the capture records one frame from its file or generator and hands it
//    to the reader (at most four wait; more are dropped as overruns).
//
// In real time, a capture reader four frames behind holds the clock, and a
// clock that was held or stalled goes on from the moment it can rather than
// catch up in a burst: on a loaded machine the device runs slower than real
// time but loses no frame, so its recording stays aligned with its capture.
//
// With the stepped clock, Step waits before each tick until the capture
// reader is blocked in Read, and after it until the reader has taken the
// frame and is blocked again (or has stopped reading), so that the owner
// sees the whole 10 ms cycle of the reader done when Step returns.
//
// Text form of a configuration (ZYPHONE_AUDIO=virtual:..., see
// ParseVirtualAudioSpec), options separated by ':':
//   capture=FILE      the microphone plays this WAV file (any rate and
//                     channel count: mixed to mono, resampled to 8 kHz),
//                     from its start at each opening, then silence
//   loop              the capture file starts again at its end
//   tone=HZ           the microphone plays a sine of HZ at -12 dBFS
//   playback=FILE     what is played is written to this WAV file
//                     (8 kHz, 16-bit, mono), kept valid while it grows
//   clock=realtime    (default) or clock=stepped
//   name=TEXT         the device's name in the device lists
// Without capture or tone the microphone is silent.
//
// Threading: see AudioDevice.h for the device objects. Step, the fault
// switches and the observers may be called from any thread; Step from one
// thread at a time. The capture generator and the frame sources run on the
// clock's thread (the stepping thread when stepped).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/AudioDevice.h"

namespace zy {

enum class VirtualClock { kRealTime, kStepped };

// Fills one captured frame.
using CaptureGenerator = std::function<void(int16_t* samples, size_t count)>;

// A sine of `hz` with the given peak, continuous across frames.
CaptureGenerator SineGenerator(double hz, int16_t peak);
// The samples in turn, then silence (or from the start again with `loop`).
CaptureGenerator SamplesGenerator(std::vector<int16_t> samples, bool loop = false);

inline constexpr std::string_view kVirtualAudioName = "Virtual audio device";

struct VirtualAudioConfig {
  std::string name{kVirtualAudioName};  // Windows-1252
  std::string captureFile;              // WAV; empty: the generator
  CaptureGenerator generator;           // used without a file; empty: silence
  bool loopCapture = false;             // the capture file restarts at its end
  std::string playbackFile;             // WAV written as it is played; empty: none
  bool keepRecording = true;            // keep what is played in memory
  VirtualClock clock = VirtualClock::kRealTime;
  bool acceptsFormat = true;  // false: the device refuses 8 kHz 16-bit mono
};

// Reads the options after "virtual:" (the text may start with "virtual" or
// be just the options). Nothing, with the reason in `error`, for an unknown
// option or a bad value.
std::optional<VirtualAudioConfig> ParseVirtualAudioSpec(std::string_view text, std::string& error);

class VirtualAudioDevice {
 public:
  static constexpr int kMaxPlaybacks = 4;  // playbacks open at once, mixed

  explicit VirtualAudioDevice(VirtualAudioConfig config);
  ~VirtualAudioDevice();  // every device it opened must be closed first
  VirtualAudioDevice(const VirtualAudioDevice&) = delete;
  VirtualAudioDevice& operator=(const VirtualAudioDevice&) = delete;

  const std::string& Name() const { return config_.name; }
  VirtualClock Clock() const { return config_.clock; }
  // Why the capture or playback file could not be used; empty when fine.
  // Opens of the side concerned fail with kAudioErrFailed.
  const std::string& FileError() const { return fileError_; }

  bool AcceptsFormat() const { return acceptsFormat_.load(); }
  void SetAcceptsFormat(bool accepts) { acceptsFormat_ = accepts; }

  // One capture at a time (kAudioErrBusy otherwise); up to kMaxPlaybacks.
  uint32_t OpenCapture(std::unique_ptr<AudioCapture>& out);
  uint32_t OpenPlayback(AudioFrameSource* source, std::unique_ptr<AudioPlayback>& out);

  // Stepped clock: `ticks` ticks of 10 ms, each waited for as said above.
  void Step(int ticks = 1);
  // Ticks without waiting for any reader (a capture nobody reads).
  void Advance(int ticks = 1);
  uint64_t Ticks() const;

  // Everything played while a playback was open, one frame per tick.
  std::vector<int16_t> Recording() const;
  void ClearRecording();
  // The tick count when the last capture or playback was opened: the first
  // frame of each side belongs to the next tick.
  uint64_t CaptureOpenedAtTick() const;
  uint64_t PlaybackOpenedAtTick() const;
  // Devices open now, and opens since construction.
  int OpenCaptures() const;
  int OpenPlaybacks() const;
  int CaptureOpens() const;
  int PlaybackOpens() const;

  // Faults: the next open of that side fails with `code`; the capture fails
  // (Read returns -1) after `frames` more frames.
  void FailNextOpen(AudioDirection direction, uint32_t code);
  void FailCaptureAfter(uint64_t frames);

 private:
  class Capture;
  class Playback;
  friend class Capture;
  friend class Playback;

  enum class ReaderState { kNone, kWaiting, kBusy, kGone };

  void Tick();  // with mutex_ held
  void ProduceCaptureFrame(int16_t* frame);
  void EnsureClock();
  void ClockLoop();
  bool ReaderSettled() const;  // with mutex_ held
  void Unregister(Capture* capture);
  void Unregister(Playback* playback);

  VirtualAudioConfig config_;
  std::atomic<bool> acceptsFormat_;
  std::string fileError_;
  std::vector<int16_t> captureSamples_;
  bool haveCaptureFile_ = false;
  size_t capturePosition_ = 0;
  struct SoundFileCloser {
    void operator()(void* file) const;
  };
  std::unique_ptr<void, SoundFileCloser> playbackFile_;

  mutable std::mutex mutex_;
  std::condition_variable captureCv_;  // frames for the reader, Abort
  std::condition_variable stepCv_;     // reader state changes
  uint64_t ticks_ = 0;
  Capture* capture_ = nullptr;
  std::array<Playback*, kMaxPlaybacks> playbacks_{};
  ReaderState reader_ = ReaderState::kNone;
  std::vector<int16_t> recording_;
  uint64_t captureOpenedAt_ = 0;
  uint64_t playbackOpenedAt_ = 0;
  int captureOpens_ = 0;
  int playbackOpens_ = 0;
  uint32_t failCaptureOpen_ = kAudioOk;
  uint32_t failPlaybackOpen_ = kAudioOk;
  std::optional<uint64_t> captureFailsAfter_;

  // Real-time clock: runs while something is open, ends after a second
  // without any device.
  std::thread clock_;
  bool clockRunning_ = false;
  bool quit_ = false;
  std::condition_variable clockCv_;
};

// An AudioSystem of virtual devices only; the first one is the default.
class VirtualAudioSystem : public AudioSystem {
 public:
  VirtualAudioSystem() = default;
  explicit VirtualAudioSystem(VirtualAudioConfig config) { AddDevice(std::move(config)); }

  VirtualAudioDevice& AddDevice(VirtualAudioConfig config);
  VirtualAudioDevice& Device(int id) { return *devices_.at(static_cast<size_t>(id)); }
  // The device of an id (its index; -1 the first device), null for none.
  VirtualAudioDevice* Find(int id);

  int DeviceCount(AudioDirection direction) override;
  std::optional<std::string> DeviceName(AudioDirection direction, int id) override;
  bool QueryFormat(AudioDirection direction, int id) override;
  uint32_t OpenCapture(int id, std::unique_ptr<AudioCapture>& out) override;
  uint32_t OpenPlayback(int id, AudioFrameSource* source,
                        std::unique_ptr<AudioPlayback>& out) override;

  // Devices whose name cannot be read (for the dialogs' lists).
  void SetNameUnreadable(int id, bool unreadable);

 private:
  std::vector<std::unique_ptr<VirtualAudioDevice>> devices_;
  std::vector<bool> nameUnreadable_;
};

}  // namespace zy
