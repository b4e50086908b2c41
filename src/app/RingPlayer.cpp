#include "app/RingPlayer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>

namespace zy {
namespace {

using namespace std::chrono_literals;

// How often the reaper looks whether a beep has ended.
constexpr auto kReaperPoll = 20ms;

constexpr double kPi = 3.14159265358979323846;

size_t Samples(double seconds) { return static_cast<size_t>(seconds * kAudioSampleRate); }

// Sounds are written as bursts and pauses. A burst alternates between two
// frequencies every `switchSeconds` (the warble of a ringer; the same
// frequency twice gives a plain tone) and fades in and out over 5 ms so
// that it does not click.
class SoundWriter {
 public:
  explicit SoundWriter(int16_t peak) : peak_(peak) {}

  SoundWriter& Burst(double seconds, double f1, double f2 = 0, double switchSeconds = 0.05) {
    const size_t n = Samples(seconds);
    const size_t fade = std::min(Samples(0.005), n / 2);
    const size_t period = std::max<size_t>(1, Samples(switchSeconds));
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
      const double f = (f2 > 0 && (i / period) % 2 == 1) ? f2 : f1;
      phase += 2 * kPi * f / kAudioSampleRate;
      double gain = 1.0;
      if (i < fade) gain = 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / fade);
      if (n - 1 - i < fade) {
        gain = std::min(gain, 0.5 - 0.5 * std::cos(kPi * static_cast<double>(n - 1 - i) / fade));
      }
      samples_.push_back(static_cast<int16_t>(std::lround(peak_ * gain * std::sin(phase))));
    }
    return *this;
  }
  SoundWriter& Pause(double seconds) {
    samples_.insert(samples_.end(), Samples(seconds), int16_t{0});
    return *this;
  }
  std::vector<int16_t> Take() { return std::move(samples_); }

 private:
  int16_t peak_;
  std::vector<int16_t> samples_;
};

}  // namespace

// The sound the device pulls: a fixed block of samples, played once or in
// a loop. Nothing in it changes while the device plays it except the
// position.
class RingPlayer::Source : public AudioFrameSource {
 public:
  Source(std::vector<int16_t> samples, bool loop) : samples_(std::move(samples)), loop_(loop) {}

  void FillFrame(int16_t* out, size_t count) override {
    size_t pos = position_.load(std::memory_order_relaxed);
    for (size_t i = 0; i < count; ++i) {
      if (pos >= samples_.size() && loop_ && !samples_.empty()) pos = 0;
      out[i] = pos < samples_.size() ? samples_[pos++] : int16_t{0};
    }
    position_.store(pos, std::memory_order_relaxed);
    if (!loop_ && pos >= samples_.size()) finished_.store(true, std::memory_order_release);
  }
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  bool Loops() const { return loop_; }

 private:
  const std::vector<int16_t> samples_;
  const bool loop_;
  std::atomic<size_t> position_{0};
  std::atomic<bool> finished_{false};
};

RingPlayer::RingPlayer(AudioSystem& devices, std::string dataFolder)
    : devices_(devices), dataFolder_(std::move(dataFolder)) {
  reaper_ = std::thread([this] { ReaperLoop(); });
}

RingPlayer::~RingPlayer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    CloseLocked();
  }
  cv_.notify_all();
  reaper_.join();
}

void RingPlayer::SetVolumeLevel(int level) { level_ = (level >= 0 && level <= 2) ? level : 2; }

std::string_view RingPlayer::FileName(RingSound sound) {
  switch (sound) {
    case RingSound::Trunk:
      return "ringtk.wav";
    case RingSound::Extension:
      return "ringext.wav";
    case RingSound::Hold:
      return "ringhold.wav";
    case RingSound::Booking:
      return "ringbook.wav";
    case RingSound::Beep:
      break;
  }
  return "beep.wav";
}

bool RingPlayer::Loops(RingSound sound) { return sound != RingSound::Beep; }

std::vector<int16_t> RingPlayer::BuiltInSound(RingSound sound, int level) {
  SoundWriter w(kLevelPeaks[(level >= 0 && level <= 2) ? level : 2]);
  switch (sound) {
    case RingSound::Trunk:  // one long ring, the cadence of an outside call
      return w.Burst(1.0, 1000, 1250).Pause(4.0).Take();
    case RingSound::Extension:  // two short rings
      return w.Burst(0.4, 1000, 1250).Pause(0.2).Burst(0.4, 1000, 1250).Pause(4.0).Take();
    case RingSound::Hold:  // two soft pips, a reminder
      return w.Burst(0.15, 700).Pause(0.15).Burst(0.15, 700).Pause(3.0).Take();
    case RingSound::Booking:  // three rising notes
      return w.Burst(0.15, 660).Burst(0.15, 880).Burst(0.15, 1100).Pause(3.0).Take();
    case RingSound::Beep:
      break;
  }
  return w.Burst(0.2, 1000).Take();
}

bool RingPlayer::Play(RingSound sound) {
  // A file of the role's name wins; it is read at every start, as it may
  // have been put there or changed meanwhile.
  std::string error;
  auto samples = ReadSoundFile(dataFolder_ + "/" + std::string(FileName(sound)), error);
  const bool fromFile = samples.has_value();
  if (!fromFile) samples = BuiltInSound(sound, level_);
  // A sound played once ends with a little silence, so that its last
  // samples have left the device's own buffers when it is closed.
  if (!Loops(sound)) samples->insert(samples->end(), kAudioSampleRate / 10, int16_t{0});
  auto source = std::make_unique<Source>(std::move(*samples), Loops(sound));

  std::lock_guard lock(mutex_);
  CloseLocked();
  lastFromFile_ = fromFile;
  std::unique_ptr<AudioPlayback> playback;
  if (devices_.OpenPlayback(device_, source.get(), playback) != kAudioOk) return false;
  source_ = std::move(source);
  playback_ = std::move(playback);
  cv_.notify_all();
  return true;
}

void RingPlayer::Stop() {
  std::lock_guard lock(mutex_);
  CloseLocked();
}

bool RingPlayer::IsPlaying() const {
  std::lock_guard lock(mutex_);
  return playback_ != nullptr && !source_->Finished();
}

void RingPlayer::CloseLocked() {
  playback_.reset();  // the device stops pulling before its source goes
  source_.reset();
}

void RingPlayer::ReaperLoop() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    // Sleeps until a sound that ends by itself is playing.
    cv_.wait(lock, [&] { return quit_ || (source_ && !source_->Loops()); });
    if (quit_) break;
    if (source_->Finished()) {
      CloseLocked();
      continue;
    }
    cv_.wait_for(lock, kReaperPoll);
  }
}

}  // namespace zy
