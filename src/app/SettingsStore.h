#pragma once

// The settings store: every persistent setting of the phone, and the window
// records of its panels.
//
// Settings live under the program key "Software\Corvane Applications\Dalmo"
// of one of two roots: the machine root, shared by every user of the
// computer, and the user root. A setting named N is the text value "Value"
// of the key N; a window named W keeps its rectangle ("Top", "Left",
// "Bottom", "Right"), its visibility ("Active") and, for the service bar,
// "Mask" and "Columns" as 32-bit numbers under the key W of the user root.
// Texts are Windows-1252 bytes.
//
// `SettingsStore` is the backend (QtSettingsStore for the application,
// MemorySettingsStore for tests); the free functions below are the
// operations the rest of the program uses.
//
// Thread safety: settings are read and written on the window thread only;
// other threads (pipe server, database module) read theirs there before they
// start. Backends need not be thread-safe.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zy {

enum class SettingsRoot { Machine, User };

// String ids of the two failure messages.
inline constexpr int kStringKeyCreateFailed = 103;  // %1 = key path
inline constexpr int kStringValueSetFailed = 106;   // %1 = value name

// Outcome of a write: success, or the string id of the message to show and
// its %1 argument.
struct SettingsWriteResult {
  int stringId = 0;
  std::string argument;
  bool ok() const { return stringId == 0; }
};

// "Software\Corvane Applications\Dalmo\<name>", the %1 of message 103.
std::string SettingsKeyPath(std::string_view name);
SettingsWriteResult KeyCreateFailed(std::string_view keyName);
SettingsWriteResult ValueSetFailed(std::string_view valueName);

// Raw access by root, key name (setting or window name) and value name.
// Reads return nothing when the key or the value is missing (or unusable);
// a failed read is silent. A failed write leaves the stored value as it was.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  virtual std::optional<std::string> ReadText(SettingsRoot root, std::string_view key,
                                              std::string_view valueName) const = 0;
  virtual SettingsWriteResult WriteText(SettingsRoot root, std::string_view key,
                                        std::string_view valueName, std::string_view text) = 0;
  virtual std::optional<std::uint32_t> ReadNumber(SettingsRoot root, std::string_view key,
                                                  std::string_view valueName) const = 0;
  virtual SettingsWriteResult WriteNumber(SettingsRoot root, std::string_view key,
                                          std::string_view valueName, std::uint32_t value) = 0;
};

// ---------------------------------------------------------------------------
// Names

inline constexpr std::string_view kTextValueName = "Value";

inline constexpr std::string_view kSettingIpAddress = "Ip Address";
inline constexpr std::string_view kSettingConnectToIp = "Connect to IP";
inline constexpr std::string_view kSettingPort = "Port";
inline constexpr std::string_view kSettingRtpPort = "RTP port";
inline constexpr std::string_view kSettingSymmetricRtp = "Symmetric RTP";
inline constexpr std::string_view kSettingDevice = "Device";
inline constexpr std::string_view kSettingExtension = "Extension";
inline constexpr std::string_view kSettingPassword = "Password";
inline constexpr std::string_view kSettingLanguage = "Language";
inline constexpr std::string_view kSettingInputDevice = "Input device";
inline constexpr std::string_view kSettingOutputDevice = "Output device";
inline constexpr std::string_view kSettingCheckCharge = "CheckCharge";
inline constexpr std::string_view kSettingChargeValue = "ChargeValue";
inline constexpr std::string_view kSettingCheckTime = "CheckTime";
inline constexpr std::string_view kSettingTableFile = "TableFile";
inline constexpr std::string_view kSettingCheckOut = "CheckOut";
inline constexpr std::string_view kSettingCheckIn = "CheckIn";
inline constexpr std::string_view kSettingExtPercent = "ExtPercent";
inline constexpr std::string_view kSettingCheckDmd = "CheckDMD";
inline constexpr std::string_view kSettingMaskDigits = "MaskDigits";
inline constexpr std::string_view kSettingCheckPipe = "CheckPipe";
inline constexpr std::string_view kSettingCheckPipeLog = "CheckPipeLog";
inline constexpr std::string_view kSettingEchoCanc = "EchoCanc";
inline constexpr std::string_view kSettingVadEnable = "VadEnable";
inline constexpr std::string_view kSettingCodec = "Codec";
inline constexpr std::string_view kSettingCallHandler = "CallHandler";
inline constexpr std::string_view kSettingChIpAddress = "ChIpAddress";
inline constexpr std::string_view kSettingChUser = "ChUser";
inline constexpr std::string_view kSettingChPassword = "ChPassword";
inline constexpr std::string_view kSettingChSchema = "ChSchema";
inline constexpr std::string_view kSettingNoForegroundOnCall = "NoForegroundOnCall";
inline constexpr std::string_view kSettingVolumeLevel = "VolumeLevel";
inline constexpr std::string_view kSettingPrefix = "Prefix";
inline constexpr std::string_view kSettingWifiEnable = "WifiEnable";
inline constexpr std::string_view kSettingWifiIpAddress = "WifiIpAddress";
inline constexpr std::string_view kSettingWifiPassword = "WifiPassword";
inline constexpr std::string_view kSettingChPort = "ChPort";

inline constexpr std::string_view kPhoneWindow = "Phone window";
inline constexpr std::string_view kPkeysWindow = "Pkeys window";
inline constexpr std::string_view kPcalsWindow = "Pcals window";
inline constexpr std::string_view kPpdirWindow = "Ppdir window";
inline constexpr std::string_view kPpdipWindow = "Ppdip window";
inline constexpr std::string_view kPpbarWindow = "Ppbar window";
inline constexpr std::string_view kPqueueWindow = "Pqueue window";
inline constexpr std::string_view kPmcalWindow = "Pmcal window";

