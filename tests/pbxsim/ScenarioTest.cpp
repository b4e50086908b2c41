// The simulator's pieces that need no socket: the reader of the phone's
// frames, the scenario format and the scenario generator.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pbxsim/Frame.h"
#include "pbxsim/Scenario.h"

namespace pbxsim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Nul(const std::string& s) {
  Bytes b = Str(s);
  b.push_back(0);
  return b;
}

// ---------------------------------------------------------------- FrameReader

struct ReaderCase {
  const char* name;
  std::vector<Bytes> chunks;  // as they arrive from the socket
  std::vector<Bytes> frames;  // raw bytes of the frames expected out
  uint64_t garbage;
  uint64_t oversize;
  bool pending;  // a frame is left half read
};

const Bytes kRead = {0x02, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x11, 0x00, 0x10, 0x01, 0x03};
const Bytes kWrite = {0x02, 0x00, 0x03, 0x00, 0x00, 0xFE, 0x12,
                      0x00, 0x10, 0x01, 0x03, 0x02, 0x41, 0x00};  // payload 02 'A' 00

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Oversize(uint16_t length) {
  Bytes b = {0x02,
             static_cast<uint8_t>(length >> 8),
             static_cast<uint8_t>(length),
             0,
             0,
             0xFE,
             0x12,
             0,
             0,
             0,
             0};
  b.resize(b.size() + length, 0x02);  // STX bytes inside must not start frames
  return b;
}

Bytes Slice(const Bytes& b, size_t from, size_t to) {
  return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
}

std::vector<Bytes> Bytewise(const Bytes& b) {
  std::vector<Bytes> out;
  for (uint8_t x : b) out.push_back({x});
  return out;
}

std::vector<ReaderCase> ReaderCases() {
  return {
      {"whole_frame", {kRead}, {kRead}, 0, 0, false},
      {"byte_by_byte", Bytewise(kWrite), {kWrite}, 0, 0, false},
      {"two_coalesced", {Cat({kRead, kWrite})}, {kRead, kWrite}, 0, 0, false},
      {"split_across_header_and_payload",
       {Slice(kWrite, 0, 5), Slice(kWrite, 5, 12), Cat({Slice(kWrite, 12, kWrite.size()), kRead})},
       {kWrite, kRead},
       0,
       0,
       false},
      {"garbage_before_stx", {Cat({{0x41, 0x42, 0x00}, kRead})}, {kRead}, 3, 0, false},
      {"oversize_skipped_to_its_end", {Cat({Oversize(1020), kRead})}, {kRead}, 0, 1, false},
      {"oversize_in_pieces",
       {Slice(Oversize(4000), 0, 100), Slice(Oversize(4000), 100, 4011), kRead},
       {kRead},
       0,
       1,
       false},
      {"largest_accepted_payload", {Oversize(1019)}, {Oversize(1019)}, 0, 0, false},
      {"truncated_header", {Slice(kRead, 0, 6)}, {}, 0, 0, true},
      {"truncated_payload", {Slice(kWrite, 0, kWrite.size() - 1)}, {}, 0, 0, true},
  };
}

class FrameReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(FrameReaderTest, CutsTheStream) {
  const ReaderCase& c = GetParam();
  FrameReader reader;
  std::vector<Frame> out;
  for (const auto& chunk : c.chunks) {
    reader.Feed(chunk.data(), chunk.size(), [&](Frame&& f) { out.push_back(std::move(f)); });
  }
  ASSERT_EQ(out.size(), c.frames.size());
  for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i].raw, c.frames[i]) << "frame " << i;
  EXPECT_EQ(reader.GarbageBytes(), c.garbage);
  EXPECT_EQ(reader.OversizeFrames(), c.oversize);
  EXPECT_EQ(reader.Pending(), c.pending);
  EXPECT_EQ(reader.Reset(), c.pending);
  EXPECT_FALSE(reader.Pending());
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameReaderTest, ::testing::ValuesIn(ReaderCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameReaderFields, HeaderWordsAreBigEndian) {
  FrameReader reader;
  Bytes b = {0x02, 0x00, 0x02, 0x0F, 0xA0, 0xFE, 0x21, 0x12, 0x34, 0xAB, 0xCD, 0x08, 0x00};
  std::vector<Frame> out;
  reader.Feed(b.data(), b.size(), [&](Frame&& f) { out.push_back(std::move(f)); });
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].subject, 4000);
  EXPECT_EQ(out[0].code, 0xFE21);
  EXPECT_EQ(out[0].param1, 0x1234);
  EXPECT_EQ(out[0].param2, 0xABCD);
  EXPECT_EQ(out[0].payload, (Bytes{0x08, 0x00}));
}

