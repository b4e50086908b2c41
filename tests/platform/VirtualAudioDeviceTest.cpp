// The virtual sound device: its stepped clock, capture from generators and
// files, recorded and written playback, queue limits, faults, and the text
// form of its configuration.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <thread>

#include "platform/VirtualAudioDevice.h"

namespace zy {
namespace {

namespace fs = std::filesystem;

// A generator that numbers its samples 1, 2, 3, ... so that every frame
// shows where it came from.
CaptureGenerator Counter() {
  return [n = int16_t{0}](int16_t* s, size_t count) mutable {
    for (size_t i = 0; i < count; ++i) s[i] = ++n;
  };
}

std::vector<int16_t> Frame(int16_t value) {
  return std::vector<int16_t>(kAudioFrameSamples, value);
}

class TempFolder {
 public:
  TempFolder() {
    path_ = fs::path(::testing::TempDir()) /
            ("zy_vad_" + std::to_string(::getpid()) + "_" + std::to_string(next_++));
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  static inline int next_ = 0;
  fs::path path_;
};

void WriteWav(const std::string& path, int rate, int channels, const std::vector<int16_t>& data) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_write_short(f, data.data(), static_cast<sf_count_t>(data.size()));
  sf_close(f);
}

VirtualAudioConfig Stepped(CaptureGenerator g = {}) {
  VirtualAudioConfig c;
  c.clock = VirtualClock::kStepped;
  c.generator = std::move(g);
  return c;
}

// A reader thread that reads until the capture fails and keeps the frames.
class Reader {
 public:
  explicit Reader(AudioCapture& capture)
      : thread_([this, &capture] {
          std::array<int16_t, kAudioFrameSamples> f;
          for (;;) {
            const int n = capture.Read(f.data());
            if (n < 0) break;
            std::lock_guard lock(mutex_);
            frames_.emplace_back(f.begin(), f.begin() + n);
          }
          done_ = true;
        }) {}
  ~Reader() { thread_.join(); }
  std::vector<std::vector<int16_t>> Frames() {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  bool Done() const { return done_; }

 private:
  std::mutex mutex_;
  std::vector<std::vector<int16_t>> frames_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST(VirtualAudioDevice, SteppedCaptureHandsEachTickToTheReader) {
  VirtualAudioDevice device(Stepped(Counter()));
  std::unique_ptr<AudioCapture> capture;
  ASSERT_EQ(device.OpenCapture(capture), kAudioOk);
  {
    Reader reader(*capture);
    device.Step(3);
    // Step returned with every frame taken: nothing is still on its way.
    const auto frames = reader.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].front(), 1);
    EXPECT_EQ(frames[2].back(), 240);
    capture->Abort();
  }
  EXPECT_EQ(capture->Overruns(), 0u);
  EXPECT_EQ(device.Ticks(), 3u);
}

TEST(VirtualAudioDevice, AbortWakesABlockedRead) {
  VirtualAudioDevice device(Stepped());
  std::unique_ptr<AudioCapture> capture;
  ASSERT_EQ(device.OpenCapture(capture), kAudioOk);
  Reader reader(*capture);
  device.Step(1);  // the reader is blocked again once this returns
  capture->Abort();
  // The destructor of the reader joins: it must come out of Read.
}

TEST(VirtualAudioDevice, AnUnreadCaptureKeepsFourFramesAndCountsTheRest) {
  VirtualAudioDevice device(Stepped(Counter()));
  std::unique_ptr<AudioCapture> capture;
  ASSERT_EQ(device.OpenCapture(capture), kAudioOk);
  device.Advance(6);
  EXPECT_EQ(capture->Overruns(), 2u);
  std::array<int16_t, kAudioFrameSamples> f;
  ASSERT_EQ(capture->Read(f.data()), 80);
  EXPECT_EQ(f[0], 1) << "the oldest frame is kept, the newest dropped";
}

TEST(VirtualAudioDevice, PlaybackPlaysQueuedBuffersThenSilence) {
  VirtualAudioDevice device(Stepped());
  std::unique_ptr<AudioPlayback> playback;
  ASSERT_EQ(device.OpenPlayback(nullptr, playback), kAudioOk);
  for (int16_t i = 1; i <= 8; ++i) ASSERT_TRUE(playback->Queue(Frame(i).data(), 80));
  EXPECT_FALSE(playback->Queue(Frame(9).data(), 80)) << "eight buffers at most";
  device.Advance(3);
  EXPECT_EQ(playback->BuffersFinished(), 3u);
  ASSERT_TRUE(playback->Queue(Frame(9).data(), 40)) << "a short buffer is played as it is";
  device.Advance(8);
  EXPECT_EQ(playback->BuffersFinished(), 9u);
  EXPECT_EQ(playback->Underruns(), 2u);

  const std::vector<int16_t> rec = device.Recording();
  ASSERT_EQ(rec.size(), 11u * 80);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(rec[k * 80 + 5], k + 1) << "frame " << k;
  EXPECT_EQ(rec[8 * 80 + 39], 9);
  EXPECT_EQ(rec[8 * 80 + 40], 0);
  EXPECT_EQ(rec[10 * 80], 0);
}

TEST(VirtualAudioDevice, ResetDropsTheQueueAndCountsItFinished) {
  VirtualAudioDevice device(Stepped());
  std::unique_ptr<AudioPlayback> playback;
  ASSERT_EQ(device.OpenPlayback(nullptr, playback), kAudioOk);
  for (int i = 0; i < 5; ++i) playback->Queue(Frame(7).data(), 80);
  playback->Reset();
  EXPECT_EQ(playback->BuffersFinished(), 5u);
  device.Advance(1);
  EXPECT_EQ(device.Recording(), Frame(0));
}

class ConstantSource : public AudioFrameSource {
 public:
  explicit ConstantSource(int16_t v) : v_(v) {}
  void FillFrame(int16_t* s, size_t count) override { std::fill_n(s, count, v_); }

