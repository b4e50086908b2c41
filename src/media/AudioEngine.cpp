#include "media/AudioEngine.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

namespace zy {
namespace {

// One step above normal: a nice value one lower than the process's. Only
// the worker's own thread is changed; without the right to do so the
// worker runs at normal priority.
void RaiseWorkerPriority() {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, tid);
  if (nice == -1 && errno != 0) return;
  ::setpriority(PRIO_PROCESS, tid, nice - 1);
}

uint64_t ThreadCpuNs() {
  timespec ts{};
  if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace

AudioEngine::AudioEngine(AudioSystem& devices, MediaPath& media)
    : devices_(devices), media_(media) {}

AudioEngine::~AudioEngine() { StopAudio(); }

void AudioEngine::SetDevices(int captureDevice, int playbackDevice) {
  captureDevice_ = captureDevice;
  playbackDevice_ = playbackDevice;
}

bool AudioEngine::QueryAudioOutput(int device) {
  return devices_.QueryFormat(AudioDirection::kPlayback, device);
}

uint32_t AudioEngine::StartAudio(uint16_t mode) {
  const uint16_t current = Mode();
  if (mode == current) return kAudioOk;
  if (mode == kAudioIdle) {
    StopAudio();
    return kAudioOk;
  }
  // The cadence starts again when the engine leaves idle or a tone; from
  // voice it goes on where the last tone left it. The worker carries the
  // reset out before its next tone frame.
  if (current != kAudioVoice) media_.Tones().RequestCadenceReset();
  if (running_) {
    mode_.store(mode, std::memory_order_release);
    return kAudioOk;
  }

  uint32_t r = devices_.OpenPlayback(playbackDevice_, nullptr, playback_);
  if (r != kAudioOk) {
    playback_.reset();
    return r;
  }
  // 80 ms of silence before anything else.
  playIndex_ = 0;
  const std::array<int16_t, kAudioFrameSamples> silence{};
  for (int i = 0; i < kPlaybackQueueBuffers; ++i) {
    if (!playback_->Queue(silence.data(), silence.size())) {
      CloseDevices();
      return kAudioErrFailed;
    }
    ++playIndex_;
  }
  r = devices_.OpenCapture(captureDevice_, capture_);
  if (r != kAudioOk) {
    CloseDevices();
    return r;
  }

  stopping_.store(false);
  txMute_.store(false);
  cycles_.store(0);
  cpuNs_.store(0);
  mode_.store(mode, std::memory_order_release);
  workerDone_.store(false);
  try {
    worker_ = std::thread([this] { Worker(); });
  } catch (const std::system_error&) {
    workerDone_.store(true);
    mode_.store(kAudioIdle, std::memory_order_release);
    CloseDevices();
    return kAudioErrNoThread;
  }
  running_ = true;
  return kAudioOk;
}

void AudioEngine::StopAudio() {
  if (!running_) return;
  stopping_.store(true);
  // The worker waits only on the capture device: aborting it ends the wait.
  capture_->Abort();
  {
    std::unique_lock lock(doneMutex_);
    doneCv_.wait_for(lock, stopTimeout_, [&] { return workerDone_.load(); });
  }
  CloseDevices();
  mode_.store(kAudioIdle, std::memory_order_release);
}

void AudioEngine::CloseDevices() {
  // Closed in this order even when the worker is late: the capture cannot
  // deliver anything more, and the playback hands back every buffer.
  if (capture_) capture_->Abort();
  if (playback_) playback_->Reset();
  // Aborted, the capture device lets the worker out at once, and its cycle
  // never blocks, so this join is short.
  if (worker_.joinable()) worker_.join();
  capture_.reset();
  playback_.reset();
  running_ = false;
}

AudioEngine::Stats AudioEngine::RunStats() const {
  return Stats{cycles_.load(std::memory_order_relaxed), cpuNs_.load(std::memory_order_relaxed)};
}

void AudioEngine::Worker() {
  RaiseWorkerPriority();
  const uint64_t cpuStart = ThreadCpuNs();
  for (;;) {
    const int n = capture_->Read(captured_.data());
    if (n < 0 || stopping_.load(std::memory_order_acquire)) break;
    const uint16_t mode = mode_.load(std::memory_order_acquire);
    if (mode == kAudioVoice) {
      VoiceCycle(static_cast<size_t>(n));
    } else if (mode != kAudioIdle) {
      ToneCycle(mode);
    }
    cycles_.fetch_add(1, std::memory_order_relaxed);
    cpuNs_.store(ThreadCpuNs() - cpuStart, std::memory_order_relaxed);
  }
  {
    std::lock_guard lock(doneMutex_);
    workerDone_.store(true);
  }
  doneCv_.notify_all();
}

void AudioEngine::ToneCycle(uint16_t mode) {
  ToneGenerator& tones = media_.Tones();
  while (playIndex_ < playback_->BuffersFinished() + kPlaybackQueueBuffers) {
    tones.AdvanceCadence();
    for (int16_t& s : played_) s = tones.NextToneSample(mode);
    if (!playback_->Queue(played_.data(), played_.size())) break;
    ++playIndex_;
  }
}

void AudioEngine::VoiceCycle(size_t captured) {
  auto cycle = media_.TryVoiceCycle();
  if (!cycle) return;
  cycle->DtmfStep();
  const bool mute = txMute_.load(std::memory_order_relaxed);
  const bool echo = echoCanc_.load(std::memory_order_relaxed);
  while (playIndex_ < playback_->BuffersFinished() + kPlaybackQueueBuffers) {
    cycle->RtpReceiveAll();
    const bool decoded = cycle->ReceiveAndDecode(played_.data());
    if (decoded && !mute && echo) {
      cycle->EchoSuppressor(played_.data(), captured_.data(), captured);
    }
    if (!playback_->Queue(played_.data(), played_.size())) break;
    ++playIndex_;
  }
  if (!mute) cycle->EncodeAndSend(captured_.data(), captured);
}

}  // namespace zy
