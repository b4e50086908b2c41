// The language of the user interface: Italian (the program's own texts) or
// English (the translation Vavavover_ENG.qm, looked up in the resource
// folders). Switching installs or removes the translation, so every window
// gets a LanguageChange event and relabels itself, and switches the string
// table's language for messages.
//
// Threading: window thread.
#pragma once

#include <QString>
#include <QTranslator>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "app/StringTable.h"

namespace zy::ui {

class UiLanguage {
 public:
  // One per process, like the texts it switches.
  static UiLanguage& Instance();

  // "Vavavover_ENG.qm".
  static QString EnglishFileName();

  // Makes English current. False when the translation cannot be loaded;
  // the language then stays as it was.
  bool SwitchToEnglish();
  void SwitchToItalian();

  Language Current() const { return current_; }
  bool IsEnglish() const { return current_ == Language::English; }
  int LanguageId() const { return IsEnglish() ? 2057 : 1040; }

  // A message of the string table in the current language.
  QString Text(int id) const;
  QString Formatted(int id, std::initializer_list<std::string_view> cp1252Args) const;

  // Uses this file instead of looking the translation up (tests, tools); an
  // empty text looks it up again.
  void SetEnglishFile(const QString& path) { englishFile_ = path; }

 private:
  UiLanguage() = default;

  Language current_ = Language::Italian;
  std::unique_ptr<QTranslator> translator_;
  QString englishFile_;
};

}  // namespace zy::ui
