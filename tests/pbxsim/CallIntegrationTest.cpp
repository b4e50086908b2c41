// The simulator's calls over loopback, with a plain socket that plays the
// phone: keys in, display lines, status streams, media control and call
// records out; media through a UDP socket of the test.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Loopback.h"
#include "pbxsim/Simulator.h"

namespace pbxsim {
namespace {

using namespace test;
using Frames = std::vector<Reply>;

constexpr uint16_t kOwnId = 0x0010;
const Bytes kIdleStatus = {0x80, 0x40, 16, 0x40, 17, 0x40, 18, 0x40, 19};
const Bytes kBusyStatus = {0x83, 0x40, 16, 0x40, 17, 0x40, 18, 0x40, 19};
const Bytes kCursorHidden = {0x50, 0xFF};

// Wednesday 5 March 2025, 14:32:10 local time.
std::chrono::system_clock::time_point FixedTime() {
  std::tm tm{};
  tm.tm_year = 125;
  tm.tm_mon = 2;
  tm.tm_mday = 5;
  tm.tm_hour = 14;
  tm.tm_min = 32;
  tm.tm_sec = 10;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// The NUL-terminated texts of a payload.
std::vector<std::string> Texts(const Bytes& b) {
  std::vector<std::string> out;
  std::string cur;
  for (uint8_t c : b) {
    if (c == 0) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(static_cast<char>(c));
    }
  }
  EXPECT_TRUE(cur.empty()) << "a text without its NUL";
  return out;
}

// Display lines among frames: line number -> (attributes, text).
std::map<int, std::pair<int, std::string>> Lines(const Frames& frames) {
  std::map<int, std::pair<int, std::string>> out;
  for (const auto& f : frames) {
    if (f.code == 0xFE3B) out[f.subject & 0xFF] = {f.subject >> 8, Text(f.payload)};
  }
  return out;
}

std::vector<Bytes> Streams(const Frames& frames) {
  std::vector<Bytes> out;
  for (const auto& f : frames) {
    if (f.code == 0xFE04) out.push_back(f.payload);
  }
  return out;
}

const Reply* Find(const Frames& frames, uint16_t code) {
  for (const auto& f : frames) {
    if (f.code == code) return &f;
  }
  return nullptr;
}

class CallTest : public ::testing::Test {
 protected:
  CallTest() {
    scenario.AddExtension(kOwnId, "200").name = "Centralino";
    scenario.AddExtension(0x0011, "201").name = "Portineria";
    scenario.AddExtension(0x0012, "2010").name = "Magazzino";  // 201 is a prefix of it
    MediaService echo;
    echo.number = "600";
    scenario.AddMediaService(echo);
    MediaService tone;
    tone.number = "601";
    tone.mode = MediaMode::kTone;
    tone.codec = codec::kG729;
    scenario.AddMediaService(tone);
    scenario.SetDialPause(std::chrono::milliseconds(0));  // only '#' or a unique number
  }

  // Starts the simulator, connects and logs extension 200 in; the frames
  // that answered the login.
  Frames Start(uint8_t codecByte = 0) {
    sim = std::make_unique<Simulator>(scenario);
    sim->SetWallClock(FixedTime);
    EXPECT_TRUE(sim->Start(0));
    EXPECT_TRUE(phone.Connect(sim->Port()));
    return LogIn(codecByte);
  }

  Frames LogIn(uint8_t codecByte) {
    phone.Send(LoginRequest(rtp.Port(), codecByte, "200"));
    return Sync();
  }

  // Everything the simulator sent up to now: a read of a record nobody has
  // is answered after whatever the earlier frames caused.
  Frames Sync() {
    phone.Send(Request(0, 0xFE11, 0x7FFE, 0x7FFE));
    Frames out;
    while (auto r = phone.ReadFrame()) {
      if (r->code == 0xFE01) return out;
      out.push_back(*r);
    }
    ADD_FAILURE() << "no end of the answer";
    return out;
  }

  Frames Press(const std::string& keys) {
    for (char k : keys) phone.Send(Request(static_cast<uint8_t>(k), 0xFE14));
    return Sync();
  }

