// The simulator over loopback, driven by a plain socket that plays the phone:
// frames are built here byte by byte, independently of the simulator's code.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Loopback.h"
#include "pbxsim/Simulator.h"

namespace pbxsim {
namespace {

using namespace test;

class SimulatorTest : public ::testing::Test {
 protected:
  SimulatorTest() {
    Extension& op = scenario.AddExtension(0x0010, "200");
    op.name = "Centralino";
    op.password = "1234";
    op.flags = "80000000";
    op.grants.operatorFlag = true;
    op.grants.minVersion = 2;
    op.grants.maxVersion = 4;
    op.grants.edition = edition::kPro | edition::kHotel;
    op.grants.eventPayloadType = 96;
    op.grants.node = 3;
    Extension& shortReply = scenario.AddExtension(0x0011, "201");
    shortReply.grants.privileged = true;
    shortReply.grants.replyLength = 5;
    const std::pair<const char*, LoginReply> refusals[] = {
        {"301", LoginReply::kOptionDisabled}, {"302", LoginReply::kNotConfigured},
        {"303", LoginReply::kNoPort},         {"304", LoginReply::kAlreadyConnected},
        {"305", LoginReply::kPlainAck},
    };
    uint16_t id = 0x20;
    for (const auto& [number, reply] : refusals) scenario.AddExtension(id++, number).reply = reply;
    scenario.SetSystemOptions(0x8);
    scenario.AddTrunkLine(0x4005, "30A");
    scenario.AddTrunkRoute(0x6001);
  }

  // Starts the simulator with the scenario and connects the phone.
  void Start() {
    sim = std::make_unique<Simulator>(scenario);
    ASSERT_TRUE(sim->Start(0));
    ASSERT_NE(sim->Port(), 0);
    ASSERT_TRUE(phone.Connect(sim->Port()));
    ASSERT_TRUE(sim->WaitForClient(kWait));
  }

  Scenario scenario;
  std::unique_ptr<Simulator> sim;
  PhoneSocket phone;
};

// ---------------------------------------------------------------- data memory

TEST_F(SimulatorTest, ReadAnswersTheRecordThenAck) {
  Start();
  phone.Send(Request(0, 0xFE11, 0x0010, 259));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].subject, 0x0010);
  EXPECT_EQ(answer[0].code, 259);
  EXPECT_EQ(answer[0].payload, Nul("Centralino"));
  EXPECT_EQ(answer[1].subject, 0);
  EXPECT_TRUE(answer[1].payload.empty());
}

TEST_F(SimulatorTest, ReadOfAMissingRecordAnswersAckOnly) {
  Start();
  phone.Send(Request(0, 0xFE11, 0x0011, 259));  // 201 has no name
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].code, 0xFE01);
}

TEST_F(SimulatorTest, RangeReadSelectsByMaskInOwnerThenParameterOrder) {
  scenario.SetRecord(0x0300, 0x2302, "x");  // 0x2302 & 0xFF00 == 0x2300 too
  scenario.SetRecord(0x0001, 0x2301, "y");
  scenario.SetRecord(0x0001, 0x2401, "no");
  Start();
  phone.Send(Request(0, 0xFE10, 0xFF00, 0x2300));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 4u);
  using Key = std::pair<uint16_t, uint16_t>;
  EXPECT_EQ(Key(answer[0].subject, answer[0].code), Key(0x0001, 0x2301));
  EXPECT_EQ(Key(answer[1].subject, answer[1].code), Key(0x0300, 0x2302));
  EXPECT_EQ(Key(answer[2].subject, answer[2].code), Key(0x6001, 0x2301));
  EXPECT_EQ(answer[3].code, 0xFE01);

  // Exact match on one parameter: every extension mark.
  phone.Send(Request(0, 0xFE10, 0xFFFF, 257));
  answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), scenario.Extensions().size() + 1);
  for (size_t i = 0; i + 1 < answer.size(); ++i) EXPECT_EQ(answer[i].code, 257);
  EXPECT_EQ(answer.front().subject, 0x0010);
}

TEST_F(SimulatorTest, WriteAndDeleteChangeTheStoreWithoutAnswer) {
  Start();
  phone.Send(Request(0, 0xFE12, 0x0010, 0x0301, Nul("0612345")));
  phone.Send(Request(0, 0xFE13, 0x0010, 259));
  phone.Send(Request(0, 0xFE11, 0x0010, 0x0301));
  // The first frame back belongs to the read: writes and deletes are silent.
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].code, 0x0301);
  EXPECT_EQ(answer[0].payload, Nul("0612345"));
  EXPECT_EQ(sim->RecordText(0x0010, 0x0301), "0612345");
  EXPECT_FALSE(sim->Record(0x0010, 259));
  phone.Send(Request(0, 0xFE11, 0x0010, 259));
  EXPECT_EQ(phone.ReadAnswer().size(), 1u);
}

