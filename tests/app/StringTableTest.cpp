#include "app/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Cp1252.h"

namespace zy {
namespace {

constexpr Language kLanguages[] = {Language::Italian, Language::English};

const char* Name(Language lang) { return lang == Language::English ? "English" : "Italian"; }

// The placeholder numbers a text uses, e.g. {1, 2} for "%2 ... %1".
std::set<int> Placeholders(std::string_view text) {
  std::set<int> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text[i + 1] - '0');
  }
  return found;
}

// ---------------------------------------------------------------------------
// The tables

TEST(StringTableIds, AreAscendingUniqueAndAllPresent) {
  const auto ids = AllStringIds();
  ASSERT_FALSE(ids.empty());
  for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]);
  for (int id : ids) EXPECT_TRUE(HasString(id)) << id;
}

TEST(StringTableIds, UnknownIdsGiveEmptyTexts) {
  for (int id : {0, -1, 104, 999, 99999, INT_MIN, INT_MAX}) {
    EXPECT_FALSE(HasString(id)) << id;
    for (Language lang : kLanguages) {
      EXPECT_EQ(LoadString(id, lang), "") << id << ' ' << Name(lang);
      EXPECT_EQ(LoadStringUtf8(id, lang), "") << id << ' ' << Name(lang);
      EXPECT_EQ(LoadFormatted(id, {"x"}, lang), "") << id << ' ' << Name(lang);
    }
  }
}

TEST(StringTableTexts, EveryIdHasBothLanguagesWithTheSamePlaceholdersAndLineBreaks) {
  for (int id : AllStringIds()) {
    const std::string_view italian = LoadStringUtf8(id, Language::Italian);
    const std::string_view english = LoadStringUtf8(id, Language::English);
    EXPECT_FALSE(italian.empty()) << id;
    EXPECT_FALSE(english.empty()) << id;
    EXPECT_EQ(Placeholders(italian), Placeholders(english)) << id;
    EXPECT_EQ(std::count(italian.begin(), italian.end(), '\n'),
              std::count(english.begin(), english.end(), '\n'))
        << id;
  }
}

// Every character must exist in Windows-1252: a character without a code
// would come out as '?' and no longer match its UTF-8 original.
TEST(StringTableTexts, Cp1252TextsAreExactConversionsOfTheUtf8Ones) {
  for (Language lang : kLanguages) {
    for (int id : AllStringIds()) {
      EXPECT_EQ(Cp1252ToUtf8(LoadString(id, lang)), LoadStringUtf8(id, lang))
          << id << ' ' << Name(lang);
    }
  }
}

TEST(StringTableTexts, LoadStringReturnsTheSameObjectEveryTime) {
  const std::string& first = LoadString(155, Language::English);
  EXPECT_EQ(&first, &LoadString(155, Language::English));
  EXPECT_NE(&first, &LoadString(155, Language::Italian));
}

struct ExactCase {
  int id;
  Language lang;
  std::string_view cp1252;
};

TEST(StringTableTexts, KnownTextsAsWindows1252Bytes) {
  const ExactCase cases[] = {
      {155, Language::Italian,
       "La connessione con il sistema non \xE8"
       " attiva.\n\n%1\nProvare a ristabilire la connessione?"},
      {287, Language::Italian,
       "Il software di comunicazione del softphone (%1) non \xE8"
       " compatibile con il software di comunicazione del sistema (%2)"},
      {288, Language::Italian, "non disponibile"},
      {403, Language::Italian, "Riprova = %1"},
      {367, Language::Italian, "Password interno non valida"},
      {121, Language::Italian, "Freccia in gi\xF9"},
      {386, Language::Italian, "Applicazione gi\xE0 attiva"},
      {141, Language::Italian, "Documentazione addebiti per interno/i: "},
      {356, Language::Italian, "Zyphone "},
      {280, Language::Italian,
       "Selezionare un campo da cui prelevare\nl'informazione del numero breve"},
      {61712, Language::Italian, "Immettere un valore integer."},
      {155, Language::English,
       "The connection to the system is not active.\n\n%1\nTry to re-establish the connection?"},
      {403, Language::English, "Retry = %1"},
      {367, Language::English, "Invalid extension password"},
  };
  for (const ExactCase& c : cases) {
    EXPECT_EQ(LoadString(c.id, c.lang), c.cp1252) << c.id << ' ' << Name(c.lang);
  }
}

