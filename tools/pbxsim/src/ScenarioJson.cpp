// Reading and writing scenarios as JSON (format in tools/pbxsim/README.md).
#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "pbxsim/Frame.h"
#include "pbxsim/Scenario.h"

namespace pbxsim {

using nlohmann::json;
using ojson = nlohmann::ordered_json;  // written scenarios keep a readable field order

namespace {

// Texts are UTF-8 in the JSON and Windows-1252 on the PBX.
const char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// The JSON parser has checked that the text is valid UTF-8.
std::string Utf8ToCp1252(const std::string& in) {
  std::string out;
  for (size_t i = 0; i < in.size();) {
    auto b = static_cast<unsigned char>(in[i]);
    size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + n > in.size()) break;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(in[i + k]) & 0x3F);
    out.push_back(ToCp1252(c));
    i += n;
  }
  return out;
}

std::string Cp1252ToUtf8(const std::string& in) {
  std::string out;
  for (char ch : in) {
    auto b = static_cast<unsigned char>(ch);
    char32_t c = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ScenarioError(where + ": " + what);
}

// A number: a JSON integer, a "0x.." string or a string of decimal digits.
uint64_t Number(const json& j, const std::string& where, uint64_t max) {
  uint64_t v = 0;
  if (j.is_number_unsigned()) {
    v = j.get<uint64_t>();
  } else if (j.is_number_integer()) {
    Fail(where, "negative number");
  } else if (j.is_string()) {
    const std::string& s = j.get_ref<const std::string&>();
    bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    std::string digits = hex ? s.substr(2) : s;
    if (digits.empty() || digits.size() > 16) Fail(where, "not a number: \"" + s + "\"");
    for (char c : digits) {
      int d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (hex && c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        Fail(where, "not a number: \"" + s + "\"");
      uint64_t base = hex ? 16 : 10;
      if (v > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(d)) / base) {
        Fail(where, "number too large: \"" + s + "\"");
      }
      v = v * base + static_cast<uint64_t>(d);
    }
  } else {
    Fail(where, "expected a number");
  }
  if (v > max) Fail(where, "number above " + std::to_string(max));
  return v;
}

uint16_t Word(const json& j, const std::string& where) {
  return static_cast<uint16_t>(Number(j, where, 0xFFFF));
}

uint8_t Byte(const json& j, const std::string& where) {
  return static_cast<uint8_t>(Number(j, where, 0xFF));
}

bool IsHexNumberText(const json& j) {
  if (!j.is_string()) return false;
  const std::string& s = j.get_ref<const std::string&>();
  return s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
}

// A value the PBX holds as hexadecimal text: a string is taken as that text,
// a number (integer or "0x..") is written in hexadecimal.
std::string HexText(const json& j, const std::string& where) {
  if (j.is_string() && !IsHexNumberText(j)) return Utf8ToCp1252(j.get<std::string>());
  return FormatHex(Number(j, where, 0xFFFFFFFF));
}

std::string Text(const json& j, const std::string& where) {
  if (!j.is_string()) Fail(where, "expected a text");
  return Utf8ToCp1252(j.get<std::string>());
}

// A text kept as written: addresses and file names.
std::string PlainText(const json& j, const std::string& where) {
  if (!j.is_string()) Fail(where, "expected a text");
  return j.get<std::string>();
}

std::string DecimalText(const json& j, const std::string& where) {
  if (j.is_string()) return Utf8ToCp1252(j.get<std::string>());
  return std::to_string(Number(j, where, 0xFFFFFFFF));
}

bool Bool(const json& j, const std::string& where) {
  if (!j.is_boolean()) Fail(where, "expected true or false");
  return j.get<bool>();
}

void CheckKeys(const json& obj, const std::string& where,
               std::initializer_list<const char*> allowed) {
  if (!obj.is_object()) Fail(where, "expected an object");
  for (const auto& item : obj.items()) {
    bool known =
        std::any_of(allowed.begin(), allowed.end(), [&](const char* k) { return item.key() == k; });
    if (!known) Fail(where, "unknown field \"" + item.key() + "\"");
  }
}

std::vector<uint8_t> HexBytes(const std::string& s, const std::string& where) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char c : s) {
    int d;
    if (c == ' ' || c == ':' || c == '-') continue;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      Fail(where, "not a hex digit in \"" + s + "\"");
    if (high < 0) {
      high = d;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) Fail(where, "odd number of hex digits in \"" + s + "\"");
  return out;
}

