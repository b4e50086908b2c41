#include "platform/PortAudioDevice.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <semaphore>

#include "platform/Cp1252.h"

namespace zy {
namespace {

// A capture device that delivers nothing for this long has failed.
constexpr auto kCaptureSilenceLimit = std::chrono::seconds(2);

// Keeps standard error quiet while PortAudio probes the sound libraries,
// which print a line for every device they cannot find.
class QuietStandardError {
 public:
  QuietStandardError() {
    if (std::getenv("ZYPHONE_AUDIO_DEBUG") != nullptr) return;
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ < 0 || null < 0) {
      if (null >= 0) ::close(null);
      Restore();
      return;
    }
    ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
  ~QuietStandardError() { Restore(); }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  void Restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  int saved_ = -1;
};

// PortAudio's probing is not safe to run from two threads at once.
std::mutex& PaMutex() {
  static std::mutex m;
  return m;
}

uint32_t ErrorCode(PaError e) {
  switch (e) {
    case paNoError:
      return kAudioOk;
    case paInvalidDevice:
    case paDeviceUnavailable:
      return e == paInvalidDevice ? kAudioErrBadDevice : kAudioErrBusy;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
      return kAudioErrBadFormat;
    case paNotInitialized:
      return kAudioErrNoDriver;
    default:
      return kAudioErrFailed;
  }
}

PaStreamParameters Parameters(int paIndex, bool input) {
  PaStreamParameters p{};
  p.device = paIndex;
  p.channelCount = 1;
  p.sampleFormat = paInt16;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(paIndex);
  p.suggestedLatency = info != nullptr
                           ? (input ? info->defaultLowInputLatency : info->defaultLowOutputLatency)
                           : 0.05;
  p.hostApiSpecificStreamInfo = nullptr;
  return p;
}

struct StreamCloser {
  void operator()(PaStream* s) const {
    Pa_AbortStream(s);
    Pa_CloseStream(s);
  }
};
using StreamHandle = std::unique_ptr<PaStream, StreamCloser>;

// Opens a 10 ms mono stream in one direction and starts it; `stream` holds
// it only when both steps worked.
uint32_t OpenStream(StreamHandle& stream, const PaStreamParameters* in,
                    const PaStreamParameters* out, PaStreamCallback* callback, void* user) {
  PaStream* s = nullptr;
  PaError e;
  {
    std::lock_guard lock(PaMutex());
    QuietStandardError quiet;
    e = Pa_OpenStream(&s, in, out, kAudioSampleRate, kAudioFrameSamples, paClipOff, callback, user);
  }
  if (e != paNoError) return ErrorCode(e);
  stream.reset(s);
  e = Pa_StartStream(s);
  if (e != paNoError) {
    stream.reset();
    return ErrorCode(e);
  }
  return kAudioOk;
}

class PaCapture : public AudioCapture {
 public:
  int Read(int16_t* samples) override {
    if (aborted_.load(std::memory_order_acquire)) return -1;
    if (!ready_.try_acquire_for(kCaptureSilenceLimit)) return -1;
    if (aborted_.load(std::memory_order_acquire)) return -1;
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    std::memcpy(samples, frames_[tail % kCaptureQueueBuffers].data(),
                kAudioFrameSamples * sizeof(int16_t));
    tail_.store(tail + 1, std::memory_order_release);
    return static_cast<int>(kAudioFrameSamples);
  }
  void Abort() override {
    if (!aborted_.exchange(true)) ready_.release();
  }
  uint64_t Overruns() const override { return overruns_.load(); }

  uint32_t Start(int paIndex) {
    const PaStreamParameters in = Parameters(paIndex, true);
    return OpenStream(stream_, &in, nullptr, &PaCapture::Callback, this);
  }
  ~PaCapture() override { stream_.reset(); }

 private:
  static int Callback(const void* input, void*, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
    auto* self = static_cast<PaCapture*>(user);
    self->Deliver(static_cast<const int16_t*>(input), frames);
    return paContinue;
  }
  void Deliver(const int16_t* input, unsigned long frames) {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kCaptureQueueBuffers) {
      overruns_.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    auto& f = frames_[head % kCaptureQueueBuffers];
    const size_t n = std::min<size_t>(frames, kAudioFrameSamples);
    if (input != nullptr) {
      std::memcpy(f.data(), input, n * sizeof(int16_t));
    } else {
      std::fill_n(f.data(), n, int16_t{0});
    }
    std::fill(f.begin() + static_cast<std::ptrdiff_t>(n), f.end(), int16_t{0});
    head_.store(head + 1, std::memory_order_release);
    ready_.release();
  }

  std::array<std::array<int16_t, kAudioFrameSamples>, kCaptureQueueBuffers> frames_{};
  std::atomic<uint32_t> head_{0};  // written by the callback
  std::atomic<uint32_t> tail_{0};  // written by the reader
  std::counting_semaphore<kCaptureQueueBuffers + 1> ready_{0};
  std::atomic<bool> aborted_{false};
  std::atomic<uint64_t> overruns_{0};
  StreamHandle stream_;
};

class PaPlayback : public AudioPlayback {
 public:
  explicit PaPlayback(AudioFrameSource* source) : source_(source) {}
  ~PaPlayback() override { stream_.reset(); }