TEST(StringTableTexts, DefaultLanguageIsItalian) {
  EXPECT_EQ(LoadString(403), "Riprova = %1");
  EXPECT_EQ(LoadStringUtf8(403), "Riprova = %1");
  EXPECT_EQ(LoadFormatted(403, {"60"}), "Riprova = 60");
}

// ---------------------------------------------------------------------------
// Formatting

struct FormatCase {
  const char* what;
  std::string_view pattern;
  std::vector<std::string_view> args;
  std::string_view expected;
};

std::string Format(std::string_view pattern, const std::vector<std::string_view>& args) {
  // FormatString takes an initializer list; spread the case's arguments.
  switch (args.size()) {
    case 0:
      return FormatString(pattern, {});
    case 1:
      return FormatString(pattern, {args[0]});
    case 2:
      return FormatString(pattern, {args[0], args[1]});
    case 3:
      return FormatString(pattern, {args[0], args[1], args[2]});
    default:
      return FormatString(pattern, {args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                                    args[7], args[8]});
  }
}

TEST(FormatString, Cases) {
  const std::vector<std::string_view> nine = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
  const FormatCase cases[] = {
      {"no placeholder", "Parametri non validi", {"x"}, "Parametri non validi"},
      {"empty pattern", "", {"x"}, ""},
      {"one argument", "Riprova = %1", {"60"}, "Riprova = 60"},
      {"two arguments", "Importate %1 voci su %2", {"3", "7"}, "Importate 3 voci su 7"},
      {"order of use", "%2 prima di %1", {"a", "b"}, "b prima di a"},
      {"placeholder twice", "%1/%1", {"ab"}, "ab/ab"},
      {"missing second argument", "%1 e %2", {"x"}, "x e %2"},
      {"no arguments", "%1 e %2", {}, "%1 e %2"},
      {"argument holding %2 is not rescanned", "%1-%2", {"%2", "b"}, "%2-b"},
      {"argument holding %1 is not rescanned", "%1", {"%1%1"}, "%1%1"},
      {"empty argument", "[%1]", {""}, "[]"},
      {"%% is not an escape", "%%1", {"x"}, "%x"},
      {"percent at the end", "100%", {"x"}, "100%"},
      {"percent zero", "%0", {"x"}, "%0"},
      {"percent letter", "%s %d", {"x"}, "%s %d"},
      {"one digit only", "%10", {"x"}, "x0"},
      {"ninth argument", "%9%1", nine, "ia"},
      {"bytes pass unchanged",
       "%1\xE8",
       {std::string_view("\xE0\0z", 3)},
       std::string_view("\xE0\0z\xE8", 4)},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.pattern, c.args), c.expected) << c.what;
  }
}

TEST(LoadFormatted, FillsTheTextsOfTheLoginAndLinkMessages) {
  EXPECT_EQ(LoadFormatted(287, {"4", "5-7"}),
            "Il software di comunicazione del softphone (4) non \xE8"
            " compatibile con il software di comunicazione del sistema (5-7)");
  EXPECT_EQ(LoadFormatted(287, {"4", LoadString(288, Language::English)}, Language::English),
            "The softphone's communication software (4) is not compatible with the system's "
            "communication software (not available)");
  EXPECT_EQ(LoadFormatted(316, {"201"}), "Interno 201 non esistente");

  // The warning dialog nests the failure's own text, already filled in.
  const std::string failure = LoadFormatted(157, {"0x0000006f"});
  EXPECT_EQ(LoadFormatted(155, {failure}),
            "La connessione con il sistema non \xE8"
            " attiva.\n\nErrore 0x0000006f: impossibile connettersi al sistema\n"
            "Provare a ristabilire la connessione?");
}

}  // namespace
}  // namespace zy
