#include "ui/SingleInstance.h"

#include <unistd.h>
#include <QByteArray>
#include <QLocalSocket>

#include "app/DalmoAppCore.h"

namespace zy::ui {

QString SingleInstance::DefaultServerName() {
  DesktopSession session;
  session.uid = static_cast<unsigned>(::getuid());
  session.sessionId = qEnvironmentVariable("XDG_SESSION_ID").toStdString();
  session.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
  session.display = qEnvironmentVariable("DISPLAY").toStdString();
  const QString name = QString::fromStdString(SingleInstanceName(session));
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return runtime.isEmpty() ? name : runtime + u'/' + name;
}

SingleInstance::SingleInstance(QString serverName) : serverName_(std::move(serverName)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

QString SingleInstance::FullServerName() const {
  return server_ ? server_->fullServerName() : serverName_;
}

SingleInstance::ForwardResult SingleInstance::ForwardToRunningCopy(const std::string& number,
                                                                   int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (!socket.waitForConnected(timeoutMs)) return ForwardResult::NoOtherCopy;
  const std::vector<uint8_t> block = EncodeForwardBlock(number);
  socket.write(reinterpret_cast<const char*>(block.data()), static_cast<qint64>(block.size()));
  if (!socket.waitForBytesWritten(timeoutMs)) return ForwardResult::NotRaised;
  if (!socket.waitForReadyRead(timeoutMs)) return ForwardResult::NotRaised;
  const QByteArray answer = socket.read(1);
  socket.disconnectFromServer();
  return answer == "1" ? ForwardResult::Raised : ForwardResult::NotRaised;
}

bool SingleInstance::Listen(ForwardHandler onForward) {
  onForward_ = std::move(onForward);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(serverName_)) {
    if (server_->serverError() != QAbstractSocket::AddressInUseError) return false;
    // A socket file without a listener is left over from a copy that died;
    // one that answers belongs to a copy that started meanwhile.
    QLocalSocket probe;
    probe.connectToServer(serverName_);
    if (probe.waitForConnected(1000)) return false;
    QLocalServer::removeServer(serverName_);
    if (!server_->listen(serverName_)) return false;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                   [this] { OnNewConnection(); });
  return true;
}

void SingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
      buffer->append(socket->readAll());
      const qsizetype nul = buffer->indexOf('\0');
      if (nul < 0 && buffer->size() < static_cast<qsizetype>(kForwardBlockSize)) return;
      const auto* bytes = reinterpret_cast<const uint8_t*>(buffer->constData());
      const std::size_t length =
          nul < 0 ? static_cast<std::size_t>(buffer->size()) : static_cast<std::size_t>(nul) + 1;
      const auto text = DecodeForwardBlock({bytes, length});
      std::optional<std::string> number;
      if (text && !text->empty()) number = *text;
      buffer->clear();
      // Once answered, the connection has nothing more to say.
      QObject::disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
      const bool raised = onForward_ ? onForward_(std::move(number)) : false;
      socket->write(raised ? "1" : "0");
      socket->flush();
      socket->disconnectFromServer();
    });
  }
}

}  // namespace zy::ui
