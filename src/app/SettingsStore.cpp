#include "app/SettingsStore.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <utility>

namespace zy {
namespace {

constexpr std::string_view kProgramKey = "Software\\Corvane Applications\\";
constexpr std::string_view kProgramName = "Dalmo";

constexpr SettingsRoot M = SettingsRoot::Machine;
constexpr SettingsRoot U = SettingsRoot::User;

constexpr std::array<SettingInfo, 37> kSettings = {{
    {kSettingIpAddress, M},
    {kSettingConnectToIp, M},
    {kSettingPort, M},
    {kSettingRtpPort, M},
    {kSettingSymmetricRtp, M},
    {kSettingDevice, M},
    {kSettingExtension, U},
    {kSettingPassword, U},
    {kSettingLanguage, U},
    {kSettingInputDevice, U},
    {kSettingOutputDevice, U},
    {kSettingCheckCharge, M},
    {kSettingChargeValue, M},
    {kSettingCheckTime, M},
    {kSettingTableFile, M},
    {kSettingCheckOut, M},
    {kSettingCheckIn, M},
    {kSettingExtPercent, M},
    {kSettingCheckDmd, M},
    {kSettingMaskDigits, M},
    {kSettingCheckPipe, M},
    {kSettingCheckPipeLog, M},
    {kSettingEchoCanc, M},
    {kSettingVadEnable, M},
    {kSettingCodec, M},
    {kSettingCallHandler, M},
    {kSettingChIpAddress, M},
    {kSettingChUser, M},
    {kSettingChPassword, M},
    {kSettingChSchema, M},
    {kSettingNoForegroundOnCall, U},
    {kSettingVolumeLevel, U},
    {kSettingPrefix, U},
    {kSettingWifiEnable, M},
    {kSettingWifiIpAddress, M},
    {kSettingWifiPassword, M},
    {kSettingChPort, M},
}};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> ReadSettingText(const SettingsStore& store, std::string_view name) {
  std::string value;
  if (!ReadSetting(store, name, value)) return std::nullopt;
  return value;
}

}  // namespace

std::string SettingsKeyPath(std::string_view name) {
  std::string path(kProgramKey);
  path += kProgramName;
  path += '\\';
  path += name;
  return path;
}

SettingsWriteResult KeyCreateFailed(std::string_view keyName) {
  return {kStringKeyCreateFailed, SettingsKeyPath(keyName)};
}

SettingsWriteResult ValueSetFailed(std::string_view valueName) {
  return {kStringValueSetFailed, std::string(valueName)};
}

std::span<const SettingInfo> SettingsTable() { return kSettings; }

SettingsRoot SettingRoot(std::string_view name) {
  for (const SettingInfo& info : kSettings) {
    if (info.name == name) return info.root;
  }
  return SettingsRoot::User;
}

bool ReadSetting(const SettingsStore& store, std::string_view name, std::string& value) {
  std::optional<std::string> text = store.ReadText(SettingRoot(name), name, kTextValueName);
  if (!text) return false;
  // The program sees a NUL-terminated text of at most 255 bytes.
  std::size_t end = text->find('\0');
  if (end == std::string::npos || end > kMaxSettingLength)
    end = std::min(text->size(), kMaxSettingLength);
  text->resize(end);
  value = std::move(*text);
  return true;
}

SettingsWriteResult WriteSetting(SettingsStore& store, std::string_view name,
                                 std::string_view text) {
  return store.WriteText(SettingRoot(name), name, kTextValueName, text);
}

std::optional<WindowRect> ReadWindowRect(const SettingsStore& store, std::string_view window) {
  const auto top = store.ReadNumber(SettingsRoot::User, window, kWindowTop);
  const auto left = store.ReadNumber(SettingsRoot::User, window, kWindowLeft);
  const auto bottom = store.ReadNumber(SettingsRoot::User, window, kWindowBottom);
  const auto right = store.ReadNumber(SettingsRoot::User, window, kWindowRight);
  if (!top || !left || !bottom || !right) return std::nullopt;
  // Stored as 32-bit words; coordinates left of or above the primary screen
  // are negative.
  return WindowRect{static_cast<std::int32_t>(*left), static_cast<std::int32_t>(*top),
                    static_cast<std::int32_t>(*right), static_cast<std::int32_t>(*bottom)};
}

SettingsWriteResult WriteWindowRect(SettingsStore& store, std::string_view window,
                                    const WindowRect& rect) {
  const std::array<std::pair<std::string_view, std::int32_t>, 4> values = {{
      {kWindowTop, rect.top},
      {kWindowLeft, rect.left},
      {kWindowBottom, rect.bottom},
      {kWindowRight, rect.right},
  }};
  for (const auto& [valueName, value] : values) {
    SettingsWriteResult result =
        store.WriteNumber(SettingsRoot::User, window, valueName, static_cast<std::uint32_t>(value));
    if (!result.ok()) return result;
  }
  return {};
}

std::optional<std::uint8_t> ReadWindowActive(const SettingsStore& store, std::string_view window) {
  const auto value = store.ReadNumber(SettingsRoot::User, window, kWindowActive);
  if (!value) return std::nullopt;
  return static_cast<std::uint8_t>(*value & 0xFF);
}

SettingsWriteResult WriteWindowActive(SettingsStore& store, std::string_view window,
                                      std::uint8_t active) {
  return store.WriteNumber(SettingsRoot::User, window, kWindowActive, active);
}

std::optional<std::uint32_t> ReadWindowNumber(const SettingsStore& store, std::string_view window,
                                              std::string_view valueName) {
  return store.ReadNumber(SettingsRoot::User, window, valueName);
}

SettingsWriteResult WriteWindowNumber(SettingsStore& store, std::string_view window,
                                      std::string_view valueName, std::uint32_t value) {
  return store.WriteNumber(SettingsRoot::User, window, valueName, value);
}

std::uint8_t CodecCode(std::string_view codecSetting) {
  if (codecSetting == "G711") return 0;
  if (codecSetting == "G729") return 8;
  if (codecSetting == "G729/G711") return 24;
  return 16;  // "G711/G729", absent or unknown
}

int LanguageId(const std::optional<std::string>& languageSetting) {
  if (!languageSetting) return kLanguageItalian;
  return ParseDecimalNumber(*languageSetting) == kLanguageItalian ? kLanguageItalian
                                                                  : kLanguageEnglish;
}

std::uint32_t ParseHexNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) break;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return negative ? 0u - value : value;
}

int ParseDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool ParseFlag(std::string_view text) { return !text.empty() && text.front() == '1'; }

std::string FormatIpAddress(std::uint32_t address) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%lx", static_cast<unsigned long>(address));
  return buffer;
}

std::string FormatDottedQuad(std::uint32_t address) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", (address >> 24) & 0xFFu,
                (address >> 16) & 0xFFu, (address >> 8) & 0xFFu, address & 0xFFu);
  return buffer;
}

std::optional<std::uint32_t> ParseDottedQuad(std::string_view text) {
  std::uint32_t address = 0;
  std::size_t i = 0;
  for (int octet = 0; octet < 4; ++octet) {
    if (octet > 0) {
      if (i >= text.size() || text[i] != '.') return std::nullopt;
      ++i;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    address = (address << 8) | value;
  }
  if (i != text.size()) return std::nullopt;
  return address;
}

StartupSettings LoadStartupSettings(const SettingsStore& store) {
  StartupSettings s;
  std::string text;

  bool addressPresent = false;
  if (ReadSetting(store, kSettingConnectToIp, text)) {
    s.connectToIp = ParseFlag(text);
    if (*s.connectToIp) {
      if (ReadSetting(store, kSettingIpAddress, text)) {
        s.ipAddress = ParseHexNumber(text);
        addressPresent = true;
      }
    } else if (ReadSetting(store, kSettingDevice, text)) {
      s.device = text;
      addressPresent = true;
    }
  }
  bool portsPresent = true;
  if (ReadSetting(store, kSettingPort, text)) {
    s.port = ParseDecimalNumber(text);
  } else {
    portsPresent = false;
  }
  if (ReadSetting(store, kSettingRtpPort, text)) {
    s.rtpPort = ParseDecimalNumber(text);
  } else {
    portsPresent = false;
  }
  s.settingsComplete = addressPresent && portsPresent;

  if (ReadSetting(store, kSettingSymmetricRtp, text)) s.symmetricRtp = ParseFlag(text);
  ReadSetting(store, kSettingExtension, s.extension);
  ReadSetting(store, kSettingPassword, s.password);
  s.languageText = ReadSettingText(store, kSettingLanguage);
  s.languageId = LanguageId(s.languageText);
  ReadSetting(store, kSettingInputDevice, s.inputDevice);
  ReadSetting(store, kSettingOutputDevice, s.outputDevice);
  if (ReadSetting(store, kSettingEchoCanc, text)) s.echoCanc = ParseFlag(text);
  if (ReadSetting(store, kSettingVadEnable, text)) s.vadEnable = ParseFlag(text);
  ReadSetting(store, kSettingCodec, s.codec);
  s.codecCode = CodecCode(s.codec);
  if (ReadSetting(store, kSettingNoForegroundOnCall, text)) s.noForegroundOnCall = ParseFlag(text);
  if (ReadSetting(store, kSettingVolumeLevel, text)) {
    const int level = ParseDecimalNumber(text);
    s.volumeLevel = (level >= 0 && level <= 2) ? level : kDefaultVolumeLevel;
  }
  ReadSetting(store, kSettingPrefix, s.prefix);
  return s;
}

}  // namespace zy
