#include "platform/VirtualAudioDevice.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace zy {
namespace {

using namespace std::chrono_literals;

// Step never waits longer than this for the reader; a reader that takes it
// is broken, and the test that steps it fails on what it then sees.
constexpr auto kStepGuard = 5s;
constexpr auto kTick = 10ms;
constexpr int kIdleTicksBeforeClockEnds = 100;

int16_t Saturate(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Generators and files

CaptureGenerator SineGenerator(double hz, int16_t peak) {
  const double step = 2.0 * std::acos(-1.0) * hz / kAudioSampleRate;
  return [step, peak, phase = 0.0](int16_t* samples, size_t count) mutable {
    for (size_t i = 0; i < count; ++i) {
      samples[i] = static_cast<int16_t>(std::lround(peak * std::sin(phase)));
      phase += step;
      if (phase > 2.0 * std::acos(-1.0)) phase -= 2.0 * std::acos(-1.0);
    }
  };
}

CaptureGenerator SamplesGenerator(std::vector<int16_t> samples, bool loop) {
  return [data = std::move(samples), loop, pos = size_t{0}](int16_t* out, size_t count) mutable {
    for (size_t i = 0; i < count; ++i) {
      if (pos >= data.size() && loop && !data.empty()) pos = 0;
      out[i] = pos < data.size() ? data[pos++] : int16_t{0};
    }
  };
}

std::optional<VirtualAudioConfig> ParseVirtualAudioSpec(std::string_view text, std::string& error) {
  VirtualAudioConfig config;
  text = Trim(text);
  if (text.starts_with("virtual")) {
    text.remove_prefix(7);
    if (!text.empty() && text.front() != ':') {
      error = "expected ':' after \"virtual\"";
      return std::nullopt;
    }
  }
  while (!text.empty()) {
    if (text.front() == ':') text.remove_prefix(1);
    const size_t end = text.find(':');
    const std::string_view option = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end);
    if (option.empty()) continue;
    const size_t eq = option.find('=');
    const std::string_view key = option.substr(0, eq);
    const std::string_view value =
        eq == std::string_view::npos ? std::string_view{} : option.substr(eq + 1);
    if (key == "loop" && eq == std::string_view::npos) {
      config.loopCapture = true;
    } else if (key == "capture" && !value.empty()) {
      config.captureFile = std::string(value);
    } else if (key == "playback" && !value.empty()) {
      config.playbackFile = std::string(value);
    } else if (key == "name" && !value.empty()) {
      config.name = std::string(value);
    } else if (key == "clock" && (value == "realtime" || value == "stepped")) {
      config.clock = value == "stepped" ? VirtualClock::kStepped : VirtualClock::kRealTime;
    } else if (key == "tone" && !value.empty()) {
      char* endp = nullptr;
      const std::string v(value);
      const double hz = std::strtod(v.c_str(), &endp);
      if (endp == v.c_str() || *endp != '\0' || !(hz > 0 && hz < kAudioSampleRate / 2.0)) {
        error = "tone=" + v + ": a frequency between 0 and 4000 Hz is needed";
        return std::nullopt;
      }
      config.generator = SineGenerator(hz, 8192);
    } else {
      error = "unknown option \"" + std::string(option) + "\"";
      return std::nullopt;
    }
  }
  return config;
}

// ---------------------------------------------------------------------------
// Capture and playback of the virtual device

class VirtualAudioDevice::Capture : public AudioCapture {
 public:
  explicit Capture(VirtualAudioDevice& device) : device_(device) {}
  ~Capture() override { device_.Unregister(this); }

  int Read(int16_t* samples) override {
    std::unique_lock lock(device_.mutex_);
    device_.reader_ = ReaderState::kWaiting;
    device_.stepCv_.notify_all();
    device_.captureCv_.wait(lock, [&] { return count_ > 0 || aborted_ || failed_; });
    if (aborted_ || failed_) {
      device_.reader_ = ReaderState::kGone;
      device_.stepCv_.notify_all();
      return -1;
    }
    std::memcpy(samples, frames_[head_].data(), kAudioFrameSamples * sizeof(int16_t));
    head_ = (head_ + 1) % kCaptureQueueBuffers;
    --count_;
    device_.reader_ = ReaderState::kBusy;
    device_.clockCv_.notify_all();
    return static_cast<int>(kAudioFrameSamples);
  }

  void Abort() override {
    std::lock_guard lock(device_.mutex_);
    aborted_ = true;
    device_.captureCv_.notify_all();
    device_.clockCv_.notify_all();
  }

  uint64_t Overruns() const override { return overruns_.load(); }

