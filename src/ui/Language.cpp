#include "ui/Language.h"

#include <QCoreApplication>

#include "app/DalmoAppCore.h"
#include "app/QtAppPaths.h"
#include "platform/QtText.h"

namespace zy::ui {

UiLanguage& UiLanguage::Instance() {
  static UiLanguage language;
  return language;
}

QString UiLanguage::EnglishFileName() {
  return QString::fromLatin1(kEnglishModuleBaseName.data(),
                             static_cast<qsizetype>(kEnglishModuleBaseName.size())) +
         QStringLiteral(".qm");
}

bool UiLanguage::SwitchToEnglish() {
  if (IsEnglish()) return true;
  const QString file = englishFile_.isEmpty() ? FindResource(EnglishFileName()) : englishFile_;
  if (file.isEmpty()) return false;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(file)) return false;
  QCoreApplication::installTranslator(translator.get());
  translator_ = std::move(translator);
  current_ = Language::English;
  return true;
}

void UiLanguage::SwitchToItalian() {
  current_ = Language::Italian;
  if (translator_) {
    QCoreApplication::removeTranslator(translator_.get());
    translator_.reset();
  }
}

QString UiLanguage::Text(int id) const { return FromCp1252(LoadString(id, current_)); }

QString UiLanguage::Formatted(int id, std::initializer_list<std::string_view> cp1252Args) const {
  return FromCp1252(FormatString(LoadString(id, current_), cp1252Args));
}

}  // namespace zy::ui