 private:
  int16_t v_;
};

TEST(VirtualAudioDevice, PlaybacksOpenTogetherAreMixedWithSaturation) {
  VirtualAudioDevice device(Stepped());
  ConstantSource a(30000), b(10000);
  std::unique_ptr<AudioPlayback> pa, pb, pc;
  ASSERT_EQ(device.OpenPlayback(&a, pa), kAudioOk);
  ASSERT_EQ(device.OpenPlayback(&b, pb), kAudioOk);
  device.Advance(1);
  pa.reset();
  device.Advance(1);
  const auto rec = device.Recording();
  EXPECT_EQ(rec[0], 32767);
  EXPECT_EQ(rec[80], 10000);
  EXPECT_EQ(device.OpenPlaybacks(), 1);
}

TEST(VirtualAudioDevice, NothingIsRecordedWhileNoPlaybackIsOpen) {
  VirtualAudioDevice device(Stepped());
  device.Advance(5);
  EXPECT_TRUE(device.Recording().empty());
  std::unique_ptr<AudioPlayback> p;
  ASSERT_EQ(device.OpenPlayback(nullptr, p), kAudioOk);
  EXPECT_EQ(device.PlaybackOpenedAtTick(), 5u);
}

TEST(VirtualAudioDevice, OneCaptureAtATime) {
  VirtualAudioDevice device(Stepped());
  std::unique_ptr<AudioCapture> a, b;
  ASSERT_EQ(device.OpenCapture(a), kAudioOk);
  EXPECT_EQ(device.OpenCapture(b), kAudioErrBusy);
  a.reset();
  EXPECT_EQ(device.OpenCapture(b), kAudioOk);
  EXPECT_EQ(device.CaptureOpens(), 2);
}

TEST(VirtualAudioDevice, InjectedFaults) {
  VirtualAudioDevice device(Stepped());
  std::unique_ptr<AudioCapture> c;
  std::unique_ptr<AudioPlayback> p;
  device.FailNextOpen(AudioDirection::kPlayback, kAudioErrBusy);
  EXPECT_EQ(device.OpenPlayback(nullptr, p), kAudioErrBusy);
  EXPECT_EQ(device.OpenPlayback(nullptr, p), kAudioOk) << "only the next open fails";
  device.FailNextOpen(AudioDirection::kCapture, kAudioErrFailed);
  EXPECT_EQ(device.OpenCapture(c), kAudioErrFailed);
  ASSERT_EQ(device.OpenCapture(c), kAudioOk);

  device.FailCaptureAfter(2);
  device.Advance(2);
  std::array<int16_t, kAudioFrameSamples> f;
  EXPECT_EQ(c->Read(f.data()), 80);
  EXPECT_EQ(c->Read(f.data()), 80);
  device.Advance(1);
  EXPECT_EQ(c->Read(f.data()), -1);

  device.SetAcceptsFormat(false);
  std::unique_ptr<AudioPlayback> p2;
  EXPECT_EQ(device.OpenPlayback(nullptr, p2), kAudioErrBadFormat);
}

TEST(VirtualAudioDevice, RealTimeClockRunsByItself) {
  VirtualAudioConfig config;
  config.generator = Counter();
  VirtualAudioDevice device(std::move(config));
  std::unique_ptr<AudioCapture> capture;
  ASSERT_EQ(device.OpenCapture(capture), kAudioOk);
  std::array<int16_t, kAudioFrameSamples> f;
  ASSERT_EQ(capture->Read(f.data()), 80);
  EXPECT_EQ(f[0], 1);
  ASSERT_EQ(capture->Read(f.data()), 80);
  EXPECT_EQ(f[0], 81);
}

TEST(VirtualAudioDevice, CaptureFileIsPlayedFromItsStartAtEachOpening) {
  TempFolder dir;
  std::vector<int16_t> data(200);
  std::iota(data.begin(), data.end(), int16_t{1});
  WriteWav(dir.File("in.wav"), 8000, 1, data);

  for (bool loop : {false, true}) {
    VirtualAudioConfig config = Stepped();
    config.captureFile = dir.File("in.wav");
    config.loopCapture = loop;
    VirtualAudioDevice device(config);
    ASSERT_TRUE(device.FileError().empty()) << device.FileError();
    for (int opening = 0; opening < 2; ++opening) {
      std::unique_ptr<AudioCapture> c;
      ASSERT_EQ(device.OpenCapture(c), kAudioOk);
      device.Advance(3);
      std::array<int16_t, kAudioFrameSamples> f;
      ASSERT_EQ(c->Read(f.data()), 80);
      EXPECT_EQ(f[0], 1) << "opening " << opening;
      c->Read(f.data());
      c->Read(f.data());
      // Samples 161..200, then silence or the start again.
      EXPECT_EQ(f[39], 200);
      EXPECT_EQ(f[40], loop ? 1 : 0) << "loop " << loop;
    }
  }
}

TEST(VirtualAudioDevice, UnreadableCaptureFileIsReportedAndRefusesToOpen) {
  VirtualAudioConfig config = Stepped();
  config.captureFile = "/nonexistent/zy.wav";
  VirtualAudioDevice device(config);
  EXPECT_NE(device.FileError().find("/nonexistent/zy.wav"), std::string::npos);
  std::unique_ptr<AudioCapture> c;
  EXPECT_EQ(device.OpenCapture(c), kAudioErrFailed);
}

TEST(VirtualAudioDevice, PlaybackFileHoldsWhatWasPlayed) {
  TempFolder dir;
  VirtualAudioConfig config = Stepped();
  config.playbackFile = dir.File("out.wav");
  {
    VirtualAudioDevice device(config);
    std::unique_ptr<AudioPlayback> p;
    ASSERT_EQ(device.OpenPlayback(nullptr, p), kAudioOk);
    p->Queue(Frame(1234).data(), 80);
    device.Advance(2);
    // Whole while it grows: readable before the device goes.
    std::string error;
    auto partial = ReadSoundFile(config.playbackFile, error);
    ASSERT_TRUE(partial) << error;
    EXPECT_EQ(partial->size(), 160u);
  }
  std::string error;
  auto samples = ReadSoundFile(config.playbackFile, error);
  ASSERT_TRUE(samples) << error;
  ASSERT_EQ(samples->size(), 160u);
  EXPECT_EQ((*samples)[0], 1234);
  EXPECT_EQ((*samples)[80], 0);
}

TEST(ReadSoundFile, MixesChannelsAndResamplesTo8kHz) {
  TempFolder dir;
  // 16 kHz stereo: left 1000, right 3000 for 0.1 s.
  std::vector<int16_t> data;
  for (int i = 0; i < 1600; ++i) {
    data.push_back(1000);
    data.push_back(3000);
  }
  WriteWav(dir.File("s.wav"), 16000, 2, data);
  std::string error;
  auto samples = ReadSoundFile(dir.File("s.wav"), error);
  ASSERT_TRUE(samples) << error;
  EXPECT_EQ(samples->size(), 800u);
  EXPECT_EQ((*samples)[400], 2000);

  // 4 kHz: interpolated to twice the length.
  WriteWav(dir.File("slow.wav"), 4000, 1, {0, 1000, 2000, 3000});
  samples = ReadSoundFile(dir.File("slow.wav"), error);
  ASSERT_TRUE(samples) << error;
  ASSERT_EQ(samples->size(), 8u);
  EXPECT_EQ((*samples)[1], 500);

  // Not a sound file.
  {
    std::FILE* f = std::fopen(dir.File("junk.wav").c_str(), "w");
    std::fputs("RIFF....not a wave", f);
    std::fclose(f);
  }
  EXPECT_FALSE(ReadSoundFile(dir.File("junk.wav"), error));
  EXPECT_FALSE(error.empty());
}

TEST(ParseVirtualAudioSpec, Options) {
  struct Case {
    const char* text;
    bool ok;
    const char* capture;
    const char* playback;
    VirtualClock clock;
    bool loop;
    bool generator;
  };
  const Case cases[] = {
      {"virtual", true, "", "", VirtualClock::kRealTime, false, false},
      {"virtual:capture=a.wav:playback=b.wav", true, "a.wav", "b.wav", VirtualClock::kRealTime,
       false, false},
      {"virtual:capture=/x/in.wav:loop:clock=stepped", true, "/x/in.wav", "",
       VirtualClock::kStepped, true, false},
      {"capture=a.wav", true, "a.wav", "", VirtualClock::kRealTime, false, false},
      {"virtual:tone=440", true, "", "", VirtualClock::kRealTime, false, true},
      {"virtual::playback=b.wav:", true, "", "b.wav", VirtualClock::kRealTime, false, false},
      {"virtualx", false, "", "", VirtualClock::kRealTime, false, false},
      {"virtual:capture=", false, "", "", VirtualClock::kRealTime, false, false},
      {"virtual:clock=fast", false, "", "", VirtualClock::kRealTime, false, false},
      {"virtual:tone=5000", false, "", "", VirtualClock::kRealTime, false, false},
      {"virtual:tone=abc", false, "", "", VirtualClock::kRealTime, false, false},
      {"virtual:volume=3", false, "", "", VirtualClock::kRealTime, false, false},
  };
  for (const Case& c : cases) {
    std::string error;
    auto config = ParseVirtualAudioSpec(c.text, error);
    ASSERT_EQ(config.has_value(), c.ok) << c.text << ": " << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(config->captureFile, c.capture) << c.text;
    EXPECT_EQ(config->playbackFile, c.playback) << c.text;
    EXPECT_EQ(config->clock, c.clock) << c.text;
    EXPECT_EQ(config->loopCapture, c.loop) << c.text;
    EXPECT_EQ(static_cast<bool>(config->generator), c.generator) << c.text;
  }
}

TEST(ParseVirtualAudioSpec, ToneIsASineOfThatFrequency) {
  std::string error;
  auto config = ParseVirtualAudioSpec("virtual:tone=1000", error);
  ASSERT_TRUE(config);
  std::array<int16_t, kAudioFrameSamples> f;
  config->generator(f.data(), f.size());
  // 1000 Hz at 8 kHz: a period of 8 samples.
  EXPECT_EQ(f[0], 0);
  EXPECT_EQ(f[2], 8192);
  EXPECT_EQ(f[6], -8192);
  EXPECT_EQ(f[10], 8192);
}

TEST(VirtualAudioSystem, ListsItsDevicesAndOpensThemById) {
  VirtualAudioSystem system;
  VirtualAudioConfig a = Stepped();
  a.name = "Cuffia";
  VirtualAudioConfig b = Stepped();
  b.name = "Altoparlante";
  b.acceptsFormat = false;
  system.AddDevice(a);
  system.AddDevice(b);

  for (AudioDirection d : {AudioDirection::kCapture, AudioDirection::kPlayback}) {
    EXPECT_EQ(system.DeviceCount(d), 2);
    EXPECT_EQ(system.DeviceName(d, 1), "Altoparlante");
    EXPECT_FALSE(system.DeviceName(d, 2));
    EXPECT_FALSE(system.DeviceName(d, -1));
    EXPECT_TRUE(system.QueryFormat(d, -1)) << "the default is the first device";
    EXPECT_FALSE(system.QueryFormat(d, 1));
    EXPECT_FALSE(system.QueryFormat(d, 7));
  }
  system.SetNameUnreadable(0, true);
  EXPECT_FALSE(system.DeviceName(AudioDirection::kCapture, 0));

  std::unique_ptr<AudioCapture> c;
  std::unique_ptr<AudioPlayback> p;
  EXPECT_EQ(system.OpenCapture(5, c), kAudioErrBadDevice);
  EXPECT_EQ(system.OpenPlayback(1, nullptr, p), kAudioErrBadFormat);
  ASSERT_EQ(system.OpenCapture(-1, c), kAudioOk);
  EXPECT_EQ(system.Device(0).OpenCaptures(), 1);
}

}  // namespace
}  // namespace zy