  Scenario scenario;
  std::unique_ptr<Simulator> sim;
  PhoneSocket phone;
  UdpPeer rtp;  // the phone's RTP port, told at login
};

// ---------------------------------------------------------------- idle screen

TEST_F(CallTest, LoginWritesTheIdleScreenAndKeyPRewritesIt) {
  Frames login = Start();
  ASSERT_EQ(login.size(), 15u);
  EXPECT_EQ(login[0].code, 0xFE03);
  EXPECT_EQ(login[1].code, 0xFE04);
  EXPECT_EQ(login[1].payload, kIdleStatus);
  const std::string header = "Centralino" + std::string(19, ' ') + "200";
  const std::vector<std::pair<int, std::string>> screen = {
      {1, header},  // inverse
      {0, "Mer 05/03/2025  14:32"},
      {0, ""},
      {0, "1. Rubrica"},
      {0, "2. Messaggi"},
      {0, "3. Chiamate"},
  };
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    const Reply& f = login[2 + i];
    EXPECT_EQ(f.code, 0xFE3B);
    EXPECT_EQ(f.subject & 0xFF, i);
    if (i < static_cast<int>(screen.size())) {
      EXPECT_EQ(f.subject >> 8, screen[i].first);
      EXPECT_EQ(Text(f.payload), screen[i].second);
    } else {
      EXPECT_EQ(f.subject, i);
      EXPECT_TRUE(f.payload.empty());
    }
  }
  EXPECT_EQ(login[14].payload, kCursorHidden);

