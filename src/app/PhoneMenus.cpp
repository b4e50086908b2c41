#include "app/PhoneMenus.h"

#include <cstdio>

#include "app/SettingsStore.h"

namespace zy {

std::optional<uint16_t> NdMenuFunction(bool ndOn, bool chooseOn) {
  if (ndOn == chooseOn) return std::nullopt;
  return kFunctionNdToggle;
}

std::span<const ModeMenuItem> ModeMenuItems() {
  static constexpr ModeMenuItem kItems[] = {
      {32815, 1, "Modo &1"}, {32816, 2, "Modo &2"},    {32817, 3, "Modo &3"}, {32818, 4, "Modo &4"},
      {32819, 5, "Modo &5"}, {32820, 6, "Modo &6"},    {32821, 7, "Modo &7"}, {32822, 8, "Modo &8"},
      {32823, 9, "Modo &9"}, {32814, 0, "Modo ferie"},
  };
  return kItems;
}

std::optional<uint16_t> ModeFunction(int mode) {
  switch (mode) {
    case 0:
      return kFunctionHolidayMode;
    case 1:
      return kFunctionMode1;
    case 2:
      return kFunctionMode2;
    default:
      if (mode >= 3 && mode <= 9) return static_cast<uint16_t>(kFunctionModeBase + mode);
      return std::nullopt;
  }
}

std::optional<uint16_t> ModeMenuFunction(std::optional<int> current, int chosen) {
  if (current == chosen) return std::nullopt;
  return ModeFunction(chosen);
}

bool IdentitySendingOff(const std::optional<std::string>& parameter274) {
  return parameter274 && (ParseHexNumber(*parameter274) & 0x2) != 0;
}

std::optional<uint16_t> IdentityMenuFunction(bool sendingOff, bool chooseOn) {
  if (chooseOn && sendingOff) return kFunctionIdentityOn;
  if (!chooseOn && !sendingOff) return kFunctionIdentityOff;
  return std::nullopt;
}

uint32_t AvailabilityWord(const std::optional<std::string>& parameter279) {
  return parameter279 ? ParseHexNumber(*parameter279) : 0;
}

std::string FormatAvailabilityWord(uint32_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(word));
  return text;
}

bool AvailabilityChecked(uint32_t word, AvailabilityItem item) {
  switch (item) {
    case AvailabilityItem::Reachable:
      return (word & kAvailNotReachable) == 0;
    case AvailabilityItem::OnNumber:
      return (word & kAvailReachOnNumber) != 0;
    case AvailabilityItem::AnswerMessage:
      return (word & kAvailAnswerMessage) != 0;
  }
  return false;
}

AvailabilityStep AvailabilityChoice(uint32_t word, AvailabilityItem item) {
  switch (item) {
    case AvailabilityItem::Reachable:
      return {std::nullopt, word ^ kAvailNotReachable};
    case AvailabilityItem::OnNumber:
      if (word & kAvailReachOnNumber) return {std::nullopt, word & ~kAvailReachOnNumber};
      return {kParamReachNumber, word | kAvailReachOnNumber};
    case AvailabilityItem::AnswerMessage:
      if (word & kAvailAnswerMessage) return {std::nullopt, word & ~kAvailAnswerMessage};
      return {kParamAnswerMessage, word | kAvailAnswerMessage};
  }
  return {std::nullopt, word};
}

}  // namespace zy
