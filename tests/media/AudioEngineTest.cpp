// The audio engine on a stepped virtual device: starting, switching and
// stopping, the voice and tone cycles, the transmit mute, a session without
// a socket, failed opens and a failing capture device.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "media/AudioTestSupport.h"

namespace zy {
namespace {

using namespace std::chrono_literals;
using test::Energy;
using test::FrameOf;
using test::kG711Peer;
using test::kTone350;
using test::kTone425;
using test::PeakOf;

class AudioEngineTest : public test::AudioEngineFixture {
 protected:
  void StartVoice() {
    ASSERT_EQ(media.OpenCallMedia(kG711Peer, {}), kRtpOpened);
    ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  }
  // Waits for the worker to end by itself (it does so at once after its
  // capture device fails).
  void WaitForWorkerEnd() {
    for (int i = 0; i < 2000 && engine.WorkerRunning(); ++i) std::this_thread::sleep_for(1ms);
  }
};

// Tones are played at a quarter of the oscillators' peak of about 13000.
bool IsTone(std::span<const int16_t> frame) {
  const int peak = PeakOf(frame);
  return peak > 3000 && peak < 3400;
}

TEST_F(AudioEngineTest, StartsWithEightyMillisecondsOfSilenceThenTheTone) {
  ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk);
  EXPECT_EQ(engine.Mode(), kTone425);
  device.Step(12);
  const auto rec = device.Recording();
  ASSERT_EQ(rec.size(), 12u * 80);
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(PeakOf(FrameOf(rec, k)), 0) << "frame " << k;
  for (size_t k = 8; k < 12; ++k) EXPECT_TRUE(IsTone(FrameOf(rec, k))) << "frame " << k;
  EXPECT_TRUE(net->sent.empty()) << "a tone sends nothing";
  EXPECT_EQ(engine.RunStats().cycles, 12u);
}

TEST_F(AudioEngineTest, ToneToVoiceKeepsTheDevicesAndTheQueuedTone) {
  ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk);
  device.Step(20);
  ASSERT_EQ(media.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  device.Step(10);

  EXPECT_EQ(engine.Mode(), kAudioVoice);
  EXPECT_EQ(device.CaptureOpens(), 1);
  EXPECT_EQ(device.PlaybackOpens(), 1);
  EXPECT_EQ(SentWithType(8).size(), 5u) << "two 10 ms frames per G.711 packet";
  const auto rec = device.Recording();
  ASSERT_EQ(rec.size(), 30u * 80);
  // The eight tone buffers queued before the switch play out without a gap;
  // then what the (empty) jitter buffer gives: silence.
  for (size_t k = 8; k < 28; ++k) EXPECT_TRUE(IsTone(FrameOf(rec, k))) << "frame " << k;
  for (size_t k = 28; k < 30; ++k) EXPECT_EQ(PeakOf(FrameOf(rec, k)), 0) << "frame " << k;
}

TEST_F(AudioEngineTest, StartAudioWithTheCurrentModeChangesNothing) {
  ASSERT_EQ(engine.StartAudio(0x0203), kAudioOk);
  device.Step(30);  // three cadence steps
  EXPECT_EQ(engine.StartAudio(0x0203), kAudioOk);
  device.Step(1);
  EXPECT_EQ(media.Tones().Step(), 3) << "the cadence goes on";
  EXPECT_EQ(media.Tones().FrameCount(), 1);

  ASSERT_EQ(media.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  engine.SetTxMute(true);
  EXPECT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  EXPECT_TRUE(engine.TxMute()) << "only a start from idle clears the mute";
  EXPECT_EQ(device.CaptureOpens(), 1);
  EXPECT_EQ(device.PlaybackOpens(), 1);
}

TEST_F(AudioEngineTest, AnotherToneRestartsTheCadence) {
  ASSERT_EQ(engine.StartAudio(0x0203), kAudioOk);
  device.Step(30);
  ASSERT_EQ(engine.StartAudio(0x0204), kAudioOk);
  device.Step(1);
  EXPECT_EQ(media.Tones().Step(), 0);
  EXPECT_EQ(media.Tones().FrameCount(), 1);
  device.Step(25);
  // Through voice (which plays no tone frames) to a third tone: the tone
  // starts from the reset made when the engine left the tone for voice.
  ASSERT_EQ(media.OpenCallMedia(kG711Peer, {}), kRtpOpened);
  ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  device.Step(5);
  ASSERT_EQ(engine.StartAudio(kTone350), kAudioOk);
  device.Step(1);
  EXPECT_EQ(media.Tones().Step(), 0);
  EXPECT_EQ(media.Tones().FrameCount(), 1);
}

TEST_F(AudioEngineTest, ReceivedVoicePlaysAfterTheQueueAndTheJitterBuffer) {
  StartVoice();
  constexpr uint8_t kCode = 0xAA;
  // One packet of two frames every other cycle, the first with the marker.
  for (int i = 0; i < 20; ++i) {
    if (i % 2 == 0) Incoming(static_cast<uint16_t>(i / 2), 1000 + 80 * i, kCode, i == 0);
    device.Step(1);
  }
  device.Step(20);
  const auto rec = device.Recording();
  size_t first = 0;
  while (first < rec.size() / 80 && PeakOf(FrameOf(rec, first)) == 0) ++first;
  // The marker packet's two frames land in the anchor slot, the second one
  // staying; it comes out of the 13th JitterGet, the one of cycle 13, into
  // the 21st buffer queued (eight were queued at the start).
  EXPECT_EQ(first, 20u);
  for (size_t k = first; k < first + 19; ++k) {
    const auto f = FrameOf(rec, k);
    EXPECT_TRUE(std::all_of(f.begin(), f.end(), [](int16_t v) { return v == AlawDecode(kCode); }))
        << "frame " << k;
  }
  EXPECT_EQ(PeakOf(FrameOf(rec, first + 19)), 0) << "the stream ended";
}

TEST_F(AudioEngineTest, TxMuteSendsNoVoiceButPlaysAndSendsDigits) {
  StartVoice();
  device.Step(4);
  ASSERT_EQ(SentWithType(8).size(), 2u);
  const uint32_t frozen = media.Session().MediaTimestamp();
  engine.SetTxMute(true);
  ASSERT_EQ(media.QueueDtmfDigit(5), DtmfQueueResult::kQueued);
  for (int i = 0; i < 40; ++i) {
    if (i % 2 == 0) Incoming(static_cast<uint16_t>(i / 2), 5000 + 80 * i, 0xAA, i == 0);
    device.Step(1);
  }
  EXPECT_EQ(SentWithType(8).size(), 2u) << "no voice packets while muted";
  EXPECT_EQ(media.Session().MediaTimestamp(), frozen);
  const auto events = SentWithType(101);
  ASSERT_EQ(events.size(), 19u) << "16 event packets and 3 end packets";
  for (const auto& e : events) {
    EXPECT_EQ(test::Be32(e, 4), frozen) << "events carry the frozen timestamp";
    EXPECT_EQ(e[12], 5);
  }
  const auto rec = device.Recording();
  EXPECT_EQ(PeakOf(FrameOf(rec, 30)), std::abs(AlawDecode(0xAA))) << "received audio still plays";

  engine.SetTxMute(false);
  device.Step(4);
  EXPECT_EQ(SentWithType(8).size(), 4u);
  EXPECT_EQ(media.Session().MediaTimestamp(), frozen + 4 * 80);
}

TEST_F(AudioEngineTest, WithoutAnRtpSocketTheOutputDrainsToSilence) {
  net->failOpen = true;
  ASSERT_EQ(media.OpenCallMedia(kG711Peer, {}), kRtpSocketFailed);
  ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk);
  device.Step(12);
  ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  device.Step(12);
  const auto rec = device.Recording();
  ASSERT_EQ(rec.size(), 24u * 80);
  for (size_t k = 8; k < 20; ++k) EXPECT_TRUE(IsTone(FrameOf(rec, k))) << "frame " << k;
  for (size_t k = 20; k < 24; ++k) EXPECT_EQ(PeakOf(FrameOf(rec, k)), 0) << "frame " << k;
  EXPECT_TRUE(net->sent.empty());
  EXPECT_EQ(engine.RunStats().cycles, 24u) << "the worker goes on, doing nothing";
}

TEST_F(AudioEngineTest, AFailedOpenUndoesEveryStep) {
  struct Case {
    const char* what;
    AudioDirection side;
    uint32_t code;
  };
  for (const Case& c : {Case{"playback busy", AudioDirection::kPlayback, kAudioErrBusy},
                        Case{"capture refuses", AudioDirection::kCapture, kAudioErrBadFormat},
                        Case{"capture fails", AudioDirection::kCapture, kAudioErrFailed}}) {
    device.FailNextOpen(c.side, c.code);
    EXPECT_EQ(engine.StartAudio(kAudioVoice), c.code) << c.what;
    EXPECT_EQ(engine.Mode(), kAudioIdle) << c.what;
    EXPECT_FALSE(engine.WorkerRunning()) << c.what;
    EXPECT_EQ(device.OpenCaptures(), 0) << c.what;
    EXPECT_EQ(device.OpenPlaybacks(), 0) << c.what;
    // Nothing is left behind: the next start works.
    ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk) << c.what;
    device.Step(9);
    EXPECT_TRUE(IsTone(FrameOf(device.Recording(), 8))) << c.what;
    engine.StopAudio();
    device.ClearRecording();
  }
  // A playback device that refuses the format, by id.
  VirtualAudioConfig refusing = test::SteppedConfig();
  refusing.acceptsFormat = false;
  devices.AddDevice(refusing);
  engine.SetDevices(0, 1);
  EXPECT_EQ(engine.StartAudio(kAudioVoice), kAudioErrBadFormat);
  EXPECT_EQ(device.OpenCaptures() + device.OpenPlaybacks(), 0);
  engine.SetDevices(7, 0);
  EXPECT_EQ(engine.StartAudio(kAudioVoice), kAudioErrBadDevice);
  EXPECT_EQ(device.OpenPlaybacks(), 0);
}

