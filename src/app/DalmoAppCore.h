// The application's decisions that need no window: the command line, the
// number a second copy forwards, the name of the single-instance socket, the
// choice of the language at start, the edition title and the rule that
// enables "Entra...".
//
// Threading: plain functions and values; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zy {

// ---------------------------------------------------------------------------
// Command line

// At most one parameter, usually "/uri:" followed by a URL of the "zizovu"
// scheme.
struct CommandLine {
  std::optional<std::string> parameter;  // without its leading '/' or '-'
  bool invalid = false;                  // a second or an empty parameter
  bool operator==(const CommandLine&) const = default;
};

// Receives the parameters one by one, the way the framework's parser hands
// them over: a leading '/' or '-' is stripped; a second parameter, or one
// that is empty (after the strip), marks the command line invalid.
class CMyCommandLineInfo {
 public:
  void ParseParam(std::string_view param);
  const CommandLine& Result() const { return result_; }

 private:
  CommandLine result_;
};

// Every argument after the program name.
CommandLine ParseCommandLine(std::span<const std::string> args);

// The number a parameter carries: the text after its second ':' ("uri:zycall:101"
// gives "101"); nothing when it has fewer than two.
std::optional<std::string> ForwardedNumber(std::string_view parameter);

// ---------------------------------------------------------------------------
// Single instance

// One running copy per user and desktop session. The name holds the user id
// and the first of XDG_SESSION_ID, WAYLAND_DISPLAY, DISPLAY that is set
// (characters other than letters, digits, '-' and '_' become '_').
struct DesktopSession {
  unsigned uid = 0;
  std::string sessionId;       // $XDG_SESSION_ID
  std::string waylandDisplay;  // $WAYLAND_DISPLAY
  std::string display;         // $DISPLAY
};
std::string SingleInstanceName(const DesktopSession& session);

// What a second copy sends the first one: the forwarded number as
// Windows-1252 text and a NUL, at most 200 bytes in all (a longer number is
// cut); an empty text when it has no number.
inline constexpr std::size_t kForwardBlockSize = 200;
std::vector<uint8_t> EncodeForwardBlock(std::string_view number);
// The text up to the first NUL; nothing for an empty block, one longer than
// 200 bytes or one without a NUL.
std::optional<std::string> DecodeForwardBlock(std::span<const uint8_t> block);

// ---------------------------------------------------------------------------
// Language at start

struct LanguageDecision {
  bool english = false;
  // The English texts could not be loaded: show message 239 and, once the
  // login dialog has ended with OK, store "1040" as "Language".
  bool showMissingMessage = false;
  bool rewriteSettingAfterLogin = false;
};
LanguageDecision DecideStartLanguage(int languageId, bool englishLoaded);

// The base name of the English texts (message 239 names the file).
inline constexpr std::string_view kEnglishModuleBaseName = "Vavavover_ENG";

// ---------------------------------------------------------------------------
// Titles

inline constexpr int kStrWelcomeTitle = 150;
inline constexpr int kStrTitleBasic = 356;
inline constexpr int kStrTitlePro = 357;
inline constexpr int kStrTitleHotel = 388;

// The string id of the phone window's title for the edition flags of the
// login reply: bit 2 basic, else bit 1 Pro, else bit 3 hotel, otherwise basic.
int EditionTitleId(uint8_t edition);

// ---------------------------------------------------------------------------
// Login dialog

// "Entra..." is enabled with an extension, a password and complete
// connection settings.
bool LoginEnabled(std::string_view extension, std::string_view password, bool settingsComplete);

// Message ids of the start.
inline constexpr int kStrInvalidParameters = 114;
inline constexpr int kStrModuleMissing = 239;
inline constexpr int kStrFontFailed = 309;
inline constexpr int kStrAlreadyRunning = 386;
inline constexpr int kStrVersion = 389;

// The display fonts added from the data folder when present: file and
// family name (message 309 names the family).
struct FontFile {
  std::string_view file;
  std::string_view family;
};
std::span<const FontFile> DisplayFonts();

}  // namespace zy
