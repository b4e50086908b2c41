// The audio engine: one capture device, one playback device, one worker
// thread and a mode (idle, voice, or a local call-progress tone).
//
// The capture device clocks everything: each time it hands back a full 10 ms
// frame the worker runs one cycle.
// - Voice (while the RTP session has a socket): the next telephone-event
//   step; for every playback buffer the device has finished with, in order,
//   receive what waits on the socket, decode one frame into the buffer, run
//   the echo suppressor on the captured frame against it when a frame was
//   decoded (unless muted or "EchoCanc" is off), and queue it; then, unless
//   the transmit mute is on, encode and send the captured frame. Without a
//   socket a voice cycle does nothing and the output drains to silence.
// - A tone: every finished playback buffer is refilled with the next 80
//   samples of the tone generator; the captured frame is not used.
// Eight playback buffers (80 ms) are queued at all times; the first eight
// are silence, queued before capture starts.
//
// Threading:
// - StartAudio, StopAudio, SetDevices, QueryAudioOutput: the window thread.
// - SetTxMute, SetEchoCanc: any thread; the worker reads them at the start of
//   each cycle (so does it the mode).
// - The worker runs one step above normal priority where the system allows
//   it, never allocates and never blocks except on the capture device. It
//   uses the media path only through MediaPath::TryVoiceCycle (voice) and
//   MediaPath::Tones (tones).
// - The engine, the media path and the device system must outlive every
//   run; the destructor stops the engine.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "media/MediaPath.h"
#include "platform/AudioDevice.h"

namespace zy {

// Modes: 0 idle (devices closed), 1 voice, anything else a local tone
// (0x0201-0x0211 sound; other codes play silence).
inline constexpr uint16_t kAudioIdle = 0;
inline constexpr uint16_t kAudioVoice = 1;

class AudioEngine {
 public:
  static constexpr std::chrono::milliseconds kDefaultStopTimeout{500};

  AudioEngine(AudioSystem& devices, MediaPath& media);
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // The devices opened the next time the engine starts from idle (-1: the
  // default device); a running engine keeps the ones it opened.
  void SetDevices(int captureDevice, int playbackDevice);
  int CaptureDevice() const { return captureDevice_; }
  int PlaybackDevice() const { return playbackDevice_; }

  // "EchoCanc".
  void SetEchoCanc(bool on) { echoCanc_.store(on, std::memory_order_relaxed); }

  // Starts the engine in `mode`, or switches a running one:
  // - the current mode: nothing happens, 0;
  // - leaving idle or a tone: the tone cadence starts again;
  // - running: only the mode changes (the devices stay open), 0;
  // - from idle: opens the playback device, queues 80 ms of silence, opens
  //   the capture device and starts the worker with the transmit mute off;
  //   0, or the device error code of the step that failed, after every step
  //   done so far has been undone (the engine stays idle).
  // Mode 0 stops a running engine.
  uint32_t StartAudio(uint16_t mode);
  // Stops a running engine: the worker is told to end and waited for at
  // most the stop time-out (500 ms), then the devices are closed. Nothing
  // when idle.
  void StopAudio();
  // While on, captured audio is neither encoded nor sent (the RTP timestamp
  // stands still) and the echo suppressor is skipped; received audio still
  // plays and queued digits still go out. StartAudio from idle clears it.
  void SetTxMute(bool on) { txMute_.store(on, std::memory_order_relaxed); }
  bool TxMute() const { return txMute_.load(std::memory_order_relaxed); }
  // Whether playback device `device` (-1: the default) would accept 8 kHz,
  // 16-bit, mono, without opening it.
  bool QueryAudioOutput(int device);

  uint16_t Mode() const { return mode_.load(std::memory_order_acquire); }
  // The worker of the current run has not ended (it ends early when the
  // capture device fails; the engine then stays in its mode, silent).
  bool WorkerRunning() const { return running_ && !workerDone_.load(); }

  // Counters of the current (or last) run: cycles done, and the worker's
  // CPU time in nanoseconds.
  struct Stats {
    uint64_t cycles = 0;
    uint64_t workerCpuNs = 0;
  };
  Stats RunStats() const;

  // For tests: how long StopAudio waits for the worker.
  void SetStopTimeout(std::chrono::milliseconds timeout) { stopTimeout_ = timeout; }

 private:
  void Worker();
  void ToneCycle(uint16_t mode);
  void VoiceCycle(size_t captured);
  // Closes whatever the run has open and forgets the worker.
  void CloseDevices();

  AudioSystem& devices_;
  MediaPath& media_;
  int captureDevice_ = kDefaultAudioDevice;
  int playbackDevice_ = kDefaultAudioDevice;
  std::chrono::milliseconds stopTimeout_ = kDefaultStopTimeout;

  std::atomic<uint16_t> mode_{kAudioIdle};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> txMute_{false};
  std::atomic<bool> echoCanc_{false};

  bool running_ = false;  // devices open (window thread)
  std::unique_ptr<AudioCapture> capture_;
  std::unique_ptr<AudioPlayback> playback_;
  std::thread worker_;
  std::mutex doneMutex_;
  std::condition_variable doneCv_;
  std::atomic<bool> workerDone_{true};

  // The worker's own state.
  uint64_t playIndex_ = 0;  // playback buffers queued since the devices opened
  std::array<int16_t, kAudioFrameSamples> captured_{};
  std::array<int16_t, kAudioFrameSamples> played_{};
  std::atomic<uint64_t> cycles_{0};
  std::atomic<uint64_t> cpuNs_{0};
};

}  // namespace zy