  Frames again = Press("p");
  ASSERT_EQ(again.size(), 14u);
  for (size_t i = 0; i < again.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(again[i].code, login[i + 1].code);
    EXPECT_EQ(again[i].subject, login[i + 1].subject);
    EXPECT_EQ(again[i].payload, login[i + 1].payload);
  }
  CallInfo c = sim->Call();
  EXPECT_TRUE(c.loggedIn);
  EXPECT_EQ(c.state, CallState::kIdle);
  EXPECT_EQ(c.lines[3], "1. Rubrica");
  EXPECT_EQ(c.phoneStatus, 0);
}

TEST_F(CallTest, KeysBeforeALoginChangeNothing) {
  sim = std::make_unique<Simulator>(scenario);
  ASSERT_TRUE(sim->Start(0));
  ASSERT_TRUE(phone.Connect(sim->Port()));
  EXPECT_TRUE(Press("X600").empty());
  EXPECT_FALSE(sim->RingIn("201"));
  EXPECT_FALSE(sim->Call().loggedIn);
}

// ---------------------------------------------------------------- dialling

TEST_F(CallTest, OffHookDialAServiceAndHangUp) {
  Start();
  Frames offHook = Press("X");
  ASSERT_FALSE(offHook.empty());
  EXPECT_EQ(offHook.front().payload, kBusyStatus);  // the status comes first
  auto lines = Lines(offHook);
  EXPECT_EQ(lines[2].second, "Selezionare numero");
  EXPECT_EQ(lines[1].second, "") << "the clock and the menu go";
  EXPECT_EQ(lines[3].second, "");
  EXPECT_EQ(offHook.back().payload, (Bytes{0x50, 3 * 32}));  // cursor after the text
  EXPECT_EQ(sim->Call().phoneStatus, 0x03);

  // A keypad 6 and a typed 0 echo alike.
  Frames six = Press("{");
  EXPECT_EQ(Lines(six)[3].second, "6");
  EXPECT_EQ(six.back().payload, (Bytes{0x50, 3 * 32 + 1}));
  EXPECT_EQ(Lines(Press("0"))[3].second, "60");

  // 600 can only be the echo service: it answers at once.
  Frames answered = Press(".");
  lines = Lines(answered);
  EXPECT_EQ(lines[2].second, "In conversazione");
  EXPECT_EQ(lines[3].second, "600");
  EXPECT_EQ(lines[4].second, "Servizio eco");
  ASSERT_EQ(answered.back().code, 0xFE3C);
  const Reply& media = answered.back();
  EXPECT_EQ(media.subject, 1);
  CallInfo c = sim->Call();
  EXPECT_EQ(c.state, CallState::kTalking);
  EXPECT_TRUE(c.mediaRunning);
  ASSERT_NE(c.mediaPort, 0);
  EXPECT_EQ(media.payload,
            (Bytes{0, uint8_t(c.mediaPort >> 8), uint8_t(c.mediaPort), 127, 0, 0, 1}));
  EXPECT_EQ(Streams(answered).back(), kCursorHidden);

  Frames onHook = Press("$");
  ASSERT_GE(onHook.size(), 3u);
  EXPECT_EQ(onHook.front().code, 0xFE3C);
  EXPECT_EQ(onHook.front().subject, 0);
  EXPECT_TRUE(onHook.front().payload.empty());
  EXPECT_EQ(onHook[1].payload, kIdleStatus);
  EXPECT_EQ(Lines(onHook)[3].second, "1. Rubrica");
  ASSERT_EQ(onHook.back().code, 0xFE36);
  EXPECT_EQ(onHook.back().subject, kOwnId);
  EXPECT_EQ(Texts(onHook.back().payload),
            (std::vector<std::string>{"3", "1", "600", "19", "305", "E20", "0", "1"}));
  EXPECT_EQ(sim->Call().state, CallState::kIdle);
  EXPECT_FALSE(sim->Call().mediaRunning);
  ASSERT_EQ(sim->CallRecords(kOwnId).size(), 1u);
  EXPECT_EQ(sim->CallRecords(kOwnId)[0].type, calltype::kMade);
}

struct DialCase {
  const char* keys;  // after off-hook
  const char* shown;
  const char* name;
  int recordType;  // on hook; 0: none
  uint16_t party;
};

TEST_F(CallTest, DialledNumbersReachWhatTheyName) {
  Start();
  const DialCase cases[] = {
      {"201#", "Chiamata in corso", "Portineria", 3, 0x0011},
      {"2010", "Chiamata in corso", "Magazzino", 3, 0x0012},  // nothing longer: no '#' needed
      {"999#", "Numero inesistente", "", 0, 0},
      {"200#", "Numero occupato", "", 0, 0},   // the phone's own number
      {"[|", "Numero inesistente", "", 0, 0},  // keypad 4 and keypad #
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    Frames f = Press(std::string("X") + c.keys);
    auto lines = Lines(f);
    EXPECT_EQ(lines[2].second, c.shown);
    EXPECT_EQ(sim->Call().lines[4], c.name);
    EXPECT_FALSE(Find(f, 0xFE3C)) << "no media for these";
    EXPECT_EQ(Streams(f).back(), kCursorHidden);
    Frames end = Press("$");
    EXPECT_FALSE(Find(end, 0xFE3C));
    const Reply* record = Find(end, 0xFE36);
    ASSERT_EQ(record != nullptr, c.recordType != 0);
    if (record) {
      auto t = Texts(record->payload);
      ASSERT_EQ(t.size(), 8u);
      EXPECT_EQ(t[0], std::to_string(c.recordType));
      EXPECT_EQ(t[6], c.party == 0x11 ? "11" : "12");
    }
    EXPECT_EQ(sim->Call().state, CallState::kIdle);
  }
}

TEST_F(CallTest, CharactersTypedWhileTheCursorShowsDialToo) {
  Start();
  Press("X");
  // '6', '0', '0' as the phone sends typed characters in text entry.
  for (uint16_t key : {0x8040, 0x803A}) phone.Send(Request(key, 0xFE14));
  EXPECT_EQ(Lines(Sync())[3].second, "60");
  phone.Send(Request(0x8010, 0xFE14));  // 'A': not a digit
  phone.Send(Request(0x803A, 0xFE14));
  EXPECT_TRUE(Find(Sync(), 0xFE3C));
  EXPECT_EQ(sim->Call().number, "600");
}

TEST_F(CallTest, CancelEditsAndAPauseEndsTheNumber) {
  Start();
  EXPECT_EQ(Lines(Press("X12C"))[3].second, "1");
  EXPECT_EQ(sim->Call().digits, "1");
  Press("$");

  sim->SetDialPause(std::chrono::milliseconds(20));
  // A digit typed on hook dials hands-free.
  Frames typed = Press("9");
  EXPECT_EQ(typed.front().payload, kBusyStatus);
  EXPECT_EQ(Lines(typed)[3].second, "9");
  ASSERT_TRUE(
      sim->WaitForCall([](const CallInfo& c) { return c.state == CallState::kInvalid; }, kWait));
  EXPECT_EQ(Lines(Sync())[2].second, "Numero inesistente");
}

struct CodecCase {
  uint8_t loginCodec;
  const char* number;
  uint8_t selector;
};

TEST_F(CallTest, CodecSelectorFollowsTheLoginOrTheService) {
  Start();
  const CodecCase cases[] = {
      {0, "600", 0},  {8, "600", 1}, {16, "600", 0},
      {24, "600", 1}, {0, "601", 1},  // the service asks for G.729 whatever the phone prefers
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.loginCodec) + " " + c.number);
    LogIn(c.loginCodec);
    Frames f = Press(std::string("X") + c.number);
    const Reply* media = Find(f, 0xFE3C);
    ASSERT_TRUE(media);
    ASSERT_EQ(media->payload.size(), 7u);
    EXPECT_EQ(media->payload[0], c.selector);
    EXPECT_EQ(sim->Media().codec, c.selector);
    Press("$");
  }
}

