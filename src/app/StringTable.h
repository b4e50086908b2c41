#pragma once

// The string table: every user-visible message of the phone, addressed by a
// numeric string id, in Italian (the default) and English.
//
// Texts may hold the placeholders %1 .. %9, which FormatString fills in; %1
// and %2 are the ones in use. The tables are kept as UTF-8 in
// resources/strings_it.inc and resources/strings_en.inc; LoadString hands
// out Windows-1252 bytes like every other text of the core, converted once
// per language on first use. Both languages hold the same ids.
//
// Thread safety: every function may be called from any thread. The first
// call for a language converts its table; concurrent first calls are safe.
// References returned by LoadString stay valid until the process ends.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace zy {

enum class Language { Italian, English };

// The text of `id` as Windows-1252 bytes; an empty string for an unknown id.
const std::string& LoadString(int id, Language lang = Language::Italian);

// The text of `id` as UTF-8, as stored in the table (for the window layer,
// which works in Unicode); empty for an unknown id.
std::string_view LoadStringUtf8(int id, Language lang = Language::Italian);

// Replaces every %1 .. %9 of `pattern` with the argument of that number. A
// placeholder without an argument stays as it is; "%%" is not special (so
// "%%1" gives "%" followed by argument 1); the argument texts are copied
// as they are and not searched for placeholders. Bytes pass unchanged, so
// pattern and arguments share one encoding.
std::string FormatString(std::string_view pattern, std::initializer_list<std::string_view> args);

// FormatString applied to LoadString(id, lang).
std::string LoadFormatted(int id, std::initializer_list<std::string_view> args,
                          Language lang = Language::Italian);

// Whether the table holds `id`.
bool HasString(int id);

// Every id of the table, ascending.
std::span<const int> AllStringIds();

}  // namespace zy