std::string HexString(const std::vector<uint8_t>& bytes) {
  std::string s;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
    s += buf;
  }
  return s;
}

const struct {
  const char* name;
  LoginReply reply;
} kReplyNames[] = {
    {"grant", LoginReply::kGrant},
    {"optionDisabled", LoginReply::kOptionDisabled},
    {"notConfigured", LoginReply::kNotConfigured},
    {"noPort", LoginReply::kNoPort},
    {"alreadyConnected", LoginReply::kAlreadyConnected},
    {"plainAck", LoginReply::kPlainAck},
};

const struct {
  const char* name;
  uint8_t bit;
} kEditionNames[] = {
    {"pro", edition::kPro},
    {"basic", edition::kBasic},
    {"hotel", edition::kHotel},
};

uint8_t Edition(const json& j, const std::string& where) {
  if (!j.is_array()) return Byte(j, where);
  uint8_t bits = 0;
  for (size_t i = 0; i < j.size(); ++i) {
    std::string w = where + "[" + std::to_string(i) + "]";
    std::string name = Text(j[i], w);
    auto it = std::find_if(std::begin(kEditionNames), std::end(kEditionNames),
                           [&](const auto& e) { return name == e.name; });
    if (it == std::end(kEditionNames)) Fail(w, "unknown edition \"" + name + "\"");
    bits |= it->bit;
  }
  return bits;
}

void ParseGrants(const json& j, const std::string& where, Grants& g) {
  CheckKeys(j, where,
            {"operator", "privileged", "minVersion", "maxVersion", "edition", "eventPayloadType",
             "node", "replyLength"});
  if (j.contains("operator")) g.operatorFlag = Bool(j["operator"], where + ".operator");
  if (j.contains("privileged")) g.privileged = Bool(j["privileged"], where + ".privileged");
  if (j.contains("minVersion")) g.minVersion = Byte(j["minVersion"], where + ".minVersion");
  if (j.contains("maxVersion")) g.maxVersion = Byte(j["maxVersion"], where + ".maxVersion");
  if (j.contains("edition")) g.edition = Edition(j["edition"], where + ".edition");
  if (j.contains("eventPayloadType"))
    g.eventPayloadType = Byte(j["eventPayloadType"], where + ".eventPayloadType");
  if (j.contains("node")) g.node = Byte(j["node"], where + ".node");
  if (j.contains("replyLength")) {
    g.replyLength = static_cast<uint8_t>(Number(j["replyLength"], where + ".replyLength", 7));
  }
}

void ParseExtension(const json& j, const std::string& where, const Grants& defaults, Scenario& s) {
  CheckKeys(j, where,
            {"id", "number", "name", "password", "flags", "room", "marked", "login", "refuse"});
  if (!j.contains("id")) Fail(where, "missing \"id\"");
  uint16_t id = Word(j["id"], where + ".id");
  Extension& e = s.AddExtension(id, "");
  e.number.reset();
  e.grants = defaults;
  if (j.contains("number")) e.number = DecimalText(j["number"], where + ".number");
  if (j.contains("name")) e.name = Text(j["name"], where + ".name");
  if (j.contains("password")) e.password = DecimalText(j["password"], where + ".password");
  if (j.contains("flags")) e.flags = HexText(j["flags"], where + ".flags");
  if (j.contains("room") && Bool(j["room"], where + ".room")) {
    uint32_t word = 0;
    if (e.flags) word = static_cast<uint32_t>(std::strtoul(e.flags->c_str(), nullptr, 16));
    e.flags = FormatHex(word | kRoomFlag);
  }
  if (j.contains("marked")) e.marked = Bool(j["marked"], where + ".marked");
  if (j.contains("login")) ParseGrants(j["login"], where + ".login", e.grants);
  if (j.contains("refuse")) {
    std::string name = Text(j["refuse"], where + ".refuse");
    auto it = std::find_if(std::begin(kReplyNames), std::end(kReplyNames),
                           [&](const auto& r) { return name == r.name; });
    if (it == std::end(kReplyNames)) Fail(where + ".refuse", "unknown reply \"" + name + "\"");
    e.reply = it->reply;
  }
}