TEST(FrameReaderFields, AfterResetANewFrameStartsClean) {
  FrameReader reader;
  std::vector<Frame> out;
  auto sink = [&](Frame&& f) { out.push_back(std::move(f)); };
  reader.Feed(kWrite.data(), 8, sink);
  reader.Reset();
  reader.Feed(kRead.data(), kRead.size(), sink);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].raw, kRead);
}

TEST(EncodeReply, SevenByteHeaderThenPayload) {
  EXPECT_EQ(EncodeReply(0x0010, 0x0103, Nul("Ab")),
            (Bytes{0x02, 0x00, 0x03, 0x00, 0x10, 0x01, 0x03, 'A', 'b', 0x00}));
  EXPECT_EQ(EncodeReply(0, 0xFE01, {}), (Bytes{0x02, 0, 0, 0, 0, 0xFE, 0x01}));
}

// ---------------------------------------------------------------- Grants

TEST(GrantsPayload, BytesInOrder) {
  Grants g;
  g.operatorFlag = true;
  g.privileged = true;
  g.minVersion = 2;
  g.maxVersion = 5;
  g.edition = edition::kPro | edition::kHotel;
  g.eventPayloadType = 96;
  g.node = 3;
  EXPECT_EQ(g.Payload(), (Bytes{0x03, 2, 5, 0x0A, 0, 96, 3}));
  g.privileged = false;
  EXPECT_EQ(g.Payload()[0], 0x01);
  g.operatorFlag = false;
  g.privileged = true;
  EXPECT_EQ(g.Payload()[0], 0x02);
  g.replyLength = 5;
  EXPECT_EQ(g.Payload(), (Bytes{0x02, 2, 5, 0x0A, 0}));
}

// ---------------------------------------------------------------- JSON

const char* kFull = R"({
  "keepAliveMs": 250,
  "loginDefaults": {"edition": ["hotel"], "minVersion": 2},
  "systemOptions": "0x408",
  "modeNames": ["Festivo", null, "Notte"],
  "extensions": [
    {"id": "0x0010", "number": "200", "name": "Città", "password": 1234, "flags": "0x80000000",
     "login": {"operator": true, "privileged": true, "maxVersion": 6, "edition": ["pro", "basic"],
               "eventPayloadType": 96, "node": 7, "replyLength": 5}},
    {"id": 17, "number": 201, "password": "0042", "flags": 16},
    {"id": "18", "name": "Senza numero"},
    {"id": "0x13", "number": "203", "marked": false, "room": true, "flags": "80000000"},
    {"id": "0x14", "number": "204", "refuse": "noPort"}
  ],
  "lines": [{"owner": "0x4005", "position": "30A"}, {"owner": 16390, "position": 257}],
  "routes": ["0x6001", {"owner": "0x6002", "value": "R"}],
  "records": [
    {"owner": 1280, "param": "0x27A5", "text": "Cinque"},
    {"owner": "0x0010", "param": "0x2404", "texts": ["10", "", "1F"]},
    {"owner": 0, "param": 0, "hex": "00 ff:10-02"},
    {"owner": "0x0011", "param": 259, "text": "Sovrascritto"}
  ]
})";

class ScenarioJson : public ::testing::Test {
 protected:
  void SetUp() override {
    scenario = Scenario::FromJson(kFull);
    mem = scenario.BuildDataMemory();
  }
  std::optional<Bytes> At(uint16_t owner, uint16_t param) const {
    auto it = mem.find({owner, param});
    if (it == mem.end()) return std::nullopt;
    return it->second;
  }
  Scenario scenario;
  DataMemory mem;
};

