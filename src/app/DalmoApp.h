// CDalmoApp, the application object: the start routine from the process's
// start to its end, in a fixed order (fonts, settings, language, command
// line, single instance, login dialog, phone window, shutdown).
//
// The decisions that need no window are in DalmoAppCore.h; the login itself
// in FirstLogin.h.
//
// The program owns the link, the session, the sound side (PhoneAudio) and
// the phone window; the window runs the keep-alive and reacts to a lost
// link, calling back here for the session part of the reconnection.
//
// Test hook: when ZYPHONE_TEST_FORWARD_LOG names a file, the program appends
// "listening <socket>" once it serves the single-instance socket and
// "forwarded <number>" (or "forwarded -" without a number) for each second
// copy that reached it. When ZYPHONE_TEST_MESSAGE_LOG names a file, message
// boxes are not shown: their texts are appended to it, one a line.
//
// Threading: window thread.
#pragma once

#include <QPointer>
#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FirstLogin.h"
#include "app/PhoneAudio.h"
#include "app/PhoneWindow.h"
#include "app/SettingsStore.h"
#include "link/LinkClient.h"
#include "ui/SingleInstance.h"
#include "ui/UiLinkEventSink.h"

class QWidget;

namespace zy {

class CDalmoApp {
 public:
  // Create after the QApplication.
  explicit CDalmoApp(std::unique_ptr<SettingsStore> store);
  ~CDalmoApp();
  CDalmoApp(const CDalmoApp&) = delete;
  CDalmoApp& operator=(const CDalmoApp&) = delete;

  // The window that runs after the login; CDalmoDlg unless set.
  void SetPhoneWindowFactory(PhoneWindowFactory factory) { factory_ = std::move(factory); }

  // The start routine: `args` are the parameters after the program name.
  // Returns the exit code of the process.
  int Run(const std::vector<std::string>& args);

 private:
  bool AddDisplayFonts();
  bool OnForwarded(std::optional<std::string> number);
  void QueueNumber(std::string number, DialOrigin origin);
  void DeliverNumbers();
  void PrepareAudio();
  void CheckAudio(QWidget* parent);
  int RunPhoneWindow();
  bool ReconnectSessionFor(QWidget* parent);
  void Shutdown();
  void CancelledLogin();
  void TestLog(const QString& line) const;

  std::unique_ptr<SettingsStore> store_;
  // Declared before the link, so it outlives the receive thread.
  ui::UiLinkEventSink sink_;
  LinkClient link_;
  AppSession session_;
  PhoneWindowFactory factory_;
  std::unique_ptr<ui::SingleInstance> instance_;
  // The window a second copy brings to the front.
  QPointer<QWidget> frontWindow_;
  std::unique_ptr<PhoneAudio> audio_;
  std::unique_ptr<PhoneWindow> phoneWindow_;
  std::deque<std::pair<std::string, DialOrigin>> pendingNumbers_;
  QString testLog_;
};

}  // namespace zy
