// A whole call against the simulator: the phone logs in, dials the echo
// service and carries its audio in real time with the virtual sound device
// (microphone from a generated talk signal, loudspeaker recorded). The
// recording must hold the microphone's signal again: the delay through the
// phone is found by cross-correlation and the aligned signals must
// correlate. Keypad digits pressed during the call reach the simulator as
// telephone events, and a tone command plays the tone.
//
// Each case prints the measured delay and the worker's CPU time per second
// of call.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

#include "link/FrameBuilders.h"
#include "link/Session.h"
#include "media/AudioTestSupport.h"
#include "media/DeviceSettings.h"
#include "media/MediaControl.h"
#include "support/SimLink.h"

namespace zy {
namespace {

using namespace std::chrono_literals;

constexpr uint16_t kExtensionId = 0x0011;
constexpr const char* kEchoNumber = "600";

// Talk spurts of 150 ms with 300 ms pauses: voiced sound (a pulse train at
// a varying pitch through two formants that move from spurt to spurt).
// Each spurt ends before its echo comes back (about a quarter of a second
// later), so the echo suppressor never sees both sides at once and lets the
// speech through.
std::vector<int16_t> TalkSpurts(size_t samples, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  const double pi = std::acos(-1.0);
  std::vector<int16_t> out(samples, 0);
  const size_t period = 8000 * 450 / 1000;
  const size_t on = 8000 * 150 / 1000;
  double y1a = 0, y2a = 0, y1b = 0, y2b = 0, phase = 0;
  double f1 = 600, f2 = 1500, pitch = 130;
  for (size_t n = 0; n < samples; ++n) {
    const size_t inPeriod = n % period;
    if (inPeriod == 0) {
      f1 = 350 + 500 * uni(rng);
      f2 = 1000 + 1400 * uni(rng);
      pitch = 100 + 90 * uni(rng);
    }
    double x = 0;
    phase += pitch / 8000.0;
    if (phase >= 1.0) {
      phase -= 1.0;
      x = 1.0;
    }
    x += 0.05 * (uni(rng) - 0.5);
    auto resonate = [&](double in, double f, double bw, double& y1, double& y2) {
      const double r = std::exp(-pi * bw / 8000.0);
      const double v = in + 2 * r * std::cos(2 * pi * f / 8000.0) * y1 - r * r * y2;
      y2 = y1;
      y1 = v;
      return v;
    };
    const double v = resonate(x, f1, 90, y1a, y2a) + 0.6 * resonate(x, f2, 130, y1b, y2b);
    if (inPeriod < on) {
      const double t = static_cast<double>(inPeriod) / on;
      const double envelope = std::sin(pi * t);  // soft start and end
      out[n] = static_cast<int16_t>(std::clamp(v * envelope * 1400.0, -20000.0, 20000.0));
    }
  }
  return out;
}

struct Alignment {
  int lag = 0;  // samples
  double correlation = 0;
};

// The lag (0..maxLag samples) at which heard[j] best matches
// sent[j - offset - lag] over heard[from, to), and the normalised
// correlation there.
Alignment Align(const std::vector<int16_t>& sent, const std::vector<int16_t>& heard, long offset,
                int maxLag, size_t from, size_t to) {
  Alignment best;
  best.correlation = -2;
  to = std::min(to, heard.size());
  for (int lag = 0; lag <= maxLag; ++lag) {
    double ab = 0, aa = 0, bb = 0;
    for (size_t j = from; j < to; ++j) {
      const long i = static_cast<long>(j) - offset - lag;
      if (i < 0 || static_cast<size_t>(i) >= sent.size()) continue;
      const double a = heard[j];
      const double b = sent[static_cast<size_t>(i)];
      ab += a * b;
      aa += a * a;
      bb += b * b;
    }
    const double c = (aa > 0 && bb > 0) ? ab / std::sqrt(aa * bb) : 0;
    if (c > best.correlation) best = Alignment{lag, c};
  }
  return best;
}

class AudioCallTest : public test::SimLinkTest {
 protected:
  // Logs in as 201 and sets up the phone's media side.
  void LogIn(std::optional<uint8_t> serviceCodec, const std::vector<int16_t>& microphone) {
    pbxsim::Scenario scenario;
    scenario.AddExtension(kExtensionId, "201").password = "1234";
    pbxsim::MediaService echo;
    echo.number = kEchoNumber;
    echo.mode = pbxsim::MediaMode::kEcho;
    echo.codec = serviceCodec;
    scenario.AddMediaService(echo);
    StartWith(std::move(scenario));

    settings.rtpPort = test::FreeEvenPort();
    LoginParams params;
    params.extension = "201";
    params.password = "1234";
    params.rtpPort = static_cast<uint16_t>(settings.rtpPort);
    params.codecCode = 16;
    SessionFlags flags;
    ASSERT_TRUE(zy::Login(link, params, flags).ok);

    VirtualAudioConfig audio;  // real-time clock
    audio.generator = SamplesGenerator(microphone);
    devices = std::make_unique<VirtualAudioSystem>(std::move(audio));
    mediaPath = std::make_unique<MediaPath>();
    mediaPath->SetTrace([](std::string_view) {});
    engine = std::make_unique<AudioEngine>(*devices, *mediaPath);
    control = std::make_unique<MediaControl>(*engine, *mediaPath);
    ASSERT_EQ(CheckAudioAvailable(*engine, kDefaultAudioDevice, *control), 0);
  }
  void TearDown() override {
    if (control) control->StopMedia();
    control.reset();
    engine.reset();
    mediaPath.reset();
    devices.reset();
    SimLinkTest::TearDown();
  }

