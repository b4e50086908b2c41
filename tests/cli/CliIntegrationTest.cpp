// zyphone-cli run as a program against the simulator.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "pbxsim/Simulator.h"

namespace {

using namespace std::chrono_literals;

struct CliRun {
  int status = -1;
  std::string out;  // standard output and standard error
};

CliRun RunCli(const std::string& args, const std::string& input = "") {
  // Settings from a folder of its own: nothing stored, options only.
  const std::string command = "XDG_CONFIG_HOME=" ZY_BINARY_DIR "/cli-test-config " +
                              std::string("XDG_CONFIG_DIRS=" ZY_BINARY_DIR "/cli-test-config ") +
                              "printf '" + input + "' | " ZY_BINARY_DIR "/tools/cli/zyphone-cli " +
                              args + " 2>&1";
  CliRun r;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pbxsim::Scenario s;
    auto& op = s.AddExtension(0x0010, "200");
    op.name = "Centralino";
    op.password = "1234";
    op.grants.operatorFlag = true;
    op.grants.minVersion = 3;
    op.grants.maxVersion = 4;
    s.AddExtension(0x0011, "201").name = "Portineria";
    s.SetRecordTexts(0x0010, 0x0800, {"Chiave", "Citt\xE0"});  // Windows-1252 on the wire
    s.AddTrunkLine(0x4001, "101");
    s.AddTrunkRoute(0x6001);
    sim = std::make_unique<pbxsim::Simulator>(std::move(s));
    ASSERT_TRUE(sim->Start(0));
    base = "--host 127.0.0.1 --port " + std::to_string(sim->Port()) + " --timeout-ms 2000 ";
  }
  std::unique_ptr<pbxsim::Simulator> sim;
  std::string base;
};

TEST_F(CliTest, ParamPrintsEachTextOnItsOwnLine) {
  const CliRun r = RunCli(base + "param 0x10 0x800");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "Chiave\nCittà\n");
  const CliRun missing = RunCli(base + "param 16 999");
  EXPECT_EQ(missing.status, 1) << missing.out;
}

TEST_F(CliTest, RangePrintsOneLinePerRecord) {
  const CliRun r = RunCli(base + "range 0xFFFF 259");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "0x0010 0x0103 Centralino\n0x0011 0x0103 Portineria\n");
}

TEST_F(CliTest, LoginPrintsTheGrantsAndTheModel) {
  const CliRun r = RunCli(base + "--extension 200 --password 01234 login");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            "ownId 0x0010\noperator 1\nprivileged 0\nversions 3-4\n"
            "extensions 2\nlines 1\nroutes 1\n");
  const CliRun refused = RunCli(base + "--extension 999 --password 1 login");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "Interno 999 non esistente\n");
  const CliRun wrong = RunCli(base + "--extension 200 --password 4321 login");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.out, "Password interno non valida\n");
}

TEST_F(CliTest, LoginStaySendsTypedKeysAndAKeepAlive) {
  const CliRun r = RunCli(base + "--extension 200 --password 1234 --tick-ms 50 login --stay",
                          "offhook\\n12\\nonhook\\n");
  EXPECT_EQ(r.status, 0) << r.out;
  std::string keys;
  for (const auto& f : sim->Received()) {
    if (f.code == 0xFE14) keys += static_cast<char>(f.subject);
  }
  EXPECT_EQ(keys, "pX12$");
  // What the PBX shows, as the window would apply it.
  EXPECT_NE(r.out.find("\nL00|"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nSTATUS 0x03\n"), std::string::npos) << "off-hook: busy, speech" << r.out;
  EXPECT_TRUE(sim->WaitForCode(0xFE15, 2s)) << "a keep-alive follows the login";
}

TEST_F(CliTest, WatchPrintsFramesAndAnswersPolls) {
  sim->SetKeepAlivePeriod(30ms);
  const CliRun r = RunCli(base + "--tick-ms 20 watch 1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("0xfe02 0x0000 0\n"), std::string::npos) << r.out;
  EXPECT_TRUE(sim->WaitForCode(0xFE15, 1s));
}

TEST_F(CliTest, LinkFailuresExitWithTwo) {
  const uint16_t port = sim->Port();
  sim->Stop();
  const CliRun r = RunCli("--host 127.0.0.1 --port " + std::to_string(port) + " param 1 2");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "Errore 0x0000006f: impossibile connettersi al sistema\n");
  const CliRun usage = RunCli("--host 127.0.0.1 param 1");
  EXPECT_EQ(usage.status, 2);
  const CliRun noHost = RunCli("param 1 2");
  EXPECT_EQ(noHost.status, 2);
  EXPECT_NE(noHost.out.find("--host"), std::string::npos);
}

}  // namespace