TEST_F(ScenarioJson, ExtensionRecords) {
  EXPECT_EQ(At(0x10, param::kExtensionMark), Nul("1"));
  EXPECT_EQ(At(0x10, param::kNumber), Nul("200"));
  EXPECT_EQ(At(0x10, param::kName), Nul("Citt\xE0"));  // held as Windows-1252
  EXPECT_EQ(At(0x10, param::kPassword), Nul("1234"));
  EXPECT_EQ(At(0x10, param::kFlags), Nul("80000000"));

  EXPECT_EQ(At(0x11, param::kNumber), Nul("201"));
  EXPECT_EQ(At(0x11, param::kPassword), Nul("0042"));  // kept as written
  EXPECT_EQ(At(0x11, param::kFlags), Nul("10"));       // integer written in hex

  // No number: 257 and 259 only.
  EXPECT_TRUE(At(18, param::kExtensionMark));
  EXPECT_FALSE(At(18, param::kNumber));
  EXPECT_FALSE(At(18, param::kPassword));
  EXPECT_FALSE(At(18, param::kFlags));
  EXPECT_EQ(At(18, param::kName), Nul("Senza numero"));

  EXPECT_FALSE(At(0x13, param::kExtensionMark));
  EXPECT_EQ(At(0x13, param::kFlags), Nul("80000010"));  // room bit added to the flags
}

TEST_F(ScenarioJson, SystemLinesRoutesAndGenericRecords) {
  EXPECT_EQ(At(1280, 9994), Nul("408"));
  EXPECT_EQ(At(1280, 0x27A0), Nul("Festivo"));
  EXPECT_FALSE(At(1280, 0x27A1));
  EXPECT_EQ(At(1280, 0x27A2), Nul("Notte"));
  EXPECT_EQ(At(1280, 0x27A5), Nul("Cinque"));
  EXPECT_EQ(At(0x4005, 0x2001), Nul("30A"));
  EXPECT_EQ(At(0x4006, 0x2001), Nul("101"));
  EXPECT_EQ(At(0x6001, 0x2301), Nul("1"));
  EXPECT_EQ(At(0x6002, 0x2301), Nul("R"));
  EXPECT_EQ(At(0x10, 0x2404), (Bytes{'1', '0', 0, 0, '1', 'F', 0}));
  EXPECT_EQ(At(0, 0), (Bytes{0x00, 0xFF, 0x10, 0x02}));
  EXPECT_EQ(At(0x11, param::kName), Nul("Sovrascritto"));  // a record wins over the extension
  EXPECT_EQ(scenario.KeepAlivePeriod().count(), 250);
}

TEST_F(ScenarioJson, LoginReplies) {
  const Extension* e = scenario.FindExtension("200");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->id, 0x10);
  EXPECT_EQ(e->reply, LoginReply::kGrant);
  EXPECT_EQ(e->grants.Payload(), (Bytes{0x03, 2, 6, edition::kPro | edition::kBasic, 0}));

  const Extension* plain = scenario.FindExtension("201");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->grants.Payload(),
            (Bytes{0x00, 2, 4, edition::kHotel, 0, 101, 0}));  // the defaults

  const Extension* refused = scenario.FindExtension("204");
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(LoginReplyCode(refused->reply), 0xFE33);
  EXPECT_EQ(scenario.FindExtension("20"), nullptr);
}

TEST(LoginReplyCodes, EveryRefusalName) {
  const std::pair<const char*, uint16_t> cases[] = {
      {"optionDisabled", 0xFE30},   {"notConfigured", 0xFE31}, {"noPort", 0xFE33},
      {"alreadyConnected", 0xFE4D}, {"plainAck", 0xFE01},
  };
  for (const auto& [name, c] : cases) {
    SCOPED_TRACE(name);
    Scenario s = Scenario::FromJson(
        std::string(R"({"extensions":[{"id":1,"number":"5","refuse":")") + name + "\"}]}");
    ASSERT_NE(s.FindExtension("5"), nullptr);
    EXPECT_EQ(LoginReplyCode(s.FindExtension("5")->reply), c);
  }
}