  // The window's part: carries out the media commands that arrived, for
  // `duration`. Returns the commands handled.
  std::vector<uint16_t> Serve(std::chrono::milliseconds duration) {
    std::vector<uint16_t> handled;
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
      events.WaitFor([&] { return events.media.size() > served; }, 10ms);
      std::vector<uint16_t> now;
      {
        std::lock_guard lock(events.mutex);
        now.assign(events.media.begin() + static_cast<long>(served), events.media.end());
        served = events.media.size();
      }
      for (uint16_t command : now) {
        EXPECT_EQ(control->OnMediaCommand(command, MediaPeerOf(link.State()), settings), 0)
            << "command " << command;
        handled.push_back(command);
      }
    }
    return handled;
  }
  // Waits (bounded) for the next media command and carries it out.
  uint16_t ServeNext() {
    EXPECT_TRUE(events.WaitFor([&] { return events.media.size() > served; }, 5s));
    const auto handled = Serve(1ms);
    return handled.empty() ? 0xFFFF : handled.front();
  }

  MediaSettings settings;
  std::unique_ptr<VirtualAudioSystem> devices;
  std::unique_ptr<MediaPath> mediaPath;
  std::unique_ptr<AudioEngine> engine;
  std::unique_ptr<MediaControl> control;
  size_t served = 0;
};

// Measured: G.711 1.00 (0.99 with the suppressor, which trims the ends of
// each spurt), G.729 about 0.89 with or without VAD. Silence or a garbled
// stream correlates near 0.
struct CallCase {
  const char* name;
  uint8_t codec;  // the service's codec selector
  bool echoCanc;
  bool vad;
  double minCorrelation;
};

class AudioCallCases : public AudioCallTest, public ::testing::WithParamInterface<CallCase> {};

TEST_P(AudioCallCases, EchoServiceGivesTheMicrophoneBack) {
  const CallCase c = GetParam();
  const std::vector<int16_t> microphone = TalkSpurts(8000 * 10, 21);
  ASSERT_NO_FATAL_FAILURE(LogIn(c.codec, microphone));
  settings.echoCanc = c.echoCanc;
  settings.vadEnable = c.vad;

  ASSERT_TRUE(SendKey(link, 'X'));
  for (const char* d = kEchoNumber; *d != '\0'; ++d) ASSERT_TRUE(SendKey(link, *d));
  ASSERT_EQ(ServeNext(), kAudioVoice);
  ASSERT_EQ(mediaPath->Session().IsG729(), c.codec == pbxsim::codec::kG729);

  Serve(1000ms);
  // Keypad digits during the call go in-band while the session has a socket.
  ASSERT_EQ(mediaPath->QueueDtmfDigit(5), DtmfQueueResult::kQueued);
  ASSERT_EQ(mediaPath->QueueDtmfDigit(11), DtmfQueueResult::kQueued);
  Serve(2000ms);

  const AudioEngine::Stats stats = engine->RunStats();
  const VirtualAudioDevice& device = devices->Device(0);
  const std::vector<int16_t> heard = device.Recording();
  const long offset =
      static_cast<long>(device.CaptureOpenedAtTick() - device.PlaybackOpenedAtTick()) * 80;
  ASSERT_TRUE(SendKey(link, '$'));
  EXPECT_EQ(ServeNext(), kAudioIdle);
  EXPECT_EQ(engine->Mode(), kAudioIdle);

  // The delay through the phone and the likeness of what came back, over
  // the last two seconds (past the first echoes).
  ASSERT_GT(heard.size(), 8000u * 2);
  const Alignment a = Align(microphone, heard, offset, 4000, heard.size() - 8000 * 2, heard.size());
  const double cpuPerSecond =
      stats.cycles > 0 ? stats.workerCpuNs / 1e6 / (stats.cycles / 100.0) : 0;
  std::printf("[ %s ] delay %.1f ms, correlation %.3f, worker CPU %.3f ms per s of call\n", c.name,
              a.lag / 8.0, a.correlation, cpuPerSecond);
  RecordProperty("delay_ms", std::to_string(a.lag / 8.0));
  RecordProperty("correlation", std::to_string(a.correlation));
  RecordProperty("worker_cpu_ms_per_s", std::to_string(cpuPerSecond));
  EXPECT_GE(a.correlation, c.minCorrelation);
  // Packetisation, the jitter buffer's 120-130 ms and the 80 ms playback
  // queue, with a few 10 ms cycles of slack either way.
  EXPECT_GT(a.lag / 8.0, 150.0);
  EXPECT_LT(a.lag / 8.0, 400.0);

  // The digits as the simulator received them.
  const pbxsim::MediaReport report = sim->Media();
  ASSERT_EQ(report.events.size(), 2u);
  EXPECT_EQ(report.events[0].Digit(), '5');
  EXPECT_EQ(report.events[0].packets, 19u);
  EXPECT_EQ(report.events[0].endPackets, 3u);
  EXPECT_EQ(report.events[0].duration, 1280);
  EXPECT_TRUE(report.events[0].marker);
  EXPECT_EQ(report.events[1].Digit(), '#');
  EXPECT_GT(report.voicePackets, 0u);
  EXPECT_EQ(report.badPackets, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, AudioCallCases,
    ::testing::Values(CallCase{"G.711", pbxsim::codec::kG711, false, false, 0.95},
                      CallCase{"G.711 echo suppression", pbxsim::codec::kG711, true, false, 0.9},
                      CallCase{"G.729", pbxsim::codec::kG729, false, false, 0.7},
                      CallCase{"G.729 VAD", pbxsim::codec::kG729, false, true, 0.7},
                      CallCase{"G.729 VAD echo suppression", pbxsim::codec::kG729, true, true,
                               0.7}),
    [](const ::testing::TestParamInfo<CallCase>& info) {
      std::string n;
      for (const char* p = info.param.name; *p != '\0'; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) n += *p;
      }
      return n;
    });

TEST_F(AudioCallTest, AToneCommandPlaysTheTone) {
  ASSERT_NO_FATAL_FAILURE(LogIn(std::nullopt, std::vector<int16_t>(8000, 0)));
  ASSERT_TRUE(sim->SendFrame(test::kTone425, 0xFE3C));
  EXPECT_EQ(ServeNext(), test::kTone425);
  EXPECT_EQ(engine->Mode(), test::kTone425);
  Serve(400ms);
  const std::vector<int16_t> heard = devices->Device(0).Recording();
  ASSERT_GE(heard.size(), 8000u / 4);
  // The last 200 ms: a sine of 425 Hz at a quarter of the oscillators' peak.
  const std::vector<int16_t> tail(heard.end() - 1600, heard.end());
  int crossings = 0;
  for (size_t i = 1; i < tail.size(); ++i) crossings += (tail[i - 1] < 0) != (tail[i] < 0);
  EXPECT_NEAR(crossings, 2 * 425 / 5, 4);
  EXPECT_NEAR(test::PeakOf(tail), 3250, 150);

  ASSERT_TRUE(sim->SendFrame(0, 0xFE3C));
  EXPECT_EQ(ServeNext(), kAudioIdle);
  EXPECT_EQ(devices->Device(0).OpenPlaybacks(), 0);
}

}  // namespace
}  // namespace zy
