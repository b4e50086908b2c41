#include "app/DalmoAppCore.h"

#include <algorithm>
#include <array>

#include "link/LinkState.h"

namespace zy {

void CMyCommandLineInfo::ParseParam(std::string_view param) {
  if (!param.empty() && (param.front() == '/' || param.front() == '-')) param.remove_prefix(1);
  if (result_.parameter || param.empty()) {
    result_.invalid = true;
    return;
  }
  result_.parameter = std::string(param);
}

CommandLine ParseCommandLine(std::span<const std::string> args) {
  CMyCommandLineInfo info;
  for (const std::string& a : args) info.ParseParam(a);
  return info.Result();
}

std::optional<std::string> ForwardedNumber(std::string_view parameter) {
  const auto first = parameter.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const auto second = parameter.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return std::string(parameter.substr(second + 1));
}

namespace {

std::string SafeName(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    if (!ok) c = '_';
  }
  return out;
}

}  // namespace

std::string SingleInstanceName(const DesktopSession& session) {
  std::string name = "zyphone-" + std::to_string(session.uid);
  for (const std::string* part : {&session.sessionId, &session.waylandDisplay, &session.display}) {
    if (!part->empty()) return name + "-" + SafeName(*part);
  }
  return name;
}

std::vector<uint8_t> EncodeForwardBlock(std::string_view number) {
  const std::size_t n = std::min(number.size(), kForwardBlockSize - 1);
  std::vector<uint8_t> block(number.begin(), number.begin() + static_cast<std::ptrdiff_t>(n));
  block.push_back(0);
  return block;
}

std::optional<std::string> DecodeForwardBlock(std::span<const uint8_t> block) {
  if (block.empty() || block.size() > kForwardBlockSize) return std::nullopt;
  const auto nul = std::find(block.begin(), block.end(), uint8_t{0});
  if (nul == block.end()) return std::nullopt;
  return std::string(block.begin(), nul);
}

LanguageDecision DecideStartLanguage(int languageId, bool englishLoaded) {
  LanguageDecision d;
  if (languageId == 1040) return d;
  if (englishLoaded) {
    d.english = true;
    return d;
  }
  d.showMissingMessage = true;
  d.rewriteSettingAfterLogin = true;
  return d;
}

int EditionTitleId(uint8_t edition) {
  if (edition & kEditionBasic) return kStrTitleBasic;
  if (edition & kEditionPro) return kStrTitlePro;
  if (edition & kEditionHotel) return kStrTitleHotel;
  return kStrTitleBasic;
}

bool LoginEnabled(std::string_view extension, std::string_view password, bool settingsComplete) {
  return !extension.empty() && !password.empty() && settingsComplete;
}

std::span<const FontFile> DisplayFonts() {
  static constexpr std::array<FontFile, 4> kFonts = {{
      {"ARIALNB.ttf", "Arial Narrow"},
      {"cour.ttf", "Courier New"},
      {"Tahoma.ttf", "Tahoma"},
      {"Tahomabd.ttf", "Tahoma Bold"},
  }};
  return kFonts;
}

}  // namespace zy