TEST_F(SimulatorTest, StoreChangesFromTheTestAreServed) {
  Start();
  sim->SetRawRecord(0x0042, 0x0102, {0x01, 0x02});
  sim->EraseRecord(0x4005, 0x2001);
  phone.Send(Request(0, 0xFE11, 0x0042, 0x0102));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].payload, (Bytes{0x01, 0x02}));
  phone.Send(Request(0, 0xFE11, 0x4005, 0x2001));
  EXPECT_EQ(phone.ReadAnswer().size(), 1u);
}

// ---------------------------------------------------------------- login

struct LoginCase {
  const char* number;
  uint16_t code;
  uint16_t subject;
  Bytes payload;
};

TEST_F(SimulatorTest, LoginRepliesPerExtension) {
  Start();
  const LoginCase cases[] = {
      {"200", 0xFE03, 0x0010, {0x01, 2, 4, 0x0A, 0, 96, 3}},
      {"201", 0xFE03, 0x0011, {0x02, 1, 4, edition::kPro, 0}},  // short reply
      {"301", 0xFE30, 0, {}},
      {"302", 0xFE31, 0, {}},
      {"303", 0xFE33, 0, {}},
      {"304", 0xFE4D, 0, {}},
      {"305", 0xFE01, 0, {}},
      {"999", 0xFE32, 0, {}},
      {"20", 0xFE32, 0, {}},    // a prefix of a number is not that number
      {"2000", 0xFE32, 0, {}},  // nor is a longer one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    phone.Send(LoginRequest(20000, 8, c.number));
    auto r = phone.ReadReply();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->code, c.code);
    EXPECT_EQ(r->subject, c.subject);
    EXPECT_EQ(r->payload, c.payload);
    EXPECT_EQ(sim->Login().loggedIn, c.code == 0xFE03);
    EXPECT_EQ(sim->Login().replyCode, c.code);
    EXPECT_EQ(sim->Login().number, c.number);
  }
  EXPECT_EQ(sim->Login().attempts, std::size(cases));
}

TEST_F(SimulatorTest, LoginRemembersPortCodecAndExtension) {
  Start();
  phone.Send(LoginRequest(21000, 24, "200"));
  ASSERT_TRUE(phone.ReadFrame());
  LoginInfo info = sim->Login();
  EXPECT_TRUE(info.loggedIn);
  EXPECT_EQ(info.extensionId, 0x0010);
  EXPECT_EQ(info.rtpPort, 21000);
  EXPECT_EQ(info.codec, 24);
  EXPECT_EQ(info.number, "200");
  phone.Close();
  ASSERT_TRUE(sim->WaitForDisconnect(kWait));
  EXPECT_FALSE(sim->Login().loggedIn);  // the session ended with the connection
  EXPECT_EQ(sim->Login().rtpPort, 21000);
}

TEST_F(SimulatorTest, MalformedLoginPayloadsAreRefusedAsUnknown) {
  Start();
  phone.Send(Request(20000, 0xFE21));                            // no payload at all
  phone.Send(Request(20000, 0xFE21, 0, 0, {8, '2', '0', '0'}));  // number without NUL
  auto a = phone.ReadFrame();
  auto b = phone.ReadFrame();
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->code, 0xFE32);
  EXPECT_EQ(b->code, 0xFE03);  // the text runs to the end of the payload
}

// ---------------------------------------------------------------- recording

TEST_F(SimulatorTest, EveryFrameIsRecordedWithItsFieldsAndBytes) {
  Start();
  Bytes key = Request('X', 0xFE14);
  Bytes keepAlive = Request(0, 0xFE15, 0, 0, {'S', 'P', 'K', 'A'});
  Bytes other = Request(0x0010, 0xFE5E, 0x0011, 0x7777, Nul("ciao"));
  phone.Send(key);
  phone.Send(keepAlive);
  phone.Send(other);
  ASSERT_TRUE(sim->WaitForCode(0xFE5E, kWait));
  auto frames = sim->Received();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].subject, 'X');
  EXPECT_EQ(frames[0].raw, key);
  EXPECT_EQ(frames[1].Text(), "SPKA");
  EXPECT_EQ(frames[1].raw, keepAlive);
  EXPECT_EQ(frames[2].subject, 0x0010);
  EXPECT_EQ(frames[2].param1, 0x0011);
  EXPECT_EQ(frames[2].param2, 0x7777);
  EXPECT_EQ(frames[2].Text(), "ciao");
  EXPECT_EQ(frames[2].raw, other);
  EXPECT_FALSE(phone.ReadFrame(50ms)) << "keys, keep-alives and unknown codes get no answer";
  sim->ClearReceived();
  EXPECT_EQ(sim->ReceivedCount(), 0u);
}

