#include "pbxsim/Scenario.h"

#include <algorithm>
#include <cstdio>

#include "pbxsim/Frame.h"

namespace pbxsim {

std::string FormatHex(uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  return buf;
}

namespace {

std::vector<uint8_t> Texts(const std::vector<std::string>& texts) {
  std::vector<uint8_t> v;
  for (const auto& t : texts) {
    v.insert(v.end(), t.begin(), t.end());
    v.push_back(0);
  }
  return v;
}

}  // namespace

uint16_t LoginReplyCode(LoginReply reply) {
  switch (reply) {
    case LoginReply::kGrant:
      return code::kLoginAccepted;
    case LoginReply::kOptionDisabled:
      return code::kOptionDisabled;
    case LoginReply::kNotConfigured:
      return code::kNotConfigured;
    case LoginReply::kNoPort:
      return code::kNoPort;
    case LoginReply::kAlreadyConnected:
      return code::kAlreadyConnected;
    case LoginReply::kPlainAck:
      return code::kAck;
  }
  return code::kAck;
}

std::vector<uint8_t> Grants::Payload() const {
  std::vector<uint8_t> p = {
      static_cast<uint8_t>((operatorFlag ? 0x01 : 0) | (privileged ? 0x02 : 0)),
      minVersion,
      maxVersion,
      edition,
      0,
      eventPayloadType,
      node,
  };
  p.resize(std::min<size_t>(replyLength, p.size()));
  return p;
}

Scenario Scenario::Generate(int extensions) {
  Scenario s;
  s.SetKeepAlivePeriod(std::chrono::milliseconds(5000));
  s.SetSystemOptions(0);
  for (int i = 0; i < extensions && i < 0xFFFF - 0x10; ++i) {
    std::string number = std::to_string(200 + i);
    Extension& e = s.AddExtension(static_cast<uint16_t>(0x10 + i), number);
    e.name = "Interno " + number;
    e.password = "1234";
    e.flags = "0";
    if (i == 0) e.grants.operatorFlag = true;
  }
  for (uint16_t n = 1; n <= 4; ++n)
    s.AddTrunkLine(static_cast<uint16_t>(0x4000 | n), FormatHex(0x100u + n));
  for (uint16_t n = 1; n <= 3; ++n) s.AddTrunkRoute(static_cast<uint16_t>(0x6000 | n));
  return s;
}

void Scenario::SetRecord(uint16_t owner, uint16_t param, const std::string& text) {
  records_[{owner, param}] = TextValue(text);
}

void Scenario::SetRecordTexts(uint16_t owner, uint16_t param,
                              const std::vector<std::string>& texts) {
  records_[{owner, param}] = Texts(texts);
}

void Scenario::SetRawRecord(uint16_t owner, uint16_t param, std::vector<uint8_t> value) {
  records_[{owner, param}] = std::move(value);
}

void Scenario::EraseRecord(uint16_t owner, uint16_t param) { records_.erase({owner, param}); }

void Scenario::SetSystemOptions(uint32_t word) {
  SetRecord(param::kSystemOwner, param::kSystemOptions, FormatHex(word));
}

void Scenario::SetModeName(int mode, const std::string& name) {
  SetRecord(param::kSystemOwner, static_cast<uint16_t>(param::kModeName + mode), name);
}

Extension& Scenario::AddExtension(uint16_t id, const std::string& number) {
  Extension& e = extensions_.emplace_back();
  e.id = id;
  e.number = number;
  return e;
}

const Extension* Scenario::FindExtension(const std::string& number) const {
  for (const auto& e : extensions_) {
    if (e.number && *e.number == number) return &e;
  }
  return nullptr;
}

void Scenario::AddMediaService(MediaService service) {
  for (auto& s : services_) {
    if (s.number == service.number) {
      s = std::move(service);
      return;
    }
  }
  services_.push_back(std::move(service));
}

const MediaService* Scenario::FindMediaService(const std::string& number) const {
  for (const auto& s : services_) {
    if (s.number == number) return &s;
  }
  return nullptr;
}

void Scenario::AddTrunkLine(uint16_t owner, const std::string& position) {
  lines_.push_back({owner, position});
}

void Scenario::AddTrunkRoute(uint16_t owner, const std::string& value) {
  routes_.push_back({owner, value});
}

DataMemory Scenario::BuildDataMemory() const {
  DataMemory mem;
  for (const auto& e : extensions_) {
    if (e.marked) mem[{e.id, param::kExtensionMark}] = TextValue("1");
    if (e.number) mem[{e.id, param::kNumber}] = TextValue(*e.number);
    if (e.name) mem[{e.id, param::kName}] = TextValue(*e.name);
    if (e.password) mem[{e.id, param::kPassword}] = TextValue(*e.password);
    if (e.flags) mem[{e.id, param::kFlags}] = TextValue(*e.flags);
  }
  for (const auto& l : lines_) mem[{l.owner, param::kLinePosition}] = TextValue(l.position);
  for (const auto& r : routes_) mem[{r.owner, param::kRoute}] = TextValue(r.value);
  for (const auto& [key, value] : records_) mem[key] = value;
  return mem;
}

}  // namespace pbxsim