TEST(ScenarioErrors, BadInputIsReportedWithItsPlace) {
  const std::pair<const char*, const char*> cases[] = {
      {"{", "not valid JSON"},
      {"[]", "expected an object"},
      {R"({"extension": []})", "unknown field \"extension\""},
      {R"({"extensions": [{"number": "200"}]})", "extensions[0]: missing \"id\""},
      {R"({"extensions": [{"id": "0x10000"}]})", "extensions[0].id"},
      {R"({"extensions": [{"id": -1}]})", "negative"},
      {R"({"extensions": [{"id": "12a"}]})", "not a number"},
      {R"({"extensions": [{"id": 1, "refuse": "busy"}]})", "unknown reply \"busy\""},
      {R"({"extensions": [{"id": 1, "login": {"replyLength": 8}}]})", "replyLength"},
      {R"({"extensions": [{"id": 1, "login": {"edition": ["gold"]}}]})", "unknown edition"},
      {R"({"records": [{"owner": 1, "param": 2, "hex": "0g"}]})", "records[0].hex"},
      {R"({"records": [{"owner": 1, "param": 2, "hex": "012"}]})", "odd number"},
      {R"({"records": [{"owner": 1, "param": 2, "text": "a", "hex": "00"}]})", "exactly one"},
      {R"({"records": [{"owner": 1, "text": "a"}]})", "missing \"param\""},
      {R"({"modeNames": {"10": "x"}})", "modeNames.10"},
      {R"({"lines": [{"owner": 1}]})", "lines[0]"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      Scenario::FromJson(text);
      ADD_FAILURE() << "accepted";
    } catch (const ScenarioError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

TEST(ScenarioErrors, MissingFileNamesThePath) {
  try {
    Scenario::FromFile("/nonexistent/x.json");
    ADD_FAILURE() << "accepted";
  } catch (const ScenarioError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/x.json"), std::string::npos);
  }
}

TEST(ScenarioRoundTrip, ToJsonLoadsBackTheSame) {
  Scenario s = Scenario::FromJson(kFull);
  s.SetRecord(0x20, 0x300, "Caff\xE8 \x80");  // Windows-1252 e-grave and euro sign
  s.SetRawRecord(0x20, 0x301, {0x01, 0x00, 0x7F});
  s.SetRecordTexts(0x20, 0x302, {"a", "b"});
  Scenario back = Scenario::FromJson(s.ToJson());
  EXPECT_EQ(back.BuildDataMemory(), s.BuildDataMemory());
  EXPECT_EQ(back.KeepAlivePeriod(), s.KeepAlivePeriod());
  ASSERT_EQ(back.Extensions().size(), s.Extensions().size());
  for (size_t i = 0; i < s.Extensions().size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.Extensions()[i].reply, s.Extensions()[i].reply);
    EXPECT_EQ(back.Extensions()[i].grants.Payload(), s.Extensions()[i].grants.Payload());
  }
}

// ---------------------------------------------------------------- calls

const char* kCalls = R"({
  "extensions": [{"id": 16, "number": "200"}],
  "mediaServices": [
    {"number": "600", "mode": "echo"},
    {"number": 601, "mode": "tone", "frequency": 425, "level": 4000, "name": "Tono di linea"},
    {"number": "602", "mode": "wav", "file": "/srv/saluto.wav", "codec": "g729"},
    {"number": "603", "codec": "g711"}
  ],
  "media": {"address": "127.0.0.2", "port": 40100, "recordDir": "registrazioni"},
  "dialPauseMs": 1500,
  "ringIn": {"number": "0612345", "name": "Città", "afterLoginMs": 250}
})";

