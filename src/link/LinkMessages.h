// Texts of link failures, as the user sees them.
#pragma once

#include <cstdint>
#include <string>

#include "app/StringTable.h"

namespace zy {

// The text of a link failure's string id (153, 157, 164, 275, ...), its %1
// being the system error code as "0x%08.8x" unless the code is -1.
std::string LinkErrorText(int stringId, int64_t code, Language language = Language::Italian);

}  // namespace zy