void ParseRecord(const json& j, const std::string& where, Scenario& s) {
  CheckKeys(j, where, {"owner", "param", "text", "texts", "hex"});
  if (!j.contains("owner")) Fail(where, "missing \"owner\"");
  if (!j.contains("param")) Fail(where, "missing \"param\"");
  uint16_t owner = Word(j["owner"], where + ".owner");
  uint16_t param = Word(j["param"], where + ".param");
  int kinds = int(j.contains("text")) + int(j.contains("texts")) + int(j.contains("hex"));
  if (kinds != 1) Fail(where, "needs exactly one of \"text\", \"texts\", \"hex\"");
  if (j.contains("text")) {
    s.SetRecord(owner, param, Text(j["text"], where + ".text"));
  } else if (j.contains("texts")) {
    const json& arr = j["texts"];
    if (!arr.is_array()) Fail(where + ".texts", "expected a list of texts");
    std::vector<std::string> texts;
    for (size_t i = 0; i < arr.size(); ++i)
      texts.push_back(Text(arr[i], where + ".texts[" + std::to_string(i) + "]"));
    s.SetRecordTexts(owner, param, texts);
  } else {
    s.SetRawRecord(owner, param, HexBytes(Text(j["hex"], where + ".hex"), where + ".hex"));
  }
}

const struct {
  const char* name;
  MediaMode mode;
} kModeNames[] = {
    {"echo", MediaMode::kEcho},
    {"tone", MediaMode::kTone},
    {"wav", MediaMode::kWav},
};

const char* ModeName(MediaMode m) {
  for (const auto& n : kModeNames) {
    if (n.mode == m) return n.name;
  }
  return "echo";
}

void ParseMediaService(const json& j, const std::string& where, Scenario& s) {
  CheckKeys(j, where, {"number", "mode", "name", "frequency", "level", "file", "codec"});
  if (!j.contains("number")) Fail(where, "missing \"number\"");
  MediaService m;
  m.number = DecimalText(j["number"], where + ".number");
  if (m.number.empty()) Fail(where + ".number", "empty number");
  if (j.contains("mode")) {
    std::string name = Text(j["mode"], where + ".mode");
    auto it = std::find_if(std::begin(kModeNames), std::end(kModeNames),
                           [&](const auto& n) { return name == n.name; });
    if (it == std::end(kModeNames)) Fail(where + ".mode", "unknown mode \"" + name + "\"");
    m.mode = it->mode;
  }
  if (j.contains("name")) m.name = Text(j["name"], where + ".name");
  if (j.contains("frequency")) {
    m.toneHz = static_cast<int>(Number(j["frequency"], where + ".frequency", 3999));
    if (m.toneHz == 0) Fail(where + ".frequency", "must be 1 to 3999");
  }
  if (j.contains("level"))
    m.toneLevel = static_cast<int>(Number(j["level"], where + ".level", 32767));
  if (j.contains("file")) m.wavFile = PlainText(j["file"], where + ".file");
  if (m.mode == MediaMode::kWav && m.wavFile.empty()) Fail(where, "mode \"wav\" needs \"file\"");
  if (j.contains("codec")) {
    std::string c = Text(j["codec"], where + ".codec");
    if (c == "g711") {
      m.codec = codec::kG711;
    } else if (c == "g729") {
      m.codec = codec::kG729;
    } else {
      Fail(where + ".codec", "expected \"g711\" or \"g729\"");
    }
  }
  s.AddMediaService(std::move(m));
}