TEST(ScenarioCalls, ServicesMediaDialPauseAndPlannedCall) {
  Scenario s = Scenario::FromJson(kCalls);
  ASSERT_EQ(s.MediaServices().size(), 4u);
  const MediaService* echo = s.FindMediaService("600");
  ASSERT_NE(echo, nullptr);
  EXPECT_EQ(echo->mode, MediaMode::kEcho);
  EXPECT_FALSE(echo->codec);
  EXPECT_EQ(echo->DisplayName(), "Servizio eco");
  const MediaService* tone = s.FindMediaService("601");
  ASSERT_NE(tone, nullptr);
  EXPECT_EQ(tone->mode, MediaMode::kTone);
  EXPECT_EQ(tone->toneHz, 425);
  EXPECT_EQ(tone->toneLevel, 4000);
  EXPECT_EQ(tone->DisplayName(), "Tono di linea");
  const MediaService* wav = s.FindMediaService("602");
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(wav->wavFile, "/srv/saluto.wav");
  EXPECT_EQ(wav->codec, codec::kG729);
  EXPECT_EQ(s.FindMediaService("603")->codec, codec::kG711);
  EXPECT_EQ(s.FindMediaService("604"), nullptr);
  EXPECT_EQ(s.Media().address, "127.0.0.2");
  EXPECT_EQ(s.Media().port, 40100);
  EXPECT_EQ(s.Media().recordDir, "registrazioni");
  EXPECT_EQ(s.DialPause().count(), 1500);
  ASSERT_TRUE(s.RingIn());
  EXPECT_EQ(s.RingIn()->number, "0612345");
  EXPECT_EQ(s.RingIn()->name, "Citt\xE0");
  EXPECT_EQ(s.RingIn()->afterLogin.count(), 250);

  // Written back and read again, nothing is lost.
  Scenario back = Scenario::FromJson(s.ToJson());
  ASSERT_EQ(back.MediaServices().size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const MediaService& a = s.MediaServices()[i];
    const MediaService& b = back.MediaServices()[i];
    EXPECT_EQ(a.number, b.number);
    EXPECT_EQ(a.mode, b.mode);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.toneHz, b.toneHz);
    EXPECT_EQ(a.toneLevel, b.toneLevel);
    EXPECT_EQ(a.wavFile, b.wavFile);
    EXPECT_EQ(a.codec, b.codec);
  }
  EXPECT_EQ(back.Media().port, 40100);
  EXPECT_EQ(back.DialPause(), s.DialPause());
  ASSERT_TRUE(back.RingIn());
  EXPECT_EQ(back.RingIn()->name, s.RingIn()->name);
}

TEST(ScenarioCalls, AServiceReplacesOneOfTheSameNumber) {
  Scenario s;
  MediaService m;
  m.number = "600";
  s.AddMediaService(m);
  m.mode = MediaMode::kTone;
  s.AddMediaService(m);
  ASSERT_EQ(s.MediaServices().size(), 1u);
  EXPECT_EQ(s.FindMediaService("600")->mode, MediaMode::kTone);
  EXPECT_EQ(s.DialPause().count(), 3000) << "the default";
}

TEST(ScenarioCalls, AWavFileIsFoundNextToTheScenario) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("pbxsim-scenario-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "calls.json").string();
  {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(R"({"mediaServices": [{"number": "602", "mode": "wav", "file": "saluto.wav"},
                                      {"number": "603", "mode": "wav", "file": "/abs.wav"}]})",
               f);
    std::fclose(f);
  }
  Scenario s = Scenario::FromFile(path);
  fs::remove_all(dir);
  EXPECT_EQ(s.FindMediaService("602")->wavFile, (dir / "saluto.wav").string());
  EXPECT_EQ(s.FindMediaService("603")->wavFile, "/abs.wav");
}

