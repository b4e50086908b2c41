#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <utility>

#include "platform/QtText.h"

namespace zy::ui {

namespace {
MessageBoxInterceptor& Interceptor() {
  static MessageBoxInterceptor interceptor;
  return interceptor;
}
}  // namespace

void SetMessageBoxInterceptor(MessageBoxInterceptor interceptor) {
  Interceptor() = std::move(interceptor);
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const MessageBoxCall& call) {
  if (Interceptor()) return Interceptor()(call);
  QMessageBox box(call.icon, call.title, call.text, call.buttons, parent);
  // Qt labels its standard buttons in English unless its own translations
  // are installed; the phone labels them in its current language.
  const std::pair<QMessageBox::StandardButton, const char*> labels[] = {
      {QMessageBox::Yes, QT_TRANSLATE_NOOP("MessageBox", "S\u00ec")},
      {QMessageBox::No, QT_TRANSLATE_NOOP("MessageBox", "No")},
      {QMessageBox::Cancel, QT_TRANSLATE_NOOP("MessageBox", "Annulla")},
  };
  for (const auto& [button, label] : labels) {
    if (QAbstractButton* b = box.button(button)) {
      b->setText(QCoreApplication::translate("MessageBox", label));
    }
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowError(QWidget* parent, const QString& text) {
  ShowMessageBox(parent, {QMessageBox::Critical, QStringLiteral("Zyphone"), text, QMessageBox::Ok});
}

void ShowErrorCp1252(QWidget* parent, const std::string& text) {
  ShowError(parent, FromCp1252(text));
}

}  // namespace zy::ui