  bool Queue(const int16_t* samples, size_t count) override {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kPlaybackQueueBuffers) return false;
    Buffer& b = buffers_[head % kPlaybackQueueBuffers];
    b.length = std::min(count, kAudioFrameSamples);
    std::memcpy(b.samples.data(), samples, b.length * sizeof(int16_t));
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  uint64_t BuffersFinished() const override { return finished_.load(std::memory_order_acquire); }
  void Reset() override {
    // The stream is stopped first, so the callback no longer runs.
    if (stream_) Pa_AbortStream(stream_.get());
    const uint32_t head = head_.load(std::memory_order_acquire);
    const uint32_t tail = tail_.load(std::memory_order_acquire);
    finished_.fetch_add(head - tail, std::memory_order_release);
    tail_.store(head, std::memory_order_release);
  }
  uint64_t Underruns() const override { return underruns_.load(); }

  uint32_t Start(int paIndex) {
    const PaStreamParameters out = Parameters(paIndex, false);
    return OpenStream(stream_, nullptr, &out, &PaPlayback::Callback, this);
  }

 private:
  struct Buffer {
    size_t length = 0;
    std::array<int16_t, kAudioFrameSamples> samples{};
  };
  static int Callback(const void*, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
    static_cast<PaPlayback*>(user)->Play(static_cast<int16_t*>(output), frames);
    return paContinue;
  }
  void Play(int16_t* out, unsigned long frames) {
    const size_t n = std::min<size_t>(frames, kAudioFrameSamples);
    std::fill_n(out, frames, int16_t{0});
    if (source_ != nullptr) {
      source_->FillFrame(out, n);
      return;
    }
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (head_.load(std::memory_order_acquire) == tail) {
      underruns_.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    const Buffer& b = buffers_[tail % kPlaybackQueueBuffers];
    std::memcpy(out, b.samples.data(), std::min(n, b.length) * sizeof(int16_t));
    tail_.store(tail + 1, std::memory_order_release);
    finished_.fetch_add(1, std::memory_order_release);
  }

  AudioFrameSource* source_;
  std::array<Buffer, kPlaybackQueueBuffers> buffers_{};
  std::atomic<uint32_t> head_{0};  // written by the producer
  std::atomic<uint32_t> tail_{0};  // written by the callback
  std::atomic<uint64_t> finished_{0};
  std::atomic<uint64_t> underruns_{0};
  StreamHandle stream_;
};

}  // namespace

PortAudioSystem::PortAudioSystem() {
  std::lock_guard lock(PaMutex());
  QuietStandardError quiet;
  const PaError e = Pa_Initialize();
  if (e == paNoError) {
    initialised_ = true;
  } else {
    initError_ = Pa_GetErrorText(e);
  }
}

PortAudioSystem::~PortAudioSystem() {
  if (!initialised_) return;
  std::lock_guard lock(PaMutex());
  Pa_Terminate();
}

std::vector<int> PortAudioSystem::Devices(AudioDirection direction) const {
  std::vector<int> out;
  if (!initialised_) return out;
  const int n = Pa_GetDeviceCount();
  for (int i = 0; i < n; ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (info == nullptr) continue;
    const int channels =
        direction == AudioDirection::kCapture ? info->maxInputChannels : info->maxOutputChannels;
    if (channels > 0) out.push_back(i);
  }
  return out;
}

int PortAudioSystem::PaIndex(AudioDirection direction, int id) const {
  if (!initialised_) return -1;
  if (id == kDefaultAudioDevice) {
    const PaDeviceIndex d = direction == AudioDirection::kCapture ? Pa_GetDefaultInputDevice()
                                                                  : Pa_GetDefaultOutputDevice();
    return d == paNoDevice ? -1 : d;
  }
  const std::vector<int> devices = Devices(direction);
  if (id < 0 || static_cast<size_t>(id) >= devices.size()) return -1;
  return devices[static_cast<size_t>(id)];
}

int PortAudioSystem::DeviceCount(AudioDirection direction) {
  return static_cast<int>(Devices(direction).size());
}

std::optional<std::string> PortAudioSystem::DeviceName(AudioDirection direction, int id) {
  if (id < 0) return std::nullopt;
  const int pa = PaIndex(direction, id);
  if (pa < 0) return std::nullopt;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(pa);
  if (info == nullptr || info->name == nullptr) return std::nullopt;
  return Utf8ToCp1252(info->name);
}

bool PortAudioSystem::QueryFormat(AudioDirection direction, int id) {
  const int pa = PaIndex(direction, id);
  if (pa < 0) return false;
  const PaStreamParameters p = Parameters(pa, direction == AudioDirection::kCapture);
  std::lock_guard lock(PaMutex());
  QuietStandardError quiet;
  const PaError e = direction == AudioDirection::kCapture
                        ? Pa_IsFormatSupported(&p, nullptr, kAudioSampleRate)
                        : Pa_IsFormatSupported(nullptr, &p, kAudioSampleRate);
  return e == paFormatIsSupported;
}

uint32_t PortAudioSystem::OpenCapture(int id, std::unique_ptr<AudioCapture>& out) {
  if (!initialised_) return kAudioErrNoDriver;
  const int pa = PaIndex(AudioDirection::kCapture, id);
  if (pa < 0) return kAudioErrBadDevice;
  auto capture = std::make_unique<PaCapture>();
  const uint32_t r = capture->Start(pa);
  if (r != kAudioOk) return r;
  out = std::move(capture);
  return kAudioOk;
}

uint32_t PortAudioSystem::OpenPlayback(int id, AudioFrameSource* source,
                                       std::unique_ptr<AudioPlayback>& out) {
  if (!initialised_) return kAudioErrNoDriver;
  const int pa = PaIndex(AudioDirection::kPlayback, id);
  if (pa < 0) return kAudioErrBadDevice;
  auto playback = std::make_unique<PaPlayback>(source);
  const uint32_t r = playback->Start(pa);
  if (r != kAudioOk) return r;
  out = std::move(playback);
  return kAudioOk;
}

}  // namespace zy
