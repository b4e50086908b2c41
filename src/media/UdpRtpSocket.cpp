// POSIX UDP socket for the RTP session. Every read and write is
// non-blocking, so the audio thread never waits on the network.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "media/RtpSocket.h"

namespace zy {
namespace {

class UdpRtpSocket final : public RtpSocket {
 public:
  ~UdpRtpSocket() override { Close(); }

  bool Open(uint16_t localPort, int receiveBufferBytes) override {
    Close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    const int size = receiveBufferBytes;
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len) != 0) {
      ::close(fd);
      return false;
    }
    fd_ = fd;
    port_ = ntohs(bound.sin_port);
    return true;
  }

  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    port_ = 0;
  }

  uint16_t LocalPort() const override { return port_; }

  void SendTo(std::span<const uint8_t> datagram, const RtpEndpoint& to) override {
    if (fd_ < 0) return;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(to.port);
    peer.sin_addr.s_addr = htonl(to.address);
    (void)::sendto(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
  }

  std::ptrdiff_t ReceiveFrom(std::span<uint8_t> buffer, RtpEndpoint& from) override {
    if (fd_ < 0) return -1;
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    // MSG_TRUNC: the result is the datagram's real length even when the
    // buffer was too small, so the caller can tell a cut datagram.
    const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                                 reinterpret_cast<sockaddr*>(&peer), &len);
    if (n < 0) return -1;
    from.address = ntohl(peer.sin_addr.s_addr);
    from.port = ntohs(peer.sin_port);
    return n;
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace

std::unique_ptr<RtpSocket> MakeUdpRtpSocket() { return std::make_unique<UdpRtpSocket>(); }

}  // namespace zy
