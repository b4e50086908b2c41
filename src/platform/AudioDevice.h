// The sound device layer: capture and playback devices of 8 kHz, 16-bit,
// mono linear PCM, moved in 10 ms frames of 80 samples.
//
// An `AudioSystem` lists the devices of one kind (capture or playback) by
// index, names them, checks the format without opening a device, and opens
// them. Two backends exist: the sound card through PortAudio
// (PortAudioDevice.h) and the virtual device (VirtualAudioDevice.h), which
// captures from a WAV file or a generator and records what it plays. The
// process's device list is the sound card's devices followed by the virtual
// device (MakeProcessAudioSystem below).
//
// Capture is a blocking read of one 10 ms frame: the reader's loop is
// clocked by the device. Playback holds up to eight queued 10 ms buffers and
// counts the buffers it has finished with, so the producer refills as many
// buffers as were played. A playback device can instead pull its frames
// from an `AudioFrameSource` on its own thread (the ring sounds).
//
// Threading:
// - AudioSystem: enumeration, QueryFormat and the opens on one thread at a
//   time (the window thread); the objects it returns may be used from other
//   threads as said below. The system outlives every device it opened.
// - AudioCapture: Read on one reader thread; Abort and the counters from any
//   thread. Read blocks until a frame is recorded, and allocates nothing.
// - AudioPlayback: Queue and BuffersFinished on one producer thread, without
//   blocking or allocating; Reset on the owner's thread once the producer
//   has stopped.
// - AudioFrameSource::FillFrame runs on the device's own thread (the sound
//   card's callback, the virtual clock): it must not block or allocate.
// - Destroying a device closes it; no thread may be inside it then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zy {

inline constexpr int kAudioSampleRate = 8000;
inline constexpr size_t kAudioFrameSamples = 80;  // 10 ms
inline constexpr int kPlaybackQueueBuffers = 8;   // 80 ms of playback queued
inline constexpr int kCaptureQueueBuffers = 4;    // frames held for a late reader
inline constexpr int kDefaultAudioDevice = -1;    // the system's default device

// Results of the opens: 0 or the device error code of the step that failed.
inline constexpr uint32_t kAudioOk = 0;
inline constexpr uint32_t kAudioErrFailed = 1;      // the backend reported an error
inline constexpr uint32_t kAudioErrBadDevice = 2;   // no such device, or no default device
inline constexpr uint32_t kAudioErrBusy = 4;        // the device is in use
inline constexpr uint32_t kAudioErrNoDriver = 6;    // no sound system could be reached
inline constexpr uint32_t kAudioErrBadFormat = 32;  // 8 kHz 16-bit mono refused
inline constexpr uint32_t kAudioErrNoThread = 64;   // the worker thread could not start

// A short English description of an error code, for logs and tools.
std::string_view AudioErrorText(uint32_t code);

enum class AudioDirection { kCapture, kPlayback };

class AudioCapture {
 public:
  virtual ~AudioCapture() = default;
  // Waits for the next recorded frame and copies it into `samples` (room
  // for 80). Returns the samples recorded (80, fewer for a partly filled
  // buffer), or -1 once the device has failed or Abort was called: the
  // reader then stops reading.
  virtual int Read(int16_t* samples) = 0;
  // Makes a waiting Read, and every later one, return -1.
  virtual void Abort() = 0;
  // Frames dropped because four were already waiting for the reader.
  virtual uint64_t Overruns() const = 0;
};

class AudioPlayback {
 public:
  virtual ~AudioPlayback() = default;
  // Queues one buffer of `count` samples (at most 80; a shorter buffer is
  // played as it is). False when eight buffers are queued or the device has
  // failed.
  virtual bool Queue(const int16_t* samples, size_t count) = 0;
  // Buffers played (or dropped by Reset) since the device was opened.
  virtual uint64_t BuffersFinished() const = 0;
  // Drops every queued buffer; they count as finished.
  virtual void Reset() = 0;
  // 10 ms periods in which the device had nothing queued and played silence.
  virtual uint64_t Underruns() const = 0;
};

// Pull-mode playback: the device asks for every frame itself.
class AudioFrameSource {
 public:
  virtual ~AudioFrameSource() = default;
  // Fills `count` samples (80) of the next frame.
  virtual void FillFrame(int16_t* samples, size_t count) = 0;
};

class AudioSystem {
 public:
  virtual ~AudioSystem() = default;

  // Devices of one kind; ids are 0 .. count-1 in device order.
  virtual int DeviceCount(AudioDirection direction) = 0;
  // The product name (Windows-1252), nothing when it cannot be read.
  virtual std::optional<std::string> DeviceName(AudioDirection direction, int id) = 0;
  // Whether the device (or the default one, id -1) would accept 8 kHz,
  // 16-bit, mono, without opening it.
  virtual bool QueryFormat(AudioDirection direction, int id) = 0;

  // Opens and starts a capture device: recording begins at once.
  virtual uint32_t OpenCapture(int id, std::unique_ptr<AudioCapture>& out) = 0;
  // Opens a playback device. With `source`, the device pulls its frames
  // from it (the source must outlive the device); without, it plays the
  // queued buffers and silence when none is queued.
  virtual uint32_t OpenPlayback(int id, AudioFrameSource* source,
                                std::unique_ptr<AudioPlayback>& out) = 0;
};

// Reads a WAV file (or any format libsndfile reads) as 8 kHz mono samples:
// channels are mixed, other rates resampled. Nothing, with the reason in
// `error`, when it cannot be read. Files longer than `maxSeconds` are cut.
std::optional<std::vector<int16_t>> ReadSoundFile(const std::string& path, std::string& error,
                                                  int maxSeconds = 600);

// The devices of the process, chosen by the text of ZYPHONE_AUDIO:
// - unset or empty: the sound card's devices, then the virtual device (a
//   silent microphone, playback discarded, real-time clock); the sound
//   card's default device is the default;
// - "virtual[:OPTION...]": only the virtual device, which is then the
//   default; options as in ParseVirtualAudioSpec (VirtualAudioDevice.h),
//   e.g. "virtual:capture=in.wav:playback=out.wav";
// - "none": no device at all (every open fails with kAudioErrBadDevice).
// On a text it cannot read it says why in `error` and returns nothing.
std::unique_ptr<AudioSystem> MakeAudioSystem(std::string_view choice, std::string& error);
// MakeAudioSystem with the environment's ZYPHONE_AUDIO; a malformed value
// is reported on standard error and treated as unset.
std::unique_ptr<AudioSystem> MakeProcessAudioSystem();

}  // namespace zy