inline constexpr std::string_view kWindowTop = "Top";
inline constexpr std::string_view kWindowLeft = "Left";
inline constexpr std::string_view kWindowBottom = "Bottom";
inline constexpr std::string_view kWindowRight = "Right";
inline constexpr std::string_view kWindowActive = "Active";
inline constexpr std::string_view kWindowMask = "Mask";
inline constexpr std::string_view kWindowColumns = "Columns";

// The settings table, in the program's order.
struct SettingInfo {
  std::string_view name;
  SettingsRoot root;
};
std::span<const SettingInfo> SettingsTable();

// The root of a setting; a name outside the table belongs to the user root.
SettingsRoot SettingRoot(std::string_view name);

// ---------------------------------------------------------------------------
// Operations

// A setting holds at most this many bytes; longer stored values are cut.
inline constexpr std::size_t kMaxSettingLength = 255;

// Reads setting `name` from its root into `value`, cut at 255 bytes and at
// the first NUL. False when the setting is missing; `value` is then left as
// it was, so callers preset it with their default.
bool ReadSetting(const SettingsStore& store, std::string_view name, std::string& value);

// Stores `text` as setting `name` in its root.
SettingsWriteResult WriteSetting(SettingsStore& store, std::string_view name,
                                 std::string_view text);

// A window's normal rectangle in screen coordinates.
struct WindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const WindowRect&) const = default;
};

// Nothing when the window's key or any of the four values is missing.
std::optional<WindowRect> ReadWindowRect(const SettingsStore& store, std::string_view window);

// Writes "Top", "Left", "Bottom", "Right" in this order, stopping at the
// first failure (which is returned).
SettingsWriteResult WriteWindowRect(SettingsStore& store, std::string_view window,
                                    const WindowRect& rect);

// "Active": the low byte of the stored number, nothing when missing.
std::optional<std::uint8_t> ReadWindowActive(const SettingsStore& store, std::string_view window);
SettingsWriteResult WriteWindowActive(SettingsStore& store, std::string_view window,
                                      std::uint8_t active);

// Any other number of a window record ("Mask", "Columns" of the service bar).
std::optional<std::uint32_t> ReadWindowNumber(const SettingsStore& store, std::string_view window,
                                              std::string_view valueName);
SettingsWriteResult WriteWindowNumber(SettingsStore& store, std::string_view window,
                                      std::string_view valueName, std::uint32_t value);

// ---------------------------------------------------------------------------
// Value rules

// Codec code byte sent at login: "G711" 0, "G729" 8, "G711/G729" 16,
// "G729/G711" 24, anything else 16.
std::uint8_t CodecCode(std::string_view codecSetting);

inline constexpr int kLanguageItalian = 1040;
inline constexpr int kLanguageEnglish = 2057;

// "Language": absent 1040; a value reading as the number 1040 is Italian,
// any other value English (2057).
int LanguageId(const std::optional<std::string>& languageSetting);

// Hexadecimal number with the "%lx" rule: leading blanks, an optional sign,
// an optional "0x"/"0X", then the leading hexadecimal digits (wrapping
// modulo 2^32); 0 when there are none.
std::uint32_t ParseHexNumber(std::string_view text);

// Decimal number with the atoi rule: leading blanks, an optional sign, the
// leading digits; 0 when there are none. Saturates at the int range.
int ParseDecimalNumber(std::string_view text);

// "1" when the first character is '1' (booleans are stored as "1" and "0").
bool ParseFlag(std::string_view text);

// The stored form of "Ip Address": "0x%lx" of the host-order address
// (192.168.1.10 -> "0xc0a8010a").
std::string FormatIpAddress(std::uint32_t address);

// Host-order address (first octet in the high byte) <-> "192.168.1.10".
std::string FormatDottedQuad(std::uint32_t address);
// Four decimal octets 0-255 of one to three digits, separated by dots,
// nothing else; nothing for any other text.
std::optional<std::uint32_t> ParseDottedQuad(std::string_view text);

// ---------------------------------------------------------------------------
// Start-up reading

inline constexpr int kDefaultPort = 40008;
inline constexpr int kDefaultRtpPort = 20000;
inline constexpr std::string_view kDefaultPassword = "5187";
inline constexpr int kDefaultVolumeLevel = 2;

// Everything the start-up reads, with the defaults applied.
struct StartupSettings {
  std::optional<bool> connectToIp;         // nothing when "Connect to IP" is absent
  std::optional<std::uint32_t> ipAddress;  // read only in direct mode
  std::optional<std::string> device;       // read only in dial-up mode
  int port = kDefaultPort;
  int rtpPort = kDefaultRtpPort;
  bool symmetricRtp = true;
  std::string extension;
  std::string password{kDefaultPassword};
  int languageId = kLanguageItalian;
  std::optional<std::string> languageText;  // the stored text, when present
  std::string inputDevice;                  // empty: the system's default device
  std::string outputDevice;                 // empty: the system's default device
  bool echoCanc = false;
  bool vadEnable = false;
  std::string codec;  // the stored text, empty when absent
  std::uint8_t codecCode = 16;
  bool noForegroundOnCall = false;
  int volumeLevel = kDefaultVolumeLevel;  // 0 low, 1 medium, 2 high
  std::string prefix;
  // "Connect to IP" and the address it selects are present, and so are
  // "Port" and "RTP port": the login may be enabled.
  bool settingsComplete = false;
};

StartupSettings LoadStartupSettings(const SettingsStore& store);

}  // namespace zy