TEST_F(SimulatorTest, AFrameSplitOverSegmentsIsRecordedOnce) {
  Start();
  Bytes req = Request(0, 0xFE12, 0x0010, 0x0300, Nul("12345"));
  for (uint8_t b : req) {
    phone.Send({b});
    std::this_thread::sleep_for(1ms);  // separate segments
  }
  ASSERT_TRUE(sim->WaitForCode(0xFE12, kWait));
  phone.Send(Request(0, 0xFE11, 0x0010, 0x0300));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].payload, Nul("12345"));
  EXPECT_EQ(sim->ReceivedCount(), 2u);
}

TEST_F(SimulatorTest, CoalescedRequestsAreAnsweredInOrder) {
  Start();
  Bytes both = Request(0, 0xFE11, 0x0010, 258);
  Bytes second = Request(0, 0xFE11, 0x4005, 0x2001);
  both.insert(both.end(), second.begin(), second.end());
  phone.Send(both);
  auto first = phone.ReadAnswer();
  auto next = phone.ReadAnswer();
  ASSERT_EQ(first.size(), 2u);
  ASSERT_EQ(next.size(), 2u);
  EXPECT_EQ(first[0].payload, Nul("200"));
  EXPECT_EQ(next[0].payload, Nul("30A"));
}

TEST_F(SimulatorTest, ConcurrentWaitSeesAFrameThatArrivesLater) {
  Start();
  std::thread later([&] {
    std::this_thread::sleep_for(20ms);
    phone.Send(Request('p', 0xFE14));
  });
  auto f = sim->WaitForFrame([](const Frame& fr) { return fr.code == 0xFE14 && fr.subject == 'p'; },
                             kWait);
  later.join();
  EXPECT_TRUE(f);
}

// ---------------------------------------------------------------- bad input

TEST_F(SimulatorTest, GarbageAndOversizeFramesAreSkipped) {
  Start();
  Bytes junk = {0x41, 0x42, 0x00, 0xFF};
  phone.Send(junk);
  Bytes big = Request(0, 0xFE12, 0x0010, 0x0300);
  big[1] = 0x07;  // declares 2000 payload bytes
  big[2] = 0xD0;
  big.resize(big.size() + 2000, 0x02);
  phone.Send(big);
  phone.Send(Request(0, 0xFE11, 0x0010, 258));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].payload, Nul("200"));
  InputStats st = sim->Stats();
  EXPECT_EQ(st.garbageBytes, junk.size());
  EXPECT_EQ(st.oversizeFrames, 1u);
  EXPECT_EQ(sim->ReceivedCount(), 1u);
  EXPECT_FALSE(sim->Record(0x0010, 0x0300)) << "the oversize write was not applied";
}

TEST_F(SimulatorTest, ATruncatedFrameAtDisconnectIsDropped) {
  Start();
  Bytes req = Request(0, 0xFE12, 0x0010, 0x0300, Nul("abc"));
  phone.Send(Bytes(req.begin(), req.begin() + 13));
  phone.Close();
  ASSERT_TRUE(sim->WaitForDisconnect(kWait));
  EXPECT_EQ(sim->Stats().truncatedFrames, 1u);
  // The next phone starts from a clean reader: its first frame is whole.
  ASSERT_TRUE(phone.Connect(sim->Port()));
  phone.Send(Request(0, 0xFE11, 0x0010, 258));
  EXPECT_EQ(phone.ReadAnswer().size(), 2u);
  EXPECT_EQ(sim->ReceivedCount(), 1u);
}

// ---------------------------------------------------------------- connections

