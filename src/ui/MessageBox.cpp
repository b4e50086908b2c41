#include "ui/MessageBox.h"

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
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowError(QWidget* parent, const QString& text) {
  ShowMessageBox(parent, {QMessageBox::Critical, QStringLiteral("Zyphone"), text, QMessageBox::Ok});
}

void ShowErrorCp1252(QWidget* parent, const std::string& text) {
  ShowError(parent, FromCp1252(text));
}

}  // namespace zy::ui