TEST_F(AudioEngineTest, StopAudioEndsAWaitingWorkerAndClosesTheDevices) {
  // The clock is never stepped: the worker sits in its capture read. Were
  // it not woken, this test would hang rather than pass.
  engine.SetStopTimeout(std::chrono::hours(1));
  ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk);
  engine.StopAudio();
  EXPECT_EQ(engine.Mode(), kAudioIdle);
  EXPECT_EQ(device.OpenCaptures(), 0);
  EXPECT_EQ(device.OpenPlaybacks(), 0);
  engine.StopAudio();  // idle: nothing

  engine.SetTxMute(true);
  ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  EXPECT_FALSE(engine.TxMute()) << "a start from idle clears the mute";
  EXPECT_EQ(device.CaptureOpens(), 2);
  EXPECT_EQ(engine.StartAudio(kAudioIdle), kAudioOk);
  EXPECT_EQ(engine.Mode(), kAudioIdle) << "mode 0 stops";
  EXPECT_EQ(device.OpenCaptures(), 0);
}

TEST_F(AudioEngineTest, AFailingCaptureEndsTheWorkerButNotTheMode) {
  ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk);
  device.FailCaptureAfter(3);
  device.Step(6);
  WaitForWorkerEnd();
  EXPECT_FALSE(engine.WorkerRunning());
  EXPECT_EQ(engine.Mode(), kTone425);
  EXPECT_EQ(engine.RunStats().cycles, 3u);
  // The devices fall silent until the next stop and start.
  ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
  EXPECT_FALSE(engine.WorkerRunning());
  engine.StopAudio();
  EXPECT_EQ(device.OpenCaptures() + device.OpenPlaybacks(), 0);
  ASSERT_EQ(engine.StartAudio(kTone425), kAudioOk);
  EXPECT_TRUE(engine.WorkerRunning());
}

