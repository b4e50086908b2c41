// The QApplication of a window test program, made on first use, with the
// user's folders ($XDG_CONFIG_HOME, $XDG_DATA_HOME, $XDG_RUNTIME_DIR) moved
// to a throw-away folder so no test sees or touches the real ones. Message
// boxes are recorded instead of shown.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "ui/MessageBox.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZY_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZY_TEST_ASAN 1
#endif
#endif

#ifdef ZY_TEST_ASAN
#include <sanitizer/lsan_interface.h>
#endif

namespace zy::test {

inline QApplication& TestApp() {
  static QTemporaryDir home;
  static const bool folders = [] {
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
      const QString dir = home.path() + u'/' + QString::fromLatin1(v).toLower();
      QDir().mkpath(dir);
      QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      qputenv(v, dir.toLocal8Bit());
    }
    qputenv("XDG_CONFIG_DIRS", (home.path() + QStringLiteral("/etc")).toLocal8Bit());
    return true;
  }();
  (void)folders;
  static int argc = 1;
  static char name[] = "zyphone-test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit Qt's own statics go first, and a QApplication
  // destroyed after them crashes.
  static QApplication* app = [] {
    auto made = std::make_unique<QApplication>(argc, argv);
#ifdef ZY_TEST_ASAN
    // The font configuration library keeps blocks for the life of the
    // process that the leak checker would count at exit; they are not ours.
    // Its set-up happens here, unwatched, by laying out a text once.
    __lsan::ScopedDisabler unwatched;
    QLabel label(QStringLiteral("Zyphone"));
    label.adjustSize();
    (void)label.grab();
#endif
    return made.release();
  }();
  return *app;
}

// Records every message box while it lives; each "press" answers `answer`.
class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok) {
    ui::SetMessageBoxInterceptor([this, answer](const ui::MessageBoxCall& call) {
      calls.push_back(call);
      return answer;
    });
  }
  ~MessageBoxRecorder() { ui::SetMessageBoxInterceptor({}); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  QStringList Texts() const {
    QStringList texts;
    for (const auto& c : calls) texts << c.text;
    return texts;
  }

  std::vector<ui::MessageBoxCall> calls;
};

// Runs the event loop until `done` holds or `timeout` passes.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  return QTest::qWaitFor(done, static_cast<int>(timeout.count()));
}

}  // namespace zy::test
