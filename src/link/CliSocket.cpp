#include "link/CliSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <system_error>

namespace zy {

CCliSocket::CCliSocket(FrameSink& sink) : sink_(sink) {}

CCliSocket::~CCliSocket() {
  StopReceiveThread();
  if (fd_ >= 0) ::close(fd_);
}

void CCliSocket::StopReceiveThread() {
  // A link the program closes itself is not reported as a failure. Shutting
  // the socket down makes the blocked read return; the thread then ends.
  closing_ = true;
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
}

CLumoCliSocket::~CLumoCliSocket() { StopReceiveThread(); }

static bool ConnectWithTimeout(int fd, const sockaddr_in& addr, int timeoutMs, int& error) {
  const int flags = ::fcntl(fd, F_GETFL, 0);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  if (rc != 0 && errno != EINPROGRESS) {
    error = errno;
    return false;
  }
  if (rc != 0) {
    pollfd p{fd, POLLOUT, 0};
    do {
      rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) {
      error = ETIMEDOUT;
      return false;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (rc < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
      error = rc < 0 ? errno : soError;
      return false;
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  return true;
}

bool CCliSocket::Open(const std::string& address, uint16_t port, int connectTimeoutMs) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
    RecordFailure(kErrConnect, EINVAL, false);
    return false;
  }
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    RecordFailure(kErrConnect, errno, false);
    return false;
  }
  int error = 0;
  if (!ConnectWithTimeout(fd_, addr, connectTimeoutMs, error)) {
    ::close(fd_);
    fd_ = -1;
    RecordFailure(kErrConnect, error, false);
    return false;
  }
  // Frames are small and each is written whole: send them at once.
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  try {
    thread_ = std::thread([this] { ReceiveLoop(); });
  } catch (const std::system_error& e) {
    ::close(fd_);
    fd_ = -1;
    RecordFailure(kErrThread, e.code().value(), false);
    return false;
  }
  return true;
}

bool CCliSocket::Send(const uint8_t* bytes, size_t count) {
  std::lock_guard lock(sendMutex_);
  if (!IsUp()) return false;
  size_t sent = 0;
  while (sent < count) {
    const ssize_t n = ::send(fd_, bytes + sent, count - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // the receive thread reports the lost link
    sent += static_cast<size_t>(n);
  }
  return true;
}

void CCliSocket::ReceiveLoop() {
  // Read in chunks and feed the state machine byte by byte: the frames seen
  // are the same as with one-byte reads.
  uint8_t chunk[4096];
  for (;;) {
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      for (ssize_t i = 0; i < n; ++i) ReceiveByte(chunk[i]);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      RecordFailure(kErrClosedByServer, -1, true);
    } else {
      RecordFailure(kErrRecv, errno, true);
    }
    return;
  }
}

void CCliSocket::RecordFailure(int stringId, int64_t code, bool report) {
  int expected = 0;
  if (!errorId_.compare_exchange_strong(expected, stringId)) return;  // only the first
  errorCode_ = code;
  if (report && !closing_) sink_.OnLinkFailure(stringId, code);
}

void CLumoCliSocket::ReceiveByte(uint8_t byte) {
  if (discard_ != 0) {
    --discard_;
    return;
  }
  if (position_ == 0) {
    if (byte == kStx) position_ = 1;  // anything between frames is dropped
    return;
  }
  buffer_[position_++] = byte;
  if (position_ < kReceiveHeaderSize) return;
  const uint16_t length = ReadBe16(&buffer_[1]);
  if (length > kMaxReceivePayload) {
    discard_ = length;
    position_ = 0;
    return;
  }
  if (position_ - kReceiveHeaderSize >= length) {
    position_ = 0;
    sink_.DispatchFrame(buffer_.data());
  }
}

}  // namespace zy