const json& Array(const json& j, const std::string& where) {
  if (!j.is_array()) Fail(where, "expected a list");
  return j;
}

std::string At(const std::string& list, size_t i) { return list + "[" + std::to_string(i) + "]"; }

// Number in the JSON that is written back: small ids as "0x....".
std::string IdJson(uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v);
  return buf;
}

// A record value that is one or more printable NUL-terminated texts.
std::optional<std::vector<std::string>> AsTexts(const std::vector<uint8_t>& v) {
  if (v.empty() || v.back() != 0) return std::nullopt;
  std::vector<std::string> texts;
  std::string cur;
  for (size_t i = 0; i < v.size(); ++i) {
    uint8_t c = v[i];
    if (c == 0) {
      texts.push_back(Cp1252ToUtf8(cur));
      cur.clear();
    } else if (c < 0x20 || c == 0x7F) {
      return std::nullopt;  // control bytes stay exact as hex
    } else {
      cur.push_back(static_cast<char>(c));
    }
  }
  return texts;
}

}  // namespace

Scenario Scenario::FromJson(const std::string& text) {
  json j;
  try {
    j = json::parse(text);
  } catch (const json::exception& e) {
    throw ScenarioError(std::string("not valid JSON: ") + e.what());
  }
  Scenario s;
  CheckKeys(j, "scenario",
            {"comment", "keepAliveMs", "loginDefaults", "systemOptions", "modeNames", "extensions",
             "lines", "routes", "records", "mediaServices", "media", "dialPauseMs", "ringIn"});
  if (j.contains("keepAliveMs")) {
    s.SetKeepAlivePeriod(
        std::chrono::milliseconds(Number(j["keepAliveMs"], "keepAliveMs", 24u * 3600 * 1000)));
  }
  Grants defaults;
  if (j.contains("loginDefaults")) ParseGrants(j["loginDefaults"], "loginDefaults", defaults);
  if (j.contains("extensions")) {
    const json& arr = Array(j["extensions"], "extensions");
    for (size_t i = 0; i < arr.size(); ++i)
      ParseExtension(arr[i], At("extensions", i), defaults, s);
  }
  if (j.contains("lines")) {
    const json& arr = Array(j["lines"], "lines");
    for (size_t i = 0; i < arr.size(); ++i) {
      std::string w = At("lines", i);
      CheckKeys(arr[i], w, {"owner", "position"});
      if (!arr[i].contains("owner") || !arr[i].contains("position"))
        Fail(w, "needs \"owner\" and \"position\"");
      s.AddTrunkLine(Word(arr[i]["owner"], w + ".owner"),
                     HexText(arr[i]["position"], w + ".position"));
    }
  }
  if (j.contains("routes")) {
    const json& arr = Array(j["routes"], "routes");
    for (size_t i = 0; i < arr.size(); ++i) {
      std::string w = At("routes", i);
      if (arr[i].is_object()) {
        CheckKeys(arr[i], w, {"owner", "value"});
        if (!arr[i].contains("owner")) Fail(w, "missing \"owner\"");
        std::string value = arr[i].contains("value") ? Text(arr[i]["value"], w + ".value") : "1";
        s.AddTrunkRoute(Word(arr[i]["owner"], w + ".owner"), value);
      } else {
        s.AddTrunkRoute(Word(arr[i], w));
      }
    }
  }
  // Records after the named shortcuts so that an explicit record wins.
  if (j.contains("systemOptions")) {
    s.SetRecord(param::kSystemOwner, param::kSystemOptions,
                HexText(j["systemOptions"], "systemOptions"));
  }
  if (j.contains("modeNames")) {
    const json& m = j["modeNames"];
    auto set = [&](uint64_t mode, const json& name, const std::string& w) {
      if (name.is_null()) return;
      s.SetModeName(static_cast<int>(mode), Text(name, w));
    };
    if (m.is_array()) {
      if (m.size() > 10) Fail("modeNames", "modes are 0 to 9");
      for (size_t i = 0; i < m.size(); ++i) set(i, m[i], At("modeNames", i));
    } else if (m.is_object()) {
      for (const auto& item : m.items()) {
        std::string w = "modeNames." + item.key();
        set(Number(json(item.key()), w, 9), item.value(), w);
      }
    } else {
      Fail("modeNames", "expected a list or an object");
    }
  }
  if (j.contains("records")) {
    const json& arr = Array(j["records"], "records");
    for (size_t i = 0; i < arr.size(); ++i) ParseRecord(arr[i], At("records", i), s);
  }
  if (j.contains("mediaServices")) {
    const json& arr = Array(j["mediaServices"], "mediaServices");
    for (size_t i = 0; i < arr.size(); ++i) ParseMediaService(arr[i], At("mediaServices", i), s);
  }
  if (j.contains("media")) {
    const json& m = j["media"];
    CheckKeys(m, "media", {"address", "port", "recordDir"});
    MediaSettings ms;
    if (m.contains("address")) {
      ms.address = PlainText(m["address"], "media.address");
      in_addr a{};
      if (::inet_pton(AF_INET, ms.address.c_str(), &a) != 1)
        Fail("media.address", "not an IPv4 address: \"" + ms.address + "\"");
    }
    if (m.contains("port")) ms.port = Word(m["port"], "media.port");
    if (m.contains("recordDir")) ms.recordDir = PlainText(m["recordDir"], "media.recordDir");
    s.SetMediaSettings(std::move(ms));
  }
  if (j.contains("dialPauseMs")) {
    s.SetDialPause(std::chrono::milliseconds(Number(j["dialPauseMs"], "dialPauseMs", 600000)));
  }
  if (j.contains("ringIn")) {
    const json& r = j["ringIn"];
    CheckKeys(r, "ringIn", {"number", "name", "afterLoginMs"});
    if (!r.contains("number")) Fail("ringIn", "missing \"number\"");
    RingInPlan plan;
    plan.number = DecimalText(r["number"], "ringIn.number");
    if (r.contains("name")) plan.name = Text(r["name"], "ringIn.name");
    if (r.contains("afterLoginMs")) {
      plan.afterLogin =
          std::chrono::milliseconds(Number(r["afterLoginMs"], "ringIn.afterLoginMs", 86400000));
    }
    s.SetRingIn(plan);
  }
  return s;
}

