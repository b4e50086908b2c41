#include "settings/ConnectionSettings.h"

namespace zy {

namespace {

constexpr std::array<std::string_view, 4> kCodecs = {"G711", "G729", "G711/G729", "G729/G711"};
constexpr std::string_view kSettingsPassword = "vonpek";

std::optional<std::string> Read(const SettingsStore& store, std::string_view name) {
  std::string value;
  if (!ReadSetting(store, name, value)) return std::nullopt;
  return value;
}

// Ports are kept in range whatever the file says: the dialog's fields take
// 1-65535 only.
int ReadPort(const SettingsStore& store, std::string_view name, int fallback) {
  const auto text = Read(store, name);
  if (!text) return fallback;
  const int port = ParseDecimalNumber(*text);
  return port >= kMinPort && port <= kMaxPort ? port : fallback;
}

const char* Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::span<const std::string_view> CodecItems() { return kCodecs; }

int CodecItemIndex(std::string_view storedCodec) {
  if (storedCodec == "G729/G711") return 3;
  if (storedCodec == "G711/G729") return 2;
  if (storedCodec == "G729") return 1;
  return 0;
}

ConnectionSettings LoadConnectionSettings(const SettingsStore& store) {
  ConnectionSettings s;
  if (const auto v = Read(store, kSettingConnectToIp)) s.connectToIp = ParseFlag(*v);
  if (const auto v = Read(store, kSettingIpAddress)) s.ipAddress = ParseHexNumber(*v);
  if (const auto v = Read(store, kSettingDevice)) s.device = *v;
  s.port = ReadPort(store, kSettingPort, kDefaultPort);
  s.rtpPort = ReadPort(store, kSettingRtpPort, kDefaultRtpPort);
  if (const auto v = Read(store, kSettingSymmetricRtp)) s.symmetricRtp = ParseFlag(*v);
  if (const auto v = Read(store, kSettingEchoCanc)) s.echoCanc = ParseFlag(*v);
  if (const auto v = Read(store, kSettingVadEnable)) s.vadEnable = ParseFlag(*v);
  s.codecIndex = CodecItemIndex(Read(store, kSettingCodec).value_or(""));
  return s;
}

ConnectionSaveResult SaveConnectionSettings(SettingsStore& store, const ConnectionSettings& values,
                                            std::optional<uint32_t> address,
                                            const std::optional<std::string>& device,
                                            StartupSettings& memory) {
  ConnectionSaveResult result;
  if (values.connectToIp && (!address || *address == 0)) {
    result.refusedStringId = kStrInvalidIpAddress;
    return result;
  }
  auto write = [&](std::string_view name, const std::string& text) {
    const SettingsWriteResult w = WriteSetting(store, name, text);
    if (!w.ok()) result.writeFailures.push_back(w);
  };
  if (values.connectToIp) {
    write(kSettingIpAddress, FormatIpAddress(*address));
    memory.ipAddress = *address;
  } else if (device) {
    write(kSettingDevice, *device);
    memory.device = *device;
  }
  const std::string codec(kCodecs[static_cast<std::size_t>(values.codecIndex) % kCodecs.size()]);
  write(kSettingConnectToIp, Flag(values.connectToIp));
  write(kSettingPort, std::to_string(values.port));
  write(kSettingRtpPort, std::to_string(values.rtpPort));
  write(kSettingSymmetricRtp, Flag(values.symmetricRtp));
  write(kSettingEchoCanc, Flag(values.echoCanc));
  write(kSettingVadEnable, Flag(values.vadEnable));
  write(kSettingCodec, codec);

  memory.connectToIp = values.connectToIp;
  memory.port = values.port;
  memory.rtpPort = values.rtpPort;
  memory.symmetricRtp = values.symmetricRtp;
  memory.echoCanc = values.echoCanc;
  memory.vadEnable = values.vadEnable;
  memory.codec = codec;
  memory.codecCode = CodecCode(codec);
  memory.settingsComplete = true;
  return result;
}

Preferences LoadPreferences(const SettingsStore& store) {
  Preferences p;
  if (const auto v = Read(store, kSettingNoForegroundOnCall)) p.noForegroundOnCall = ParseFlag(*v);
  if (const auto v = Read(store, kSettingVolumeLevel)) {
    const int level = ParseDecimalNumber(*v);
    if (level >= 0 && level <= 2) p.volumeLevel = level;
  }
  return p;
}

std::vector<SettingsWriteResult> SavePreferences(SettingsStore& store, const Preferences& before,
                                                 const Preferences& after) {
  std::vector<SettingsWriteResult> failures;
  auto write = [&](std::string_view name, const std::string& text) {
    const SettingsWriteResult w = WriteSetting(store, name, text);
    if (!w.ok()) failures.push_back(w);
  };
  if (after.noForegroundOnCall != before.noForegroundOnCall) {
    write(kSettingNoForegroundOnCall, Flag(after.noForegroundOnCall));
  }
  if (after.volumeLevel != before.volumeLevel) {
    write(kSettingVolumeLevel, std::to_string(after.volumeLevel));
  }
  return failures;
}

bool IsSettingsPassword(std::string_view typed) { return typed == kSettingsPassword; }

}  // namespace zy
