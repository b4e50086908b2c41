// The media commands of the PBX as the phone window hands them on: the ring
// stops first, then the session and the engine follow the command; without
// usable audio the commands are ignored; failing devices give message 332.
#include <gtest/gtest.h>

#include "media/AudioTestSupport.h"
#include "media/MediaControl.h"

namespace zy {
namespace {

using test::kG711Peer;
using test::kG729Peer;
using test::kTone425;

class MediaControlTest : public test::AudioEngineFixture {
 protected:
  MediaControlTest() : control(engine, media) {
    control.SetStopRing([this] { ++ringStops; });
    control.SetAudioAvailable(true);
  }
  int Command(uint16_t command, const MediaPeer& peer = kG711Peer) {
    return control.OnMediaCommand(command, peer, settings);
  }

  MediaSettings settings;
  MediaControl control;
  int ringStops = 0;
};

TEST_F(MediaControlTest, StartOpensTheSessionAndStartsVoice) {
  settings.rtpPort = 20002;
  EXPECT_EQ(Command(1), 0);
  EXPECT_EQ(ringStops, 1);
  EXPECT_TRUE(media.IsRtpOpen());
  EXPECT_EQ(net->boundPort, 20002);
  EXPECT_EQ(engine.Mode(), kAudioVoice);
  device.Step(2);
  ASSERT_EQ(SentWithType(8).size(), 1u);
  EXPECT_EQ(net->sent[0].peer, (RtpEndpoint{kG711Peer.address, kG711Peer.port}));

  // A second start keeps the open session.
  EXPECT_EQ(Command(1, kG729Peer), 0);
  EXPECT_EQ(net->openCalls, 1);
  EXPECT_FALSE(media.Session().IsG729());
}

TEST_F(MediaControlTest, StopEndsAudioThenClosesTheSession) {
  ASSERT_EQ(Command(1), 0);
  EXPECT_EQ(Command(0), 0);
  EXPECT_EQ(ringStops, 2);
  EXPECT_EQ(engine.Mode(), kAudioIdle);
  EXPECT_FALSE(media.Session().IsSessionOpen());
  EXPECT_EQ(device.OpenCaptures() + device.OpenPlaybacks(), 0);
}

TEST_F(MediaControlTest, ToneClosesTheSessionAndPlaysLocally) {
  ASSERT_EQ(Command(1), 0);
  EXPECT_EQ(Command(kTone425), 0);
  EXPECT_FALSE(media.Session().IsSessionOpen());
  EXPECT_EQ(engine.Mode(), kTone425);
  EXPECT_EQ(device.PlaybackOpens(), 1) << "the running engine only changes its mode";
  device.Step(20);
  EXPECT_GT(test::PeakOf(test::FrameOf(device.Recording(), 19)), 3000);
}

TEST_F(MediaControlTest, DeviceFailureGivesMessage332) {
  device.FailNextOpen(AudioDirection::kCapture, kAudioErrBusy);
  EXPECT_EQ(Command(1), kStrAudioDeviceError);
  EXPECT_EQ(control.LastAudioError(), kAudioErrBusy);
  EXPECT_FALSE(media.Session().IsSessionOpen()) << "the session is closed again";
  EXPECT_EQ(engine.Mode(), kAudioIdle);

  device.FailNextOpen(AudioDirection::kPlayback, kAudioErrBadFormat);
  EXPECT_EQ(Command(kTone425), kStrAudioDeviceError);
  EXPECT_EQ(engine.Mode(), kAudioIdle);

  EXPECT_EQ(Command(1), 0) << "the next call has its audio";
  EXPECT_EQ(control.LastAudioError(), 0u);
}

TEST_F(MediaControlTest, WithoutAudioOnlyTheRingStops) {
  control.SetAudioAvailable(false);
  for (uint16_t command : {uint16_t{1}, kTone425, uint16_t{0}}) {
    EXPECT_EQ(Command(command), 0);
  }
  EXPECT_EQ(ringStops, 3);
  EXPECT_EQ(net->openCalls, 0);
  EXPECT_EQ(engine.Mode(), kAudioIdle);
  EXPECT_EQ(device.PlaybackOpens(), 0);
}

TEST_F(MediaControlTest, EchoCancFollowsEachCommand) {
  // Loud far end, and the setting switched on with the next command of
  // the same call: the microphone is held down from then on.
  ASSERT_EQ(Command(1), 0);
  const uint8_t loud = AlawEncode(24000);
  for (int i = 0; i < 60; ++i) {
    if (i % 2 == 0) Incoming(static_cast<uint16_t>(i / 2), 80 * i, loud, i == 0);
    if (i == 30) {
      settings.echoCanc = true;
      ASSERT_EQ(Command(1), 0);
    }
    device.Step(1);
  }
  const auto voice = SentWithType(8);
  ASSERT_EQ(voice.size(), 30u);
  auto energy = [&](size_t p) {
    std::vector<int16_t> pcm;
    for (size_t b = 12; b < voice[p].size(); ++b) pcm.push_back(AlawDecode(voice[p][b]));
    return test::Energy(pcm);
  };
  EXPECT_LT(energy(29), energy(14) / 100);
}

TEST_F(MediaControlTest, StopMediaForExitAndReconnection) {
  ASSERT_EQ(Command(1), 0);
  control.StopMedia();
  EXPECT_EQ(engine.Mode(), kAudioIdle);
  EXPECT_FALSE(media.Session().IsSessionOpen());
  EXPECT_EQ(ringStops, 1) << "the ring is the window's business here";
}

}  // namespace
}  // namespace zy