  // With the device's mutex held.
  void Deliver(const int16_t* frame) {
    if (failed_) return;
    if (count_ == kCaptureQueueBuffers) {
      overruns_.fetch_add(1);
      return;
    }
    std::memcpy(frames_[(head_ + count_) % kCaptureQueueBuffers].data(), frame,
                kAudioFrameSamples * sizeof(int16_t));
    ++count_;
  }
  void Fail() { failed_ = true; }
  int Waiting() const { return count_; }
  // Four frames wait for a reader that is still reading.
  bool Full() const { return count_ == kCaptureQueueBuffers && !aborted_ && !failed_; }

 private:
  VirtualAudioDevice& device_;
  std::array<std::array<int16_t, kAudioFrameSamples>, kCaptureQueueBuffers> frames_{};
  int head_ = 0;
  int count_ = 0;
  bool aborted_ = false;
  bool failed_ = false;
  std::atomic<uint64_t> overruns_{0};
};

class VirtualAudioDevice::Playback : public AudioPlayback {
 public:
  Playback(VirtualAudioDevice& device, AudioFrameSource* source)
      : device_(device), source_(source) {}
  ~Playback() override { device_.Unregister(this); }

  bool Queue(const int16_t* samples, size_t count) override {
    std::lock_guard lock(device_.mutex_);
    if (count_ == kPlaybackQueueBuffers) return false;
    Buffer& b = buffers_[(head_ + count_) % kPlaybackQueueBuffers];
    b.length = std::min(count, kAudioFrameSamples);
    std::memcpy(b.samples.data(), samples, b.length * sizeof(int16_t));
    ++count_;
    return true;
  }
  uint64_t BuffersFinished() const override { return finished_.load(std::memory_order_acquire); }
  void Reset() override {
    std::lock_guard lock(device_.mutex_);
    finished_.fetch_add(static_cast<uint64_t>(count_), std::memory_order_release);
    count_ = 0;
  }
  uint64_t Underruns() const override { return underruns_.load(); }

  // With the device's mutex held: the frame played in this tick.
  void Play(int16_t* frame) {
    if (source_ != nullptr) {
      source_->FillFrame(frame, kAudioFrameSamples);
      return;
    }
    if (count_ == 0) {
      std::fill_n(frame, kAudioFrameSamples, int16_t{0});
      underruns_.fetch_add(1);
      return;
    }
    const Buffer& b = buffers_[head_];
    std::memcpy(frame, b.samples.data(), b.length * sizeof(int16_t));
    std::fill(frame + b.length, frame + kAudioFrameSamples, int16_t{0});
    head_ = (head_ + 1) % kPlaybackQueueBuffers;
    --count_;
    finished_.fetch_add(1, std::memory_order_release);
  }

 private:
  struct Buffer {
    size_t length = 0;
    std::array<int16_t, kAudioFrameSamples> samples{};
  };
  VirtualAudioDevice& device_;
  AudioFrameSource* source_;
  std::array<Buffer, kPlaybackQueueBuffers> buffers_{};
  int head_ = 0;
  int count_ = 0;
  std::atomic<uint64_t> finished_{0};
  std::atomic<uint64_t> underruns_{0};
};

// ---------------------------------------------------------------------------
// The device

void VirtualAudioDevice::SoundFileCloser::operator()(void* file) const {
  sf_close(static_cast<SNDFILE*>(file));
}

VirtualAudioDevice::VirtualAudioDevice(VirtualAudioConfig config)
    : config_(std::move(config)), acceptsFormat_(config_.acceptsFormat) {
  if (!config_.captureFile.empty()) {
    std::string error;
    if (auto samples = ReadSoundFile(config_.captureFile, error)) {
      captureSamples_ = std::move(*samples);
      haveCaptureFile_ = true;
    } else {
      fileError_ = error;
    }
  }
  if (!config_.playbackFile.empty()) {
    SF_INFO info{};
    info.samplerate = kAudioSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(config_.playbackFile.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
      if (fileError_.empty()) fileError_ = config_.playbackFile + ": " + sf_strerror(nullptr);
    } else {
      // The header follows every write, so the file is whole at any moment.
      sf_command(file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
      playbackFile_.reset(file);
    }
  }
}

VirtualAudioDevice::~VirtualAudioDevice() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    clockCv_.notify_all();
  }
  if (clock_.joinable()) clock_.join();
}

uint32_t VirtualAudioDevice::OpenCapture(std::unique_ptr<AudioCapture>& out) {
  std::lock_guard lock(mutex_);
  if (failCaptureOpen_ != kAudioOk) {
    return std::exchange(failCaptureOpen_, kAudioOk);
  }
  if (!acceptsFormat_) return kAudioErrBadFormat;
  if (!config_.captureFile.empty() && !haveCaptureFile_) return kAudioErrFailed;
  if (capture_ != nullptr) return kAudioErrBusy;
  auto capture = std::make_unique<Capture>(*this);
  capture_ = capture.get();
  reader_ = ReaderState::kNone;
  capturePosition_ = 0;
  captureOpenedAt_ = ticks_;
  ++captureOpens_;
  EnsureClock();
  out = std::move(capture);
  return kAudioOk;
}

