// Modal message boxes of the phone, with one seam: tests install an
// interceptor that receives each box instead of showing it, so no test ever
// blocks on a modal loop.
//
// Threading: window thread.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace zy::ui {

struct MessageBoxCall {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Returns the button "pressed". An empty function shows real boxes again.
using MessageBoxInterceptor = std::function<QMessageBox::StandardButton(const MessageBoxCall&)>;
void SetMessageBoxInterceptor(MessageBoxInterceptor interceptor);

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const MessageBoxCall& call);

// An error box with OK, titled with the program's name.
void ShowError(QWidget* parent, const QString& text);
// The same for a Windows-1252 text of the core.
void ShowErrorCp1252(QWidget* parent, const std::string& text);

}  // namespace zy::ui