Scenario Scenario::FromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path + ": cannot open");
  std::stringstream ss;
  ss << in.rdbuf();
  Scenario s;
  try {
    s = FromJson(ss.str());
  } catch (const ScenarioError& e) {
    throw ScenarioError(path + ": " + e.what());
  }
  // A WAV file named in the scenario is found next to it.
  std::filesystem::path dir = std::filesystem::path(path).parent_path();
  for (auto& m : s.services_) {
    if (!m.wavFile.empty() && std::filesystem::path(m.wavFile).is_relative() && !dir.empty())
      m.wavFile = (dir / m.wavFile).string();
  }
  return s;
}

std::string Scenario::ToJson() const {
  ojson j = ojson::object();
  j["keepAliveMs"] = keepAlive_.count();
  ojson exts = ojson::array();
  const Grants defaults;
  for (const auto& e : extensions_) {
    ojson x = ojson::object();
    x["id"] = IdJson(e.id);
    if (e.number) x["number"] = Cp1252ToUtf8(*e.number);
    if (e.name) x["name"] = Cp1252ToUtf8(*e.name);
    if (e.password) x["password"] = Cp1252ToUtf8(*e.password);
    if (e.flags) x["flags"] = Cp1252ToUtf8(*e.flags);
    if (!e.marked) x["marked"] = false;
    ojson g = ojson::object();
    const Grants& gr = e.grants;
    if (gr.operatorFlag != defaults.operatorFlag) g["operator"] = gr.operatorFlag;
    if (gr.privileged != defaults.privileged) g["privileged"] = gr.privileged;
    if (gr.minVersion != defaults.minVersion) g["minVersion"] = gr.minVersion;
    if (gr.maxVersion != defaults.maxVersion) g["maxVersion"] = gr.maxVersion;
    if (gr.edition != defaults.edition) g["edition"] = gr.edition;
    if (gr.eventPayloadType != defaults.eventPayloadType)
      g["eventPayloadType"] = gr.eventPayloadType;
    if (gr.node != defaults.node) g["node"] = gr.node;
    if (gr.replyLength != defaults.replyLength) g["replyLength"] = gr.replyLength;
    if (!g.empty()) x["login"] = g;
    if (e.reply != LoginReply::kGrant) {
      for (const auto& r : kReplyNames) {
        if (r.reply == e.reply) x["refuse"] = r.name;
      }
    }
    exts.push_back(x);
  }
  j["extensions"] = exts;
  ojson lines = ojson::array();
  for (const auto& l : lines_)
    lines.push_back({{"owner", IdJson(l.owner)}, {"position", Cp1252ToUtf8(l.position)}});
  j["lines"] = lines;
  ojson routes = ojson::array();
  for (const auto& r : routes_) {
    if (r.value == "1") {
      routes.push_back(IdJson(r.owner));
    } else {
      routes.push_back({{"owner", IdJson(r.owner)}, {"value", Cp1252ToUtf8(r.value)}});
    }
  }
  j["routes"] = routes;
  ojson recs = ojson::array();
  for (const auto& [key, value] : records_) {
    ojson r = {{"owner", IdJson(key.first)}, {"param", IdJson(key.second)}};
    auto texts = AsTexts(value);
    if (texts && texts->size() == 1) {
      r["text"] = texts->front();
    } else if (texts) {
      r["texts"] = *texts;
    } else {
      r["hex"] = HexString(value);
    }
    recs.push_back(r);
  }
  j["records"] = recs;
  if (!services_.empty()) {
    ojson arr = ojson::array();
    const MediaService plain;
    for (const auto& m : services_) {
      ojson x = {{"number", Cp1252ToUtf8(m.number)}, {"mode", ModeName(m.mode)}};
      if (!m.name.empty()) x["name"] = Cp1252ToUtf8(m.name);
      if (m.toneHz != plain.toneHz) x["frequency"] = m.toneHz;
      if (m.toneLevel != plain.toneLevel) x["level"] = m.toneLevel;
      if (!m.wavFile.empty()) x["file"] = m.wavFile;
      if (m.codec) x["codec"] = *m.codec == codec::kG729 ? "g729" : "g711";
      arr.push_back(x);
    }
    j["mediaServices"] = arr;
  }
  if (!media_.address.empty() || media_.port != 0 || !media_.recordDir.empty()) {
    ojson m = ojson::object();
    if (!media_.address.empty()) m["address"] = media_.address;
    if (media_.port != 0) m["port"] = media_.port;
    if (!media_.recordDir.empty()) m["recordDir"] = media_.recordDir;
    j["media"] = m;
  }
  if (dialPause_ != Scenario().dialPause_) j["dialPauseMs"] = dialPause_.count();
  if (ringIn_) {
    j["ringIn"] = {{"number", Cp1252ToUtf8(ringIn_->number)},
                   {"name", Cp1252ToUtf8(ringIn_->name)},
                   {"afterLoginMs", ringIn_->afterLogin.count()}};
  }
  return j.dump(2) + "\n";
}

}  // namespace pbxsim