TEST(ScenarioCalls, BadCallFieldsAreReportedWithTheirPlace) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"mediaServices": [{"mode": "echo"}]})", "mediaServices[0]: missing \"number\""},
      {R"({"mediaServices": [{"number": "6", "mode": "music"}]})", "unknown mode \"music\""},
      {R"({"mediaServices": [{"number": "6", "mode": "wav"}]})", "needs \"file\""},
      {R"({"mediaServices": [{"number": "6", "codec": "g722"}]})", "mediaServices[0].codec"},
      {R"({"mediaServices": [{"number": "6", "frequency": 4000}]})", "frequency"},
      {R"({"mediaServices": [{"number": "6", "frequency": 0}]})", "frequency"},
      {R"({"mediaServices": [{"number": "6", "volume": 3}]})", "unknown field \"volume\""},
      {R"({"media": {"address": "localhost"}})", "media.address"},
      {R"({"media": {"port": 70000}})", "media.port"},
      {R"({"ringIn": {"name": "x"}})", "ringIn: missing \"number\""},
      {R"({"dialPauseMs": -5})", "dialPauseMs"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      Scenario::FromJson(text);
      ADD_FAILURE() << "accepted";
    } catch (const ScenarioError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

// ---------------------------------------------------------------- generator and shipped scenario

TEST(ScenarioGenerate, ExtensionsLinesRoutesAndOneOperator) {
  Scenario s = Scenario::FromJson(Scenario::Generate(300).ToJson());
  ASSERT_EQ(s.Extensions().size(), 300u);
  DataMemory mem = s.BuildDataMemory();
  EXPECT_EQ(mem.at({0x10, param::kNumber}), Nul("200"));
  EXPECT_EQ(mem.at({0x10, param::kName}), Nul("Interno 200"));
  EXPECT_EQ(mem.at({0x10 + 299, param::kNumber}), Nul("499"));
  EXPECT_EQ(mem.at({0x10 + 299, param::kPassword}), Nul("1234"));
  EXPECT_EQ(mem.at({0x10 + 299, param::kFlags}), Nul("0"));
  EXPECT_TRUE(s.FindExtension("200")->grants.operatorFlag);
  EXPECT_FALSE(s.FindExtension("201")->grants.operatorFlag);
  EXPECT_GE(s.TrunkLines().size(), 2u);
  EXPECT_GE(s.TrunkRoutes().size(), 2u);
}

// Where the build put the program and the shipped scenarios.
std::string ProgramPath() {
#ifdef PBXSIM_PROGRAM
  return PBXSIM_PROGRAM;
#else
  const char* d = std::getenv("ZY_BINARY_DIR");
  return d ? std::string(d) + "/tools/pbxsim/pbxsim" : "";
#endif
}

std::string ScenarioDir() {
#ifdef PBXSIM_SCENARIO_DIR
  return PBXSIM_SCENARIO_DIR;
#else
  const char* d = std::getenv("ZY_SOURCE_DIR");
  return d ? std::string(d) + "/tools/pbxsim/scenarios" : "";
#endif
}

TEST(ScenarioGenerate, ProgramOutputLoads) {
  if (ProgramPath().empty()) GTEST_SKIP() << "no path of the program";
  std::string cmd = ProgramPath() + " --generate-extensions 40";
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  ASSERT_TRUE(p);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  Scenario s = Scenario::FromJson(out);
  EXPECT_EQ(s.Extensions().size(), 40u);
  ASSERT_NE(s.FindExtension("239"), nullptr);
  EXPECT_EQ(s.FindExtension("239")->id, 0x10 + 39);
}

TEST(DemoScenario, IsAHotelWithAnOperator) {
  if (ScenarioDir().empty()) GTEST_SKIP() << "no path of the scenarios";
  Scenario s = Scenario::FromFile(ScenarioDir() + "/demo.json");
  EXPECT_GE(s.Extensions().size(), 15u);
  const Extension* op = s.FindExtension("200");
  ASSERT_NE(op, nullptr);
  EXPECT_TRUE(op->grants.operatorFlag);
  EXPECT_TRUE(op->grants.edition & edition::kHotel);
  EXPECT_EQ(op->password, "1234");
  EXPECT_LE(op->grants.minVersion, 4);
  EXPECT_GE(op->grants.maxVersion, 4);
  DataMemory mem = s.BuildDataMemory();
  const Bytes& options = mem.at({1280, 9994});
  EXPECT_TRUE(std::strtoul(reinterpret_cast<const char*>(options.data()), nullptr, 16) & 0x8);
  for (uint16_t m = 0; m <= 9; ++m) EXPECT_TRUE(mem.count({1280, uint16_t(0x27A0 + m)})) << m;
  int rooms = 0;
  for (const auto& e : s.Extensions()) {
    if (e.flags && (std::strtoul(e.flags->c_str(), nullptr, 16) & kRoomFlag)) ++rooms;
  }
  EXPECT_GE(rooms, 3);
  EXPECT_FALSE(s.TrunkLines().empty());
  EXPECT_FALSE(s.TrunkRoutes().empty());
  // Services a newcomer can call: an echo and a tone.
  ASSERT_NE(s.FindMediaService("600"), nullptr);
  EXPECT_EQ(s.FindMediaService("600")->mode, MediaMode::kEcho);
  ASSERT_NE(s.FindMediaService("601"), nullptr);
  EXPECT_EQ(s.FindMediaService("601")->mode, MediaMode::kTone);
  EXPECT_EQ(s.FindExtension("600"), nullptr);
  EXPECT_EQ(s.FindExtension("601"), nullptr);
}

}  // namespace
}  // namespace pbxsim
