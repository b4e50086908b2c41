// Extensions, trunk lines and trunk routes of the PBX.
//
// Threading: loads run on the window thread (synchronous link requests);
// lookups from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/Container.h"

namespace zy {

class LinkClient;

// Data-memory parameters of these lists.
inline constexpr uint16_t kParamIsExtension = 257;
inline constexpr uint16_t kParamNumber = 258;
inline constexpr uint16_t kParamName = 259;
inline constexpr uint16_t kParamPassword = 260;
inline constexpr uint16_t kParamFlags = 273;
inline constexpr uint16_t kParamLinePosition = 0x2001;
inline constexpr uint16_t kParamRoute = 0x2301;

struct CExtEntry {
  bool isRoom = false;  // bit 4 of the extension's flag word
  uint16_t objectId = 0;
  std::string name;    // empty when the PBX has none
  std::string number;  // the dialable number
  bool operator==(const CExtEntry&) const = default;
};

class CExtInfo : public CLoadedList<CExtEntry> {
 public:
  // Reads every extension: one range read of parameter 257, then number,
  // name and flags of each. An object without a number is left out. False
  // (and the list empty, not loaded) when the PBX does not answer the range
  // read. Does nothing when already loaded.
  bool Load(LinkClient& link);
  std::optional<CExtEntry> FindById(uint16_t objectId) const;
  // Exact, case-sensitive comparison of the whole number.
  std::optional<CExtEntry> FindByNumber(const std::string& number) const;
};

struct CTkline {
  uint16_t lineId = 0xFFFF;  // owner of parameter 0x2001, bit 14 cleared
  uint8_t positionHigh = 0;
  uint8_t positionLow = 0;
  bool operator==(const CTkline&) const = default;
};

class CTklineInfo : public CLoadedList<CTkline> {
 public:
  bool Load(LinkClient& link);
};

struct CTkroute {
  uint8_t routeNumber = 255;  // low byte of the owner of parameter 0x2301
  bool operator==(const CTkroute&) const = default;
};

class CTkrouteInfo : public CLoadedList<CTkroute> {
 public:
  bool Load(LinkClient& link);
};

// Loads routes and lines for a directory panel; when either fails both are
// cleared (the panel then shows message 311 and is not created).
bool LoadLinesAndRoutes(LinkClient& link, CTklineInfo& lines, CTkrouteInfo& routes);

}  // namespace zy
