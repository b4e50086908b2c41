#pragma once

// Windows-1252 <-> UTF-8 conversion.
//
// Every text in frames, files and the database is single-byte Windows-1252
// held in a std::string; the window system and the settings files speak
// UTF-8. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value and back, so any byte
// string survives Cp1252ToUtf8 followed by Utf8ToCp1252 unchanged.
//
// Thread safety: pure functions, callable from any thread.

#include <string>
#include <string_view>

namespace zy {

// Every byte becomes one character; the result is always valid UTF-8.
std::string Cp1252ToUtf8(std::string_view cp1252);

// Every character becomes one byte. A character without a Windows-1252 code,
// and every malformed UTF-8 sequence (overlong forms, surrogates, values above
// U+10FFFF, stray or missing continuation bytes), becomes `replacement`; a
// malformed sequence is replaced once per maximal ill-formed part, as the
// Unicode standard recommends.
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

}  // namespace zy