uint32_t VirtualAudioDevice::OpenPlayback(AudioFrameSource* source,
                                          std::unique_ptr<AudioPlayback>& out) {
  std::lock_guard lock(mutex_);
  if (failPlaybackOpen_ != kAudioOk) {
    return std::exchange(failPlaybackOpen_, kAudioOk);
  }
  if (!acceptsFormat_) return kAudioErrBadFormat;
  if (!config_.playbackFile.empty() && !playbackFile_) return kAudioErrFailed;
  auto slot = std::find(playbacks_.begin(), playbacks_.end(), nullptr);
  if (slot == playbacks_.end()) return kAudioErrBusy;
  auto playback = std::make_unique<Playback>(*this, source);
  *slot = playback.get();
  playbackOpenedAt_ = ticks_;
  ++playbackOpens_;
  EnsureClock();
  out = std::move(playback);
  return kAudioOk;
}

void VirtualAudioDevice::Unregister(Capture* capture) {
  std::lock_guard lock(mutex_);
  if (capture_ == capture) {
    capture_ = nullptr;
    reader_ = ReaderState::kNone;
  }
  stepCv_.notify_all();
  clockCv_.notify_all();
}

void VirtualAudioDevice::Unregister(Playback* playback) {
  std::lock_guard lock(mutex_);
  for (auto& p : playbacks_) {
    if (p == playback) p = nullptr;
  }
}

void VirtualAudioDevice::ProduceCaptureFrame(int16_t* frame) {
  if (haveCaptureFile_) {
    for (size_t i = 0; i < kAudioFrameSamples; ++i) {
      if (capturePosition_ >= captureSamples_.size() && config_.loopCapture) capturePosition_ = 0;
      frame[i] =
          capturePosition_ < captureSamples_.size() ? captureSamples_[capturePosition_++] : 0;
    }
  } else if (config_.generator) {
    config_.generator(frame, kAudioFrameSamples);
  } else {
    std::fill_n(frame, kAudioFrameSamples, int16_t{0});
  }
}

void VirtualAudioDevice::Tick() {
  ++ticks_;
  bool playing = false;
  std::array<int32_t, kAudioFrameSamples> mix{};
  for (Playback* p : playbacks_) {
    if (p == nullptr) continue;
    playing = true;
    std::array<int16_t, kAudioFrameSamples> frame;
    p->Play(frame.data());
    for (size_t i = 0; i < kAudioFrameSamples; ++i) mix[i] += frame[i];
  }
  if (playing) {
    std::array<int16_t, kAudioFrameSamples> out;
    for (size_t i = 0; i < kAudioFrameSamples; ++i) out[i] = Saturate(mix[i]);
    if (config_.keepRecording) recording_.insert(recording_.end(), out.begin(), out.end());
    if (playbackFile_) {
      sf_write_short(static_cast<SNDFILE*>(playbackFile_.get()), out.data(),
                     static_cast<sf_count_t>(out.size()));
    }
  }
  if (capture_ != nullptr) {
    if (captureFailsAfter_) {
      if (*captureFailsAfter_ == 0) {
        capture_->Fail();
        captureFailsAfter_.reset();
      } else {
        --*captureFailsAfter_;
      }
    }
    std::array<int16_t, kAudioFrameSamples> frame;
    ProduceCaptureFrame(frame.data());
    capture_->Deliver(frame.data());
    captureCv_.notify_all();
  }
}

bool VirtualAudioDevice::ReaderSettled() const {
  if (capture_ == nullptr || reader_ == ReaderState::kGone) return true;
  return reader_ == ReaderState::kWaiting && capture_->Waiting() == 0;
}

void VirtualAudioDevice::Step(int ticks) {
  std::unique_lock lock(mutex_);
  for (int i = 0; i < ticks; ++i) {
    stepCv_.wait_for(lock, kStepGuard, [&] {
      return capture_ == nullptr || reader_ == ReaderState::kWaiting ||
             reader_ == ReaderState::kGone;
    });
    Tick();
    stepCv_.wait_for(lock, kStepGuard, [&] { return ReaderSettled(); });
  }
}

void VirtualAudioDevice::Advance(int ticks) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < ticks; ++i) Tick();
}

uint64_t VirtualAudioDevice::Ticks() const {
  std::lock_guard lock(mutex_);
  return ticks_;
}

std::vector<int16_t> VirtualAudioDevice::Recording() const {
  std::lock_guard lock(mutex_);
  return recording_;
}

void VirtualAudioDevice::ClearRecording() {
  std::lock_guard lock(mutex_);
  recording_.clear();
}