// ---------------------------------------------------------------- other parties

TEST_F(CallTest, AnIncomingCallRingsAndIsAnswered) {
  Start();
  ASSERT_TRUE(sim->RingIn("201"));
  EXPECT_FALSE(sim->RingIn("202")) << "one call at a time";
  Frames ringing = Sync();
  auto lines = Lines(ringing);
  EXPECT_EQ(lines[2].second, "Chiamata in arrivo");
  EXPECT_EQ(lines[3].second, "201");
  EXPECT_EQ(lines[4].second, "Portineria");
  EXPECT_EQ(Streams(ringing), (std::vector<Bytes>{{'*'}}))
      << "the extension ring, status unchanged";
  EXPECT_EQ(sim->Call().state, CallState::kRinging);

  Frames answered = Press("X");
  ASSERT_FALSE(answered.empty());
  EXPECT_EQ(answered.front().payload, (Bytes{'('}));
  EXPECT_EQ(answered[1].payload, kBusyStatus);
  EXPECT_EQ(Lines(answered)[2].second, "In conversazione");
  const Reply* media = Find(answered, 0xFE3C);
  ASSERT_TRUE(media);
  EXPECT_EQ(media->subject, 1);
  EXPECT_EQ(sim->Media().mode, MediaMode::kEcho);

  Frames end = Press("$");
  ASSERT_EQ(end.back().code, 0xFE36);
  auto t = Texts(end.back().payload);
  EXPECT_EQ(t[0], "2");
  EXPECT_EQ(t[2], "201");
  EXPECT_EQ(t[6], "11");
}

TEST_F(CallTest, AnUnansweredOutsideCallIsMissedAndLightsTheCallsLamp) {
  Start();
  ASSERT_TRUE(sim->RingIn("0612345678", "Mario Rossi"));
  Frames ringing = Sync();
  EXPECT_EQ(Streams(ringing).back(), (Bytes{')'}));  // the trunk ring
  EXPECT_EQ(Lines(ringing)[4].second, "Mario Rossi");

  ASSERT_TRUE(sim->HangUpRemote());
  Frames missed = Sync();
  EXPECT_EQ(missed.front().payload, (Bytes{'('}));
  Bytes lampOn = kIdleStatus;
  lampOn[5] = 0x41;
  EXPECT_EQ(Streams(missed)[1], lampOn);
  ASSERT_EQ(missed.back().code, 0xFE36);
  EXPECT_EQ(Texts(missed.back().payload)[0], "1");
  EXPECT_EQ(sim->Call().state, CallState::kIdle);

  // Keypad 3 on the idle screen lists the calls and puts the lamp out.
  Frames list = Press(";");
  EXPECT_EQ(Streams(list).front(), kIdleStatus);
  EXPECT_EQ(Lines(list)[2].second, "Persa    0612345678 05/03 14:32");
  Frames back = Press("C");
  EXPECT_EQ(Lines(back)[3].second, "1. Rubrica");
}

