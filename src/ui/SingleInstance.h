// One running phone per user and desktop session. The first copy listens on
// a local socket; a second copy connects, sends the number of its parameter
// (a block of at most 200 bytes ending in NUL, empty when there is none) and
// learns from a one-byte answer whether the first copy could bring its
// window to the front ('1') or not ('0').
//
// The socket is "$XDG_RUNTIME_DIR/<name>" (else <name> in the temporary
// folder), <name> from SingleInstanceName, owner-only access.
//
// Threading: window thread; the server runs on the window thread's event loop.
#pragma once

#include <QLocalServer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zy::ui {

class SingleInstance {
 public:
  // The socket of this user and desktop session, from the environment.
  static QString DefaultServerName();

  explicit SingleInstance(QString serverName = DefaultServerName());
  ~SingleInstance();

  enum class ForwardResult { NoOtherCopy, Raised, NotRaised };
  // As the second copy: hands `number` (Windows-1252, may be empty) to a
  // running copy.
  ForwardResult ForwardToRunningCopy(const std::string& number, int timeoutMs = 5000);

  // As the first copy: listens. `onForward` runs on the window thread for
  // each second copy with its number (nothing when it carried none) and
  // says whether the window came to the front. False when the socket cannot
  // be made, or another copy started listening meanwhile.
  using ForwardHandler = std::function<bool(std::optional<std::string> number)>;
  bool Listen(ForwardHandler onForward);

  const QString& ServerName() const { return serverName_; }
  QString FullServerName() const;

 private:
  void OnNewConnection();

  QString serverName_;
  std::unique_ptr<QLocalServer> server_;
  ForwardHandler onForward_;
};

}  // namespace zy::ui
