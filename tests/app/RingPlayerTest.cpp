// The ring and signal sounds, played on a stepped virtual device: files of
// the data folder before the built-in sounds, the three levels, looping,
// the single beep, replacement and stop.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "app/RingPlayer.h"
#include "platform/VirtualAudioDevice.h"

namespace zy {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr RingSound kAllSounds[] = {RingSound::Trunk, RingSound::Extension, RingSound::Hold,
                                    RingSound::Booking, RingSound::Beep};

int Peak(const std::vector<int16_t>& s, size_t from = 0, size_t to = SIZE_MAX) {
  int peak = 0;
  for (size_t i = from; i < std::min(to, s.size()); ++i) peak = std::max(peak, std::abs(int{s[i]}));
  return peak;
}

class RingPlayerTest : public ::testing::Test {
 protected:
  RingPlayerTest()
      : folder(fs::path(::testing::TempDir()) / ("zy_ring_" + std::to_string(::getpid()))),
        device(devices.AddDevice([] {
          VirtualAudioConfig c;
          c.clock = VirtualClock::kStepped;
          return c;
        }())) {
    fs::create_directories(folder);
    player = std::make_unique<RingPlayer>(devices, folder.string());
  }
  ~RingPlayerTest() override {
    player.reset();
    fs::remove_all(folder);
  }
  void WriteWav(const std::string& name, const std::vector<int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open((folder / name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
  }
  // Plays `ticks` 10 ms frames and returns what came out.
  std::vector<int16_t> Played(int ticks) {
    device.ClearRecording();
    device.Step(ticks);
    return device.Recording();
  }

  fs::path folder;
  VirtualAudioSystem devices;
  VirtualAudioDevice& device;
  std::unique_ptr<RingPlayer> player;
};

TEST(RingPlayerRoles, FileNamesAndRepeats) {
  const char* names[] = {"ringtk.wav", "ringext.wav", "ringhold.wav", "ringbook.wav", "beep.wav"};
  for (int i = 0; i < kRingSoundCount; ++i) {
    EXPECT_EQ(RingPlayer::FileName(kAllSounds[i]), names[i]);
    EXPECT_EQ(RingPlayer::Loops(kAllSounds[i]), kAllSounds[i] != RingSound::Beep);
  }
}

TEST(RingPlayerBuiltIn, FiveDistinctSoundsAtThreeLevels) {
  for (RingSound s : kAllSounds) {
    int last = 0;
    for (int level = 0; level <= 2; ++level) {
      const auto sound = RingPlayer::BuiltInSound(s, level);
      const int peak = Peak(sound);
      EXPECT_GT(peak, last) << "sound " << int(s) << " level " << level;
      EXPECT_LE(peak, RingPlayer::kLevelPeaks[level]);
      EXPECT_GE(peak, RingPlayer::kLevelPeaks[level] * 95 / 100);
      last = peak;
    }
    // Ring sounds carry their pause; a burst starts and ends without a click.
    const auto sound = RingPlayer::BuiltInSound(s, 2);
    EXPECT_LT(std::abs(int{sound.front()}), 200);
    if (RingPlayer::Loops(s)) {
      EXPECT_GE(sound.size(), 8000u * 3) << int(s);
      EXPECT_EQ(Peak(sound, sound.size() - 8000), 0) << int(s);
    } else {
      EXPECT_LE(sound.size(), 8000u / 2);
    }
  }
  for (int a = 0; a < kRingSoundCount; ++a) {
    for (int b = a + 1; b < kRingSoundCount; ++b) {
      EXPECT_NE(RingPlayer::BuiltInSound(kAllSounds[a], 2),
                RingPlayer::BuiltInSound(kAllSounds[b], 2));
    }
  }
  EXPECT_EQ(RingPlayer::BuiltInSound(RingSound::Beep, 9),
            RingPlayer::BuiltInSound(RingSound::Beep, 2));
}

TEST_F(RingPlayerTest, BuiltInSoundAtTheVolumeLevelLoopsUntilStopped) {
  player->SetVolumeLevel(0);
  ASSERT_TRUE(player->Play(RingSound::Trunk));
  EXPECT_FALSE(player->LastFromFile());
  const auto expected = RingPlayer::BuiltInSound(RingSound::Trunk, 0);
  const int periodTicks = static_cast<int>(expected.size() / 80);
  const auto played = Played(periodTicks + 50);
  ASSERT_EQ(played.size(), expected.size() + 50 * 80);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
  EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 50 * 80,
                         played.begin() + static_cast<std::ptrdiff_t>(expected.size())))
      << "the ring starts again";
  EXPECT_TRUE(player->IsPlaying());