TEST_F(CallTest, TheCalledExtensionAnswersAndHangsUp) {
  Start();
  EXPECT_FALSE(sim->AnswerCall()) << "nothing rings";
  Press("X201#");
  ASSERT_TRUE(sim->AnswerCall());
  Frames answered = Sync();
  EXPECT_EQ(Lines(answered)[2].second, "In conversazione");
  ASSERT_TRUE(Find(answered, 0xFE3C));
  EXPECT_EQ(Find(answered, 0xFE3C)->subject, 1);

  ASSERT_TRUE(sim->HangUpRemote());
  Frames ended = Sync();
  ASSERT_GE(ended.size(), 2u);
  EXPECT_EQ(ended[0].code, 0xFE3C);
  EXPECT_EQ(ended[0].subject, 0);
  EXPECT_EQ(ended[1].code, 0xFE36);
  EXPECT_EQ(Lines(ended)[2].second, "Chiamata terminata");
  EXPECT_EQ(sim->Call().phoneStatus, 0x03) << "off hook until the phone hangs up";

  Frames onHook = Press("$");
  EXPECT_FALSE(Find(onHook, 0xFE36)) << "the call was reported once";
  EXPECT_FALSE(Find(onHook, 0xFE3C));
  EXPECT_EQ(sim->CallRecords(kOwnId).size(), 1u);
}

// ---------------------------------------------------------------- records, pushes, connection

TEST_F(CallTest, StoredRecordsAnswerTheRequestUntilDeleted) {
  Start();
  Press("X600$X201#$");
  phone.Send(Request(kOwnId, 0xFE20));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 3u);
  EXPECT_EQ(answer[0].code, 0xFE36);
  EXPECT_EQ(Texts(answer[0].payload)[2], "600");
  EXPECT_EQ(Texts(answer[1].payload)[2], "201");
  EXPECT_EQ(Texts(answer[1].payload)[7], "2");  // the call id
  phone.Send(Request(kOwnId, 0xFE2E));
  EXPECT_EQ(phone.ReadAnswer().size(), 1u);
  phone.Send(Request(kOwnId, 0xFE20));
  EXPECT_EQ(phone.ReadAnswer().size(), 1u);
}

TEST_F(CallTest, PushedDialRequestDisplayAndLine) {
  Start();
  ASSERT_TRUE(sim->SendDialRequest("0612345"));
  ASSERT_TRUE(sim->SendDisplay({0x41, 0x11}));
  ASSERT_TRUE(sim->SendStatusLine(5, 0x03, "Ciao"));
  Frames f = Sync();
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].code, 0xFE76);
  EXPECT_EQ(f[0].payload, Nul("0612345"));
  EXPECT_EQ(f[1].code, 0xFE04);
  EXPECT_EQ(f[1].payload, (Bytes{0x41, 0x11}));
  EXPECT_EQ(f[2].code, 0xFE3B);
  EXPECT_EQ(f[2].subject, 0x0305);
  EXPECT_EQ(f[2].payload, (Bytes{'C', 'i', 'a', 'o'}));
  EXPECT_EQ(sim->Call().lines[5], "Ciao");
  // The pushed stream may have changed the lamps: the next screen sends
  // the status again.
  EXPECT_EQ(Streams(Press(",")).front(), kIdleStatus);
}

TEST_F(CallTest, APlannedCallRingsAfterTheLogin) {
  RingInPlan plan;
  plan.number = "201";
  plan.afterLogin = std::chrono::milliseconds(10);
  scenario.SetRingIn(plan);
  Start();
  ASSERT_TRUE(
      sim->WaitForCall([](const CallInfo& c) { return c.state == CallState::kRinging; }, kWait));
  EXPECT_EQ(sim->Call().number, "201");
}

TEST_F(CallTest, TheEndOfTheConnectionEndsTheCallAndItsMedia) {
  Start();
  Press("X600");
  ASSERT_TRUE(sim->Call().mediaRunning);
  phone.Close();
  ASSERT_TRUE(sim->WaitForDisconnect(kWait));
  CallInfo c = sim->Call();
  EXPECT_FALSE(c.loggedIn);
  EXPECT_EQ(c.state, CallState::kIdle);
  EXPECT_FALSE(c.mediaRunning);
  EXPECT_TRUE(sim->Media().ran);
  // The record waits for the next request of the extension's calls.
  ASSERT_TRUE(phone.Connect(sim->Port()));
  phone.Send(Request(kOwnId, 0xFE20));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(Texts(answer[0].payload)[2], "600");
}

// ---------------------------------------------------------------- media through a call

