#pragma once

// Windows-1252 text at the Qt boundary: core keeps cp1252 bytes, Qt wants
// QString. Qt Core only.

#include <QString>
#include <string>
#include <string_view>

#include "platform/Cp1252.h"

namespace zy {

inline QString FromCp1252(std::string_view bytes) {
  return QString::fromStdString(Cp1252ToUtf8(bytes));
}

// Characters without a Windows-1252 code become '?'.
inline std::string ToCp1252(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace zy
