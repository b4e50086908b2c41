#include "app/StringTable.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <vector>

#include "platform/Cp1252.h"

namespace zy {
namespace {

struct RawString {
  int id;
  std::string_view text;  // UTF-8
};

// The tables are included relative to this file so that the build does not
// depend on where the build folder lies.
constexpr RawString kItalian[] = {
#include "../../resources/strings_it.inc"
};

constexpr RawString kEnglish[] = {
#include "../../resources/strings_en.inc"
};

constexpr std::size_t kCount = std::size(kItalian);

constexpr bool IdsAscending(std::span<const RawString> table) {
  for (std::size_t i = 1; i < table.size(); ++i) {
    if (table[i - 1].id >= table[i].id) return false;
  }
  return true;
}

constexpr bool SameIds(std::span<const RawString> a, std::span<const RawString> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].id != b[i].id) return false;
  }
  return true;
}

// Lookups use a binary search over the Italian table and the same index in
// the English one, so both must list the same ids in ascending order.
static_assert(IdsAscending(kItalian), "strings_it.inc: ids must be unique and ascending");
static_assert(SameIds(kItalian, kEnglish),
              "strings_en.inc must hold exactly the ids of strings_it.inc");

constexpr std::array<int, kCount> kIds = [] {
  std::array<int, kCount> ids{};
  for (std::size_t i = 0; i < kCount; ++i) ids[i] = kItalian[i].id;
  return ids;
}();

// Index of `id` in both tables, or kCount when absent.
std::size_t IndexOf(int id) {
  const auto it = std::lower_bound(kIds.begin(), kIds.end(), id);
  if (it == kIds.end() || *it != id) return kCount;
  return static_cast<std::size_t>(it - kIds.begin());
}

const RawString* RawTable(Language lang) { return lang == Language::English ? kEnglish : kItalian; }

std::vector<std::string> ToCp1252(const RawString* table) {
  std::vector<std::string> texts;
  texts.reserve(kCount);
  for (std::size_t i = 0; i < kCount; ++i) texts.push_back(Utf8ToCp1252(table[i].text));
  return texts;
}

// Each language is converted on its first use; the initialisation of a
// function-local static is thread-safe.
const std::vector<std::string>& Cp1252Texts(Language lang) {
  if (lang == Language::English) {
    static const std::vector<std::string> english = ToCp1252(kEnglish);
    return english;
  }
  static const std::vector<std::string> italian = ToCp1252(kItalian);
  return italian;
}

const std::string& EmptyString() {
  static const std::string empty;
  return empty;
}

}  // namespace

const std::string& LoadString(int id, Language lang) {
  const std::size_t index = IndexOf(id);
  if (index == kCount) return EmptyString();
  return Cp1252Texts(lang)[index];
}

std::string_view LoadStringUtf8(int id, Language lang) {
  const std::size_t index = IndexOf(id);
  if (index == kCount) return {};
  return RawTable(lang)[index].text;
}

std::string FormatString(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::size_t size = pattern.size();
  for (std::string_view arg : args) size += arg.size();
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (n < args.size()) {
        out.append(std::data(args)[n]);
        ++i;
        continue;
      }
    }
    // A lone '%', or a placeholder without an argument, is copied as it
    // stands; its digit follows as an ordinary character.
    out.push_back(c);
  }
  return out;
}

std::string LoadFormatted(int id, std::initializer_list<std::string_view> args, Language lang) {
  return FormatString(LoadString(id, lang), args);
}

bool HasString(int id) { return IndexOf(id) != kCount; }

std::span<const int> AllStringIds() { return kIds; }

}  // namespace zy