TEST_F(CallTest, AnEchoCallCarriesMediaAndIsRecorded) {
  const std::string dir = ::testing::TempDir() + "/pbxsim-rec-" + std::to_string(::getpid());
  MediaSettings ms;
  ms.recordDir = dir;
  scenario.SetMediaSettings(ms);
  Start();
  Frames f = Press("X600");
  const Reply* media = Find(f, 0xFE3C);
  ASSERT_TRUE(media);
  ASSERT_EQ(media->payload.size(), 7u);
  const uint16_t port = uint16_t((media->payload[1] << 8) | media->payload[2]);

  rtp.SendTo(port, RtpPacket(8, 1, 160, 0xABCD, true, Bytes(160, 0xD5)));
  auto back = rtp.Receive();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->payload, Bytes(160, 0xD5));
  EXPECT_EQ(back->fromPort, port);

  Press("$");
  MediaReport r = sim->Media();
  EXPECT_TRUE(r.ran);
  EXPECT_EQ(r.recording, std::vector<int16_t>(160, 8));
  ASSERT_FALSE(r.recordFile.empty());
  EXPECT_EQ(r.recordFile.rfind(dir, 0), 0u);
  EXPECT_NE(r.recordFile.find("-600.wav"), std::string::npos);
  SF_INFO info{};
  SNDFILE* wav = sf_open(r.recordFile.c_str(), SFM_READ, &info);
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(info.frames, 160);
  sf_close(wav);
  std::filesystem::remove_all(dir);
}

// ---------------------------------------------------------------- the program

TEST(PbxsimProgramCalls, ServicesFromTheCommandLineAndCommandsFromStdin) {
  if (ProgramPath().empty() || ScenarioDir().empty())
    GTEST_SKIP() << "no path of the program or scenarios";
  const std::string dir = ::testing::TempDir() + "/pbxsim-prog-" + std::to_string(::getpid());
  ProgramRun run;
  ASSERT_TRUE(run.Spawn({ProgramPath(), "--port", "0", "--keepalive-ms", "0", "--verbose",
                         "--scenario", ScenarioDir() + "/demo.json", "--media-service", "650:echo",
                         "--record-dir", dir, "--commands"},
                        true));
  std::string line = run.ReadLine();
  const std::string prefix = "pbxsim listening on 127.0.0.1:";
  ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
  PhoneSocket phone;
  ASSERT_TRUE(phone.Connect(static_cast<uint16_t>(std::stoi(line.substr(prefix.size())))));
  UdpPeer rtp;
  phone.Send(LoginRequest(rtp.Port(), 0, "200"));
  for (char k : std::string("X650")) phone.Send(Request(uint8_t(k), 0xFE14));
  std::optional<Reply> media;
  while ((media = phone.ReadFrame()) && media->code != 0xFE3C) {
  }
  ASSERT_TRUE(media);
  const uint16_t port = uint16_t((media->payload[1] << 8) | media->payload[2]);
  uint16_t seq = 0;
  for (uint16_t d = 0; d < 1280; d += 80) {
    rtp.SendTo(port, RtpPacket(101, seq++, 800, 3, d == 0, {5, 0, uint8_t(d >> 8), uint8_t(d)}));
  }
  for (int i = 0; i < 3; ++i)
    rtp.SendTo(port, RtpPacket(101, seq++, 800, 3, false, {5, 0x80, 5, 0}));
  rtp.SendTo(port, RtpPacket(8, seq++, 960, 3, false, Bytes(160, 0xD5)));
  ASSERT_TRUE(rtp.Receive()) << "the echo of the voice packet";
  phone.Send(Request('$', 0xFE14));
  EXPECT_EQ(run.WaitLine("event 5"), "event 5 duration 1280 packets 19 end 3");
  std::string recorded = run.WaitLine("recorded ");
  EXPECT_EQ(recorded.rfind("recorded 160 samples to " + dir + "/", 0), 0u) << recorded;

  run.WriteLine("ring 201");
  EXPECT_EQ(run.WaitLine("ok"), "ok");
  std::optional<Reply> ring;
  while ((ring = phone.ReadFrame()) && !(ring->code == 0xFE04 && ring->payload == Bytes{'*'})) {
  }
  EXPECT_TRUE(ring) << "the ring of an extension's call";
  run.WriteLine("state");
  EXPECT_EQ(run.WaitLine("state "), "state ringing number 201 media 0");
  EXPECT_EQ(run.Terminate(), 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pbxsim
