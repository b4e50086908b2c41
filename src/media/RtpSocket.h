// The UDP endpoint under the RTP session, behind an interface so that tests
// can replace the network with a scripted peer.
//
// Threading: Open and Close on the window thread while the audio thread does
// not use the socket; SendTo and ReceiveFrom on the audio thread. Neither of
// the two may block or allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace zy {

// IPv4 address in host order (first octet in the high byte) and UDP port.
struct RtpEndpoint {
  uint32_t address = 0;
  uint16_t port = 0;
  bool operator==(const RtpEndpoint&) const = default;
};

class RtpSocket {
 public:
  virtual ~RtpSocket() = default;

  // Creates an IPv4 UDP socket, sets its receive buffer (socket level) to
  // `receiveBufferBytes` and binds it to `localPort` on all local addresses
  // (port 0: any free port). False when any step fails; nothing is left
  // open then.
  virtual bool Open(uint16_t localPort, int receiveBufferBytes) = 0;
  virtual void Close() = 0;
  // The bound port while open.
  virtual uint16_t LocalPort() const = 0;

  // Sends one datagram; errors are ignored.
  virtual void SendTo(std::span<const uint8_t> datagram, const RtpEndpoint& to) = 0;
  // Reads the next waiting datagram into `buffer` without waiting. Returns
  // the datagram's full length (larger than the buffer when it was cut;
  // the excess is discarded), 0 for an empty datagram, -1 when nothing is
  // waiting or the read failed.
  virtual std::ptrdiff_t ReceiveFrom(std::span<uint8_t> buffer, RtpEndpoint& from) = 0;
};

// The real socket (POSIX).
std::unique_ptr<RtpSocket> MakeUdpRtpSocket();

}  // namespace zy
