#include "link/LinkMessages.h"

#include <cstdio>

namespace zy {

std::string LinkErrorText(int stringId, int64_t code, Language language) {
  const std::string& pattern = LoadString(stringId, language);
  if (code == -1) return pattern;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%.8x", static_cast<unsigned>(code));
  return FormatString(pattern, {hex});
}

}  // namespace zy