TEST_F(SimulatorTest, DroppedClientIsClosedAndTheNextOneSharesTheStore) {
  Start();
  phone.Send(Request(0, 0xFE12, 0x0010, 0x0110, Nul("Risposta")));
  ASSERT_TRUE(sim->WaitForCode(0xFE12, kWait));
  sim->DropClient();
  EXPECT_TRUE(phone.SeesEnd());
  ASSERT_TRUE(sim->WaitForDisconnect(kWait));
  EXPECT_FALSE(sim->SendFrame(0, 0xFE02)) << "nothing to send to";

  ASSERT_TRUE(phone.Connect(sim->Port()));
  ASSERT_TRUE(sim->WaitForConnection(2, kWait));
  EXPECT_EQ(sim->ConnectionCount(), 2u);
  phone.Send(Request(0, 0xFE11, 0x0010, 0x0110));
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].payload, Nul("Risposta"));
}

TEST_F(SimulatorTest, ASecondPhoneWaitsUntilTheFirstLeaves) {
  Start();
  PhoneSocket second;
  ASSERT_TRUE(second.Connect(sim->Port()));  // queued by the kernel
  second.Send(Request(0, 0xFE11, 0x0010, 258));
  EXPECT_FALSE(second.ReadFrame(50ms));
  EXPECT_EQ(sim->ConnectionCount(), 1u);
  phone.Close();
  auto answer = second.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].payload, Nul("200"));
}

TEST_F(SimulatorTest, StopClosesTheClientAndTheListener) {
  Start();
  uint16_t port = sim->Port();
  sim->Stop();
  EXPECT_FALSE(sim->Running());
  EXPECT_TRUE(phone.SeesEnd());
  PhoneSocket late;
  EXPECT_FALSE(late.Connect(port));
}

TEST(SimulatorServer, BusyPortOrBadAddressFailsToStart) {
  Simulator a;
  ASSERT_TRUE(a.Start(0));
  Simulator b;
  EXPECT_FALSE(b.Start(a.Port()));
  EXPECT_FALSE(b.Start(0, "not-an-address"));
  EXPECT_FALSE(a.Start(0)) << "already running";
  EXPECT_TRUE(b.Start(0, "127.0.0.2"));
  EXPECT_NE(b.Port(), 0);
}

// ---------------------------------------------------------------- keep-alive and pushes

TEST_F(SimulatorTest, KeepAlivePollsArriveWhileConnected) {
  scenario.SetKeepAlivePeriod(10ms);
  Start();
  for (int i = 0; i < 3; ++i) {
    auto r = phone.ReadFrame();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->code, 0xFE02);
    EXPECT_EQ(r->subject, 0);
    EXPECT_TRUE(r->payload.empty());
  }
  sim->SetKeepAlivePeriod(0ms);
  phone.Send(Request(0, 0xFE11, 0x0010, 258));
  // Polls already on the way may come first; after the answer none follows.
  std::optional<Reply> r;
  while ((r = phone.ReadFrame()) && r->code == 0xFE02) {
  }
  ASSERT_TRUE(r);
  EXPECT_EQ(r->code, 258);
  ASSERT_TRUE(phone.ReadFrame());  // the ack
  EXPECT_FALSE(phone.ReadFrame(50ms));
}

TEST_F(SimulatorTest, PushedFramesAndRawBytesArriveAsGiven) {
  Start();
  ASSERT_TRUE(sim->SendFrame(0x0005, 0xFE04, {0x02, 'A'}));
  ASSERT_TRUE(sim->SendRaw({0x41, 0x42, 0x02}));
  EXPECT_EQ(phone.ReadBytes(12),
            (Bytes{0x02, 0x00, 0x02, 0x00, 0x05, 0xFE, 0x04, 0x02, 'A', 0x41, 0x42, 0x02}));
}

TEST_F(SimulatorTest, OversizeFrameCarriesItsDeclaredLength) {
  Start();
  ASSERT_TRUE(sim->SendOversizeFrame(1500));
  Bytes head = phone.ReadBytes(7);
  EXPECT_EQ(head, (Bytes{0x02, 0x05, 0xDC, 0x00, 0x00, 0xFE, 0x04}));
  Bytes body = phone.ReadBytes(1500);
  EXPECT_EQ(body, Bytes(1500, 0x02));
  EXPECT_FALSE(phone.ReadFrame(20ms));
}

// ---------------------------------------------------------------- faults

TEST_F(SimulatorTest, GarbageGoesBeforeEveryReplyFrame) {
  Start();
  sim->SetGarbageBeforeReplies({0xAA, 0x00});
  phone.Send(Request(0, 0xFE11, 0x4005, 0x2001));
  Bytes expect = {0xAA, 0x00, 0x02, 0x00, 0x04, 0x40, 0x05, 0x20, 0x01, '3',  '0',
                  'A',  0x00, 0xAA, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x01};
  EXPECT_EQ(phone.ReadBytes(expect.size()), expect);
}

