#include "platform/AudioDevice.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/PortAudioDevice.h"
#include "platform/VirtualAudioDevice.h"

namespace zy {
namespace {

// Several systems in a row: the ids of each kind run through the first
// system's devices, then the next one's. The default device is the default
// of one chosen system.
class CombinedAudioSystem : public AudioSystem {
 public:
  CombinedAudioSystem(std::vector<std::unique_ptr<AudioSystem>> parts, size_t defaultPart)
      : parts_(std::move(parts)), defaultPart_(defaultPart) {}

  int DeviceCount(AudioDirection direction) override {
    int n = 0;
    for (auto& p : parts_) n += p->DeviceCount(direction);
    return n;
  }
  std::optional<std::string> DeviceName(AudioDirection direction, int id) override {
    int local = id;
    AudioSystem* part = Locate(direction, local);
    return part != nullptr && local >= 0 ? part->DeviceName(direction, local) : std::nullopt;
  }
  bool QueryFormat(AudioDirection direction, int id) override {
    int local = id;
    AudioSystem* part = Locate(direction, local);
    return part != nullptr && part->QueryFormat(direction, local);
  }
  uint32_t OpenCapture(int id, std::unique_ptr<AudioCapture>& out) override {
    int local = id;
    AudioSystem* part = Locate(AudioDirection::kCapture, local);
    return part != nullptr ? part->OpenCapture(local, out) : kAudioErrBadDevice;
  }
  uint32_t OpenPlayback(int id, AudioFrameSource* source,
                        std::unique_ptr<AudioPlayback>& out) override {
    int local = id;
    AudioSystem* part = Locate(AudioDirection::kPlayback, local);
    return part != nullptr ? part->OpenPlayback(local, source, out) : kAudioErrBadDevice;
  }

 private:
  // The system holding device `id`, with `id` made its own.
  AudioSystem* Locate(AudioDirection direction, int& id) {
    if (id == kDefaultAudioDevice) {
      return defaultPart_ < parts_.size() ? parts_[defaultPart_].get() : nullptr;
    }
    if (id < 0) return nullptr;
    for (auto& p : parts_) {
      const int n = p->DeviceCount(direction);
      if (id < n) return p.get();
      id -= n;
    }
    return nullptr;
  }

  std::vector<std::unique_ptr<AudioSystem>> parts_;
  size_t defaultPart_;
};

int16_t Saturate(double v) {
  return static_cast<int16_t>(std::clamp(std::lround(v), long{INT16_MIN}, long{INT16_MAX}));
}

}  // namespace

std::string_view AudioErrorText(uint32_t code) {
  switch (code) {
    case kAudioOk:
      return "no error";
    case kAudioErrBadDevice:
      return "no such audio device";
    case kAudioErrBusy:
      return "the audio device is in use";
    case kAudioErrNoDriver:
      return "no sound system";
    case kAudioErrBadFormat:
      return "the audio device refuses 8 kHz 16-bit mono";
    case kAudioErrNoThread:
      return "the audio thread could not start";
    default:
      return "the audio device failed";
  }
}

std::optional<std::vector<int16_t>> ReadSoundFile(const std::string& path, std::string& error,
                                                  int maxSeconds) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = path + ": " + sf_strerror(nullptr);
    return std::nullopt;
  }
  if (info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file);
    error = path + ": no sound in the file";
    return std::nullopt;
  }
  const sf_count_t maxFrames = static_cast<sf_count_t>(info.samplerate) * maxSeconds;
  const sf_count_t wanted = std::min<sf_count_t>(info.frames, maxFrames);
  std::vector<double> mono;
  mono.reserve(static_cast<size_t>(std::max<sf_count_t>(wanted, 0)));
  std::vector<short> chunk(4096 * static_cast<size_t>(info.channels));
  while (static_cast<sf_count_t>(mono.size()) < wanted) {
    const sf_count_t want =
        std::min<sf_count_t>(4096, wanted - static_cast<sf_count_t>(mono.size()));
    const sf_count_t got = sf_readf_short(file, chunk.data(), want);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f) {
      double sum = 0;
      for (int c = 0; c < info.channels; ++c) {
        sum += chunk[static_cast<size_t>(f * info.channels + c)];
      }
      mono.push_back(sum / info.channels);
    }
  }
  sf_close(file);

  std::vector<int16_t> out;
  if (info.samplerate == kAudioSampleRate) {
    out.reserve(mono.size());
    for (double v : mono) out.push_back(Saturate(v));
    return out;
  }
  // Other rates: each output sample averages the input over its own span
  // when the file is faster than 8 kHz, and interpolates when it is slower.
  const double ratio = static_cast<double>(info.samplerate) / kAudioSampleRate;
  const size_t n = static_cast<size_t>(static_cast<double>(mono.size()) / ratio);
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const double start = static_cast<double>(i) * ratio;
    double v = 0;
    if (ratio > 1.0) {
      const size_t a = static_cast<size_t>(start);
      const size_t b = std::min(mono.size(), std::max(a + 1, static_cast<size_t>(start + ratio)));
      for (size_t k = a; k < b; ++k) v += mono[k];
      v /= static_cast<double>(b - a);
    } else {
      const size_t a = static_cast<size_t>(start);
      const double frac = start - static_cast<double>(a);
      const double x0 = mono[a];
      const double x1 = a + 1 < mono.size() ? mono[a + 1] : x0;
      v = x0 + (x1 - x0) * frac;
    }
    out.push_back(Saturate(v));
  }
  return out;
}

std::unique_ptr<AudioSystem> MakeAudioSystem(std::string_view choice, std::string& error) {
  std::vector<std::unique_ptr<AudioSystem>> parts;
  if (choice == "none") {
    return std::make_unique<CombinedAudioSystem>(std::move(parts), 0);
  }
  if (choice.empty()) {
    parts.push_back(std::make_unique<PortAudioSystem>());
    parts.push_back(std::make_unique<VirtualAudioSystem>(VirtualAudioConfig{}));
    return std::make_unique<CombinedAudioSystem>(std::move(parts), 0);
  }
  if (!choice.starts_with("virtual")) {
    error = "ZYPHONE_AUDIO: \"virtual[:OPTION...]\", \"none\" or nothing";
    return nullptr;
  }
  auto config = ParseVirtualAudioSpec(choice, error);
  if (!config) {
    error = "ZYPHONE_AUDIO: " + error;
    return nullptr;
  }
  auto system = std::make_unique<VirtualAudioSystem>();
  VirtualAudioDevice& device = system->AddDevice(std::move(*config));
  if (!device.FileError().empty()) {
    error = "ZYPHONE_AUDIO: " + device.FileError();
    return nullptr;
  }
  return system;
}

std::unique_ptr<AudioSystem> MakeProcessAudioSystem() {
  const char* env = std::getenv("ZYPHONE_AUDIO");
  std::string error;
  auto system = MakeAudioSystem(env != nullptr ? env : "", error);
  if (system) return system;
  std::fprintf(stderr, "zyphone: %s; using the sound card\n", error.c_str());
  return MakeAudioSystem("", error);
}

}  // namespace zy
