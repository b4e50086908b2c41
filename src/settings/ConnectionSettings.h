// What the connection dialog, the preferences dialog and the settings
// password decide without a window: the values they show, how they are
// stored and when.
//
// Threading: window thread (settings are read and written there only).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/SettingsStore.h"

namespace zy {

inline constexpr int kStrInvalidIpAddress = 219;
inline constexpr int kStrInvalidSettingsPassword = 393;

// ---------------------------------------------------------------------------
// Connection settings

// The codec list in its order; the position is the list index.
std::span<const std::string_view> CodecItems();
// The item shown for a stored "Codec": "G729/G711", "G711/G729", "G729",
// anything else "G711".
int CodecItemIndex(std::string_view storedCodec);

struct ConnectionSettings {
  bool connectToIp = false;  // absent: remote access
  uint32_t ipAddress = 0;    // host order, first octet in the high byte
  std::string device;        // remote-access entry name
  int port = kDefaultPort;
  int rtpPort = kDefaultRtpPort;
  bool symmetricRtp = true;
  bool echoCanc = false;
  bool vadEnable = false;
  int codecIndex = 0;  // into CodecItems()
};

// The values the dialog opens with, each with its default when missing.
ConnectionSettings LoadConnectionSettings(const SettingsStore& store);

inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 65535;

struct ConnectionSaveResult {
  // 0 when stored; else the message to show (219) and the dialog stays open.
  int refusedStringId = 0;
  // Writes that failed (103 / 106); the others were made all the same.
  std::vector<SettingsWriteResult> writeFailures;
  bool ok() const { return refusedStringId == 0; }
};

// OK of the connection dialog. `address` is what the address control holds:
// nothing when it is blank. In direct mode a blank or 0.0.0.0 address is
// refused with 219. In remote-access mode `device` is the selected entry, or
// nothing when the platform offers none (then "Device" is left as it was).
// On success the settings are stored in the dialog's order and `memory`
// takes the new values and counts as complete.
ConnectionSaveResult SaveConnectionSettings(SettingsStore& store, const ConnectionSettings& values,
                                            std::optional<uint32_t> address,
                                            const std::optional<std::string>& device,
                                            StartupSettings& memory);

// ---------------------------------------------------------------------------
// Preferences

inline constexpr std::array<std::string_view, 3> kVolumeLevelItems = {"basso", "medio", "alto"};

struct Preferences {
  bool noForegroundOnCall = false;
  int volumeLevel = kDefaultVolumeLevel;  // 0 low, 1 medium, 2 high
  bool operator==(const Preferences&) const = default;
};

Preferences LoadPreferences(const SettingsStore& store);

// OK of the preferences dialog: each value is written only when it differs
// from `before`. Returns the failed writes.
std::vector<SettingsWriteResult> SavePreferences(SettingsStore& store, const Preferences& before,
                                                 const Preferences& after);

// ---------------------------------------------------------------------------
// Settings password

// The installer's password, compared as typed: whole field, case-sensitive.
bool IsSettingsPassword(std::string_view typed);

}  // namespace zy