  player->Stop();
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_EQ(device.OpenPlaybacks(), 0) << "the device is free for the audio engine";
  EXPECT_TRUE(Played(5).empty());
  player->Stop();  // nothing plays: nothing happens
}

TEST_F(RingPlayerTest, AFileOfTheRoleTakesPrecedence) {
  std::vector<int16_t> custom(400);
  for (size_t i = 0; i < custom.size(); ++i) custom[i] = static_cast<int16_t>(i * 10);
  WriteWav("ringext.wav", custom);
  ASSERT_TRUE(player->Play(RingSound::Extension));
  EXPECT_TRUE(player->LastFromFile());
  const auto played = Played(10);
  EXPECT_TRUE(std::equal(custom.begin(), custom.end(), played.begin()));
  EXPECT_TRUE(std::equal(custom.begin(), custom.end(), played.begin() + 400)) << "looped";
  // The file is for that role only; the level does not touch it.
  player->SetVolumeLevel(0);
  ASSERT_TRUE(player->Play(RingSound::Hold));
  EXPECT_FALSE(player->LastFromFile());
  ASSERT_TRUE(player->Play(RingSound::Extension));
  const auto again = Played(1);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), custom.begin())) << "from its start";
}

TEST_F(RingPlayerTest, AnUnreadableFileFallsBackToTheBuiltInSound) {
  std::FILE* f = std::fopen((folder / "ringtk.wav").c_str(), "w");
  std::fputs("not a sound", f);
  std::fclose(f);
  player->SetVolumeLevel(1);
  ASSERT_TRUE(player->Play(RingSound::Trunk));
  EXPECT_FALSE(player->LastFromFile());
  const auto expected = RingPlayer::BuiltInSound(RingSound::Trunk, 1);
  const auto played = Played(20);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), expected.begin()));
}

TEST_F(RingPlayerTest, TheBeepPlaysOnceAndFreesTheDevice) {
  ASSERT_TRUE(player->Play(RingSound::Beep));
  const auto beep = RingPlayer::BuiltInSound(RingSound::Beep, 2);
  const auto played = Played(static_cast<int>(beep.size() / 80) + 20);
  EXPECT_TRUE(std::equal(beep.begin(), beep.end(), played.begin()));
  EXPECT_EQ(Peak(played, beep.size()), 0) << "silence after the beep";
  EXPECT_FALSE(player->IsPlaying());
  // The player closes the device by itself shortly after.
  for (int i = 0; i < 2000 && device.OpenPlaybacks() > 0; ++i) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(device.OpenPlaybacks(), 0);
}

TEST_F(RingPlayerTest, ANewSoundReplacesThePlayingOne) {
  ASSERT_TRUE(player->Play(RingSound::Trunk));
  Played(30);
  ASSERT_TRUE(player->Play(RingSound::Booking));
  EXPECT_EQ(device.OpenPlaybacks(), 1);
  const auto expected = RingPlayer::BuiltInSound(RingSound::Booking, 2);
  const auto played = Played(30);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), expected.begin()))
      << "the new sound from its start, nothing of the old one mixed in";
}

TEST_F(RingPlayerTest, ADeviceThatCannotOpenPlaysNothing) {
  device.FailNextOpen(AudioDirection::kPlayback, kAudioErrBusy);
  EXPECT_FALSE(player->Play(RingSound::Trunk));
  EXPECT_FALSE(player->IsPlaying());
  player->SetPlaybackDevice(5);
  EXPECT_FALSE(player->Play(RingSound::Trunk));
  player->SetPlaybackDevice(0);
  EXPECT_TRUE(player->Play(RingSound::Trunk));
}

}  // namespace
}  // namespace zy
