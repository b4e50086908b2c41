#include "model/ExtInfo.h"

#include <vector>

#include "app/SettingsStore.h"
#include "link/LinkClient.h"

namespace zy {

namespace {

// The owners of every cached record of one parameter, in cache order.
std::vector<std::pair<uint16_t, std::string>> OwnersOf(LinkClient& link, uint16_t parameter) {
  std::vector<std::pair<uint16_t, std::string>> owners;
  uint64_t position = 0;
  uint16_t owner = 0;
  std::string value;
  while (link.NextParameter(position, 0xFFFF, parameter, owner, &value)) {
    owners.emplace_back(owner, ParameterText(value));
  }
  return owners;
}

}  // namespace

bool CExtInfo::Load(LinkClient& link) {
  if (IsLoaded()) return true;
  if (!link.ReadParameterRange(0xFFFF, kParamIsExtension)) {
    Clear();
    return false;
  }
  std::vector<CExtEntry> entries;
  for (const auto& [owner, unused] : OwnersOf(link, kParamIsExtension)) {
    auto number = link.ReadParameter(owner, kParamNumber);
    if (!number) continue;
    CExtEntry e;
    e.objectId = owner;
    e.number = ParameterText(*number);
    if (auto name = link.ReadParameter(owner, kParamName)) e.name = ParameterText(*name);
    if (auto flags = link.ReadParameter(owner, kParamFlags)) {
      e.isRoom = (ParseHexNumber(ParameterText(*flags)) & 0x10) != 0;
    }
    entries.push_back(std::move(e));
  }
  Publish(std::move(entries));
  return true;
}

std::optional<CExtEntry> CExtInfo::FindById(uint16_t objectId) const {
  return FindIf([&](const CExtEntry& e) { return e.objectId == objectId; });
}

std::optional<CExtEntry> CExtInfo::FindByNumber(const std::string& number) const {
  return FindIf([&](const CExtEntry& e) { return e.number == number; });
}

bool CTkrouteInfo::Load(LinkClient& link) {
  if (IsLoaded()) return true;
  if (!link.ReadParameterRange(0xFFFF, kParamRoute)) {
    Clear();
    return false;
  }
  std::vector<CTkroute> routes;
  for (const auto& [owner, unused] : OwnersOf(link, kParamRoute)) {
    routes.push_back(CTkroute{static_cast<uint8_t>(owner & 0xFF)});
  }
  Publish(std::move(routes));
  return true;
}

bool CTklineInfo::Load(LinkClient& link) {
  if (IsLoaded()) return true;
  if (!link.ReadParameterRange(0xFFFF, kParamLinePosition)) {
    Clear();
    return false;
  }
  std::vector<CTkline> lines;
  for (const auto& [owner, value] : OwnersOf(link, kParamLinePosition)) {
    const uint32_t position = ParseHexNumber(value);
    lines.push_back(CTkline{static_cast<uint16_t>(owner & 0xBFFF),
                            static_cast<uint8_t>((position >> 8) & 0xFF),
                            static_cast<uint8_t>(position & 0xFF)});
  }
  Publish(std::move(lines));
  return true;
}

bool LoadLinesAndRoutes(LinkClient& link, CTklineInfo& lines, CTkrouteInfo& routes) {
  if (routes.Load(link) && lines.Load(link)) return true;
  lines.Clear();
  routes.Clear();
  return false;
}

}  // namespace zy