TEST_F(SimulatorTest, SilentSimulatorRecordsButDoesNotAnswer) {
  Start();
  sim->SetSilent(true);
  phone.Send(Request(0, 0xFE11, 0x0010, 258));
  phone.Send(LoginRequest(20000, 0, "200"));
  ASSERT_TRUE(sim->WaitForCode(0xFE21, kWait));
  EXPECT_EQ(sim->Login().replyCode, 0);
  sim->SetSilent(false);
  phone.Send(Request(0, 0xFE11, 0x4005, 0x2001));
  // The first frame that comes back answers the last request.
  auto answer = phone.ReadAnswer();
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(answer[0].payload, Nul("30A"));
  EXPECT_EQ(sim->ReceivedCount(), 3u);
}

TEST_F(SimulatorTest, OtherWaitedRequestsGetABareAck) {
  Start();
  for (uint16_t c : {0xFE16, 0xFE17, 0xFE18, 0xFE19, 0xFE1B, 0xFE20, 0xFE2E}) {
    SCOPED_TRACE(c);
    phone.Send(Request(0x0010, c, 0, 1));
    auto answer = phone.ReadAnswer();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].code, 0xFE01);
  }
}

TEST_F(SimulatorTest, SpacedRecordsArriveSpacedBeforeTheAck) {
  constexpr int kCount = 3;
  constexpr auto kSpacing = 30ms;
  Start();
  sim->SetSpacedRecords(kCount, kSpacing);
  auto sent = Clock::now();
  phone.Send(Request(0, 0xFE11, 0x0010, 258));
  auto first = phone.ReadFrame();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->code, 258);
  for (int i = 1; i <= kCount; ++i) {
    SCOPED_TRACE(i);
    auto r = phone.ReadFrame();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->subject, Simulator::kSpacedOwner);
    EXPECT_EQ(r->code, Simulator::kSpacedParam);
    EXPECT_EQ(r->payload, Nul(std::to_string(i)));
    // Measured from the request, since when the test thread reads a frame
    // jitters; the simulator never sends one early.
    EXPECT_GE(r->at - sent, i * kSpacing);
  }
  auto ack = phone.ReadFrame();
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->code, 0xFE01);
}

TEST_F(SimulatorTest, RequestsAreReadWhileAnAnswerIsStillBeingSpaced) {
  Start();
  sim->SetSpacedRecords(1, std::chrono::hours(1));  // this answer never ends
  phone.Send(Request(0, 0xFE11, 0x0010, 258));
  ASSERT_TRUE(phone.ReadFrame());  // the record; the spaced one waits
  phone.Send(Request('X', 0xFE14));
  phone.Send(Request(0, 0xFE12, 0x0010, 0x0300, Nul("9")));
  EXPECT_TRUE(sim->WaitForCode(0xFE14, kWait));
  ASSERT_TRUE(sim->WaitForCode(0xFE12, kWait));
  EXPECT_EQ(sim->RecordText(0x0010, 0x0300), "9");
  sim->Stop();  // does not wait for the hour
  EXPECT_TRUE(phone.SeesEnd());
}

// ---------------------------------------------------------------- the program

TEST(PbxsimProgram, ServesTheDemoScenarioUntilTerminated) {
  if (ProgramPath().empty() || ScenarioDir().empty())
    GTEST_SKIP() << "no path of the program or scenarios";
  ProgramRun run;
  ASSERT_TRUE(run.Spawn({ProgramPath(), "--port", "0", "--keepalive-ms", "0", "--verbose",
                         "--scenario", ScenarioDir() + "/demo.json"}));
  std::string line = run.ReadLine();
  const std::string prefix = "pbxsim listening on 127.0.0.1:";
  ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
  auto port = static_cast<uint16_t>(std::stoi(line.substr(prefix.size())));

  PhoneSocket phone;
  ASSERT_TRUE(phone.Connect(port));
  phone.Send(LoginRequest(20000, 0, "200"));
  auto r = phone.ReadFrame();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->code, 0xFE03);
  ASSERT_GE(r->payload.size(), 4u);
  EXPECT_TRUE(r->payload[0] & 0x01);  // operator
  EXPECT_TRUE(r->payload[3] & edition::kHotel);
  EXPECT_EQ(run.ReadLine(), "client connected");
  EXPECT_EQ(run.ReadLine(), "< FE21 4E20 5");
  EXPECT_EQ(run.ReadLine().substr(0, 7), "> FE03 ");
  EXPECT_EQ(run.Terminate(), 0);
}

}  // namespace
}  // namespace pbxsim