uint64_t VirtualAudioDevice::CaptureOpenedAtTick() const {
  std::lock_guard lock(mutex_);
  return captureOpenedAt_;
}

uint64_t VirtualAudioDevice::PlaybackOpenedAtTick() const {
  std::lock_guard lock(mutex_);
  return playbackOpenedAt_;
}

int VirtualAudioDevice::OpenCaptures() const {
  std::lock_guard lock(mutex_);
  return capture_ != nullptr ? 1 : 0;
}

int VirtualAudioDevice::OpenPlaybacks() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(playbacks_.begin(), playbacks_.end(),
                                        [](const Playback* p) { return p != nullptr; }));
}

int VirtualAudioDevice::CaptureOpens() const {
  std::lock_guard lock(mutex_);
  return captureOpens_;
}

int VirtualAudioDevice::PlaybackOpens() const {
  std::lock_guard lock(mutex_);
  return playbackOpens_;
}

void VirtualAudioDevice::FailNextOpen(AudioDirection direction, uint32_t code) {
  std::lock_guard lock(mutex_);
  (direction == AudioDirection::kCapture ? failCaptureOpen_ : failPlaybackOpen_) = code;
}

void VirtualAudioDevice::FailCaptureAfter(uint64_t frames) {
  std::lock_guard lock(mutex_);
  captureFailsAfter_ = frames;
}

void VirtualAudioDevice::EnsureClock() {
  if (config_.clock != VirtualClock::kRealTime || clockRunning_) return;
  // A clock that ended for lack of devices has left the mutex for good.
  if (clock_.joinable()) clock_.join();
  clockRunning_ = true;
  clock_ = std::thread([this] { ClockLoop(); });
}

void VirtualAudioDevice::ClockLoop() {
  std::unique_lock lock(mutex_);
  auto next = std::chrono::steady_clock::now();
  int idle = 0;
  while (!quit_) {
    next += kTick;
    clockCv_.wait_until(lock, next, [&] { return quit_; });
    if (quit_) break;
    const bool open =
        capture_ != nullptr || std::any_of(playbacks_.begin(), playbacks_.end(),
                                           [](const Playback* p) { return p != nullptr; });
    if (!open) {
      if (++idle >= kIdleTicksBeforeClockEnds) break;
      continue;
    }
    idle = 0;
    // A reader four frames behind holds the clock rather than lose frames.
    clockCv_.wait(lock, [&] { return quit_ || capture_ == nullptr || !capture_->Full(); });
    if (quit_) break;
    Tick();
    // After a stall (a loaded machine, a held clock) the clock goes on from
    // now rather than catching up in a burst.
    const auto now = std::chrono::steady_clock::now();
    if (now - next > kTick) next = now;
  }
  clockRunning_ = false;
}

// ---------------------------------------------------------------------------
// A system of virtual devices

VirtualAudioDevice& VirtualAudioSystem::AddDevice(VirtualAudioConfig config) {
  devices_.push_back(std::make_unique<VirtualAudioDevice>(std::move(config)));
  nameUnreadable_.push_back(false);
  return *devices_.back();
}

VirtualAudioDevice* VirtualAudioSystem::Find(int id) {
  if (id == kDefaultAudioDevice) id = 0;
  if (id < 0 || static_cast<size_t>(id) >= devices_.size()) return nullptr;
  return devices_[static_cast<size_t>(id)].get();
}

int VirtualAudioSystem::DeviceCount(AudioDirection) { return static_cast<int>(devices_.size()); }

std::optional<std::string> VirtualAudioSystem::DeviceName(AudioDirection, int id) {
  if (id < 0 || static_cast<size_t>(id) >= devices_.size() ||
      nameUnreadable_[static_cast<size_t>(id)]) {
    return std::nullopt;
  }
  return devices_[static_cast<size_t>(id)]->Name();
}

bool VirtualAudioSystem::QueryFormat(AudioDirection, int id) {
  VirtualAudioDevice* d = Find(id);
  return d != nullptr && d->AcceptsFormat();
}

uint32_t VirtualAudioSystem::OpenCapture(int id, std::unique_ptr<AudioCapture>& out) {
  VirtualAudioDevice* d = Find(id);
  return d != nullptr ? d->OpenCapture(out) : kAudioErrBadDevice;
}

uint32_t VirtualAudioSystem::OpenPlayback(int id, AudioFrameSource* source,
                                          std::unique_ptr<AudioPlayback>& out) {
  VirtualAudioDevice* d = Find(id);
  return d != nullptr ? d->OpenPlayback(source, out) : kAudioErrBadDevice;
}

void VirtualAudioSystem::SetNameUnreadable(int id, bool unreadable) {
  nameUnreadable_.at(static_cast<size_t>(id)) = unreadable;
}

}  // namespace zy