TEST_F(AudioEngineTest, EchoSuppressionFollowsTheSetting) {
  // Loud audio from the far end and a quieter microphone: with "EchoCanc"
  // the microphone is held down while the far end talks.
  const uint8_t loud = AlawEncode(24000);
  double energy[2] = {};
  for (bool echoCanc : {false, true}) {
    engine.StopAudio();
    media.CloseCallMedia();
    net->sent.clear();
    MediaSettings settings;
    settings.echoCanc = echoCanc;
    ASSERT_EQ(media.OpenCallMedia(kG711Peer, settings), kRtpOpened);
    engine.SetEchoCanc(echoCanc);
    ASSERT_EQ(engine.StartAudio(kAudioVoice), kAudioOk);
    for (int i = 0; i < 80; ++i) {
      if (i % 2 == 0) Incoming(static_cast<uint16_t>(i / 2), 80 * i, loud, i == 0);
      device.Step(1);
    }
    // The packets sent once the far end's audio plays (from cycle 21 on).
    const auto voice = SentWithType(8);
    ASSERT_EQ(voice.size(), 40u);
    for (size_t p = 15; p < 40; ++p) {
      std::vector<int16_t> pcm;
      for (size_t b = 12; b < voice[p].size(); ++b) pcm.push_back(AlawDecode(voice[p][b]));
      energy[echoCanc] += Energy(pcm);
    }
  }
  ASSERT_GT(energy[0], 0);
  EXPECT_LT(energy[1], energy[0] / 100) << "about -42 dB while the far end dominates";
}

TEST_F(AudioEngineTest, QueryAudioOutputAsksThePlaybackDevice) {
  EXPECT_TRUE(engine.QueryAudioOutput(kDefaultAudioDevice));
  EXPECT_TRUE(engine.QueryAudioOutput(0));
  EXPECT_FALSE(engine.QueryAudioOutput(3));
  device.SetAcceptsFormat(false);
  EXPECT_FALSE(engine.QueryAudioOutput(0));
  EXPECT_EQ(device.PlaybackOpens(), 0) << "asked without opening";
}

}  // namespace
}  // namespace zy
