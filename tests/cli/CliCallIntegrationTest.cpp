// zyphone-cli call: a call to the simulator's echo service made from a
// terminal, with the microphone read from a WAV file and what is heard
// written to another.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sndfile.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "media/MediaTestSupport.h"
#include "pbxsim/Simulator.h"

namespace {

namespace fs = std::filesystem;

std::string RunCli(const std::string& args, int& status) {
  const std::string command = "XDG_CONFIG_HOME=" ZY_BINARY_DIR "/cli-test-config " +
                              std::string("XDG_CONFIG_DIRS=" ZY_BINARY_DIR "/cli-test-config ") +
                              ZY_BINARY_DIR "/tools/cli/zyphone-cli " + args + " 2>&1";
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int s = ::pclose(p);
  status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

using zy::test::FreeEvenPort;

std::vector<int16_t> ReadWav(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr) return {};
  std::vector<int16_t> s(static_cast<size_t>(info.frames));
  sf_readf_short(f, s.data(), info.frames);
  sf_close(f);
  return s;
}

class CliCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) / ("zy_cli_call_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    pbxsim::Scenario s;
    s.AddExtension(0x0011, "201").password = "1234";
    pbxsim::MediaService echo;
    echo.number = "600";
    echo.codec = pbxsim::codec::kG711;
    s.AddMediaService(echo);
    sim = std::make_unique<pbxsim::Simulator>(std::move(s));
    ASSERT_TRUE(sim->Start(0));
    base = "--host 127.0.0.1 --port " + std::to_string(sim->Port()) +
           " --timeout-ms 2000 --extension 201 --password 1234 --rtp-port " +
           std::to_string(FreeEvenPort()) + " ";
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  std::unique_ptr<pbxsim::Simulator> sim;
  std::string base;
};

TEST_F(CliCallTest, CallsTheEchoServiceAndRecordsWhatComesBack) {
  // Two seconds of a 500 Hz tone at -12 dB.
  std::vector<int16_t> tone(16000);
  for (size_t i = 0; i < tone.size(); ++i) {
    tone[i] = static_cast<int16_t>(8000 * std::sin(2 * std::acos(-1.0) * 500 * i / 8000.0));
  }
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  const std::string in = (dir / "in.wav").string();
  const std::string out = (dir / "out.wav").string();
  SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  sf_write_short(f, tone.data(), static_cast<sf_count_t>(tone.size()));
  sf_close(f);

  int status = -1;
  const std::string output =
      RunCli(base + "call 600 2 --capture " + in + " --playback " + out, status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("M|1\n"), std::string::npos) << output;
  EXPECT_NE(output.find("M|0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("audio cycles "), std::string::npos) << output;

  const std::vector<int16_t> heard = ReadWav(out);
  ASSERT_GE(heard.size(), 8000u);
  // The echo is back after about a quarter of a second.
  int peak = 0;
  for (size_t i = 4000; i < 8000; ++i) peak = std::max(peak, std::abs(int{heard[i]}));
  EXPECT_NEAR(peak, 8000, 300);
  EXPECT_GT(sim->Media().voicePackets, 40u);
  EXPECT_EQ(sim->Call().state, pbxsim::CallState::kIdle);
}

TEST_F(CliCallTest, RefusesACaptureFileItCannotRead) {
  int status = -1;
  const std::string output =
      RunCli(base + "call 600 1 --capture " + (dir / "missing.wav").string(), status);
  EXPECT_EQ(status, 2) << output;
  EXPECT_NE(output.find("missing.wav"), std::string::npos) << output;
  EXPECT_EQ(sim->Login().attempts, 0u) << "nothing is sent before the files are checked";

  const std::string usage = RunCli(base + "call 600", status);
  EXPECT_EQ(status, 2) << usage;
}

}  // namespace
