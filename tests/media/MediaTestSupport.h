// Helpers of the media tests: a scripted UDP peer behind the RtpSocket
// interface, a real UDP peer on 127.0.0.1, free RTP ports and a
// deterministic speech-like signal.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "media/RtpSocket.h"

namespace zy::test {

struct Datagram {
  std::vector<uint8_t> bytes;
  RtpEndpoint peer;
};

// What the fake socket did and what it will deliver; shared with the test
// after the socket has moved into the session.
struct FakeNet {
  bool failOpen = false;
  bool open = false;
  uint16_t boundPort = 0;
  int receiveBufferBytes = 0;
  int openCalls = 0;
  std::vector<Datagram> sent;
  std::deque<Datagram> incoming;
  int reads = 0;
};

class FakeRtpSocket : public RtpSocket {
 public:
  explicit FakeRtpSocket(std::shared_ptr<FakeNet> net) : net_(std::move(net)) {}
  bool Open(uint16_t localPort, int receiveBufferBytes) override {
    ++net_->openCalls;
    if (net_->failOpen) return false;
    net_->open = true;
    net_->boundPort = localPort;
    net_->receiveBufferBytes = receiveBufferBytes;
    return true;
  }
  void Close() override { net_->open = false; }
  uint16_t LocalPort() const override { return net_->boundPort; }
  void SendTo(std::span<const uint8_t> d, const RtpEndpoint& to) override {
    net_->sent.push_back({{d.begin(), d.end()}, to});
  }
  std::ptrdiff_t ReceiveFrom(std::span<uint8_t> buffer, RtpEndpoint& from) override {
    if (net_->incoming.empty()) return -1;
    ++net_->reads;
    Datagram d = std::move(net_->incoming.front());
    net_->incoming.pop_front();
    std::copy_n(d.bytes.begin(), std::min(d.bytes.size(), buffer.size()), buffer.begin());
    from = d.peer;
    return static_cast<std::ptrdiff_t>(d.bytes.size());
  }

 private:
  std::shared_ptr<FakeNet> net_;
};

inline std::vector<uint8_t> RtpPacket(uint8_t payloadType, bool marker, uint16_t sequence,
                                      uint32_t timestamp, std::vector<uint8_t> payload) {
  std::vector<uint8_t> p = {0x80,
                            static_cast<uint8_t>(payloadType | (marker ? 0x80 : 0)),
                            static_cast<uint8_t>(sequence >> 8),
                            static_cast<uint8_t>(sequence),
                            static_cast<uint8_t>(timestamp >> 24),
                            static_cast<uint8_t>(timestamp >> 16),
                            static_cast<uint8_t>(timestamp >> 8),
                            static_cast<uint8_t>(timestamp),
                            1,
                            2,
                            3,
                            4};
  p.insert(p.end(), payload.begin(), payload.end());
  return p;
}

inline uint32_t Be32(const std::vector<uint8_t>& p, size_t at) {
  return (uint32_t{p[at]} << 24) | (uint32_t{p[at + 1]} << 16) | (uint32_t{p[at + 2]} << 8) |
         p[at + 3];
}
inline uint16_t Be16(const std::vector<uint8_t>& p, size_t at) {
  return static_cast<uint16_t>((p[at] << 8) | p[at + 1]);
}

// Voiced syllables: a glottal pulse train (110-150 Hz, with vibrato) through
// two formant resonators, a 4 Hz syllable envelope with short pauses and a
// slow swell over the whole signal, so that every A-law segment is used.
inline std::vector<int16_t> SpeechLike(size_t samples, uint32_t seed = 7, double peak = 20000) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 1.0);
  std::vector<double> y(samples);
  double f1y1 = 0, f1y2 = 0, f2y1 = 0, f2y2 = 0, phase = 0;
  const double pi = std::acos(-1.0);
  auto resonator = [&](double x, double f, double bw, double& y1, double& y2) {
    const double r = std::exp(-pi * bw / 8000.0);
    const double out = x + 2 * r * std::cos(2 * pi * f / 8000.0) * y1 - r * r * y2;
    y2 = y1;
    y1 = out;
    return out;
  };
  for (size_t n = 0; n < samples; ++n) {
    const double t = static_cast<double>(n) / 8000.0;
    const double pitch = 130 + 20 * std::sin(2 * pi * 0.7 * t) + 3 * std::sin(2 * pi * 5 * t);
    phase += pitch / 8000.0;
    double x = 0;
    if (phase >= 1.0) {
      phase -= 1.0;
      x = 1.0;
    }
    x += 0.02 * noise(rng);
    const double formant1 = 500 + 250 * std::sin(2 * pi * 1.3 * t);
    const double formant2 = 1500 + 600 * std::sin(2 * pi * 0.9 * t + 1);
    const double v =
        resonator(x, formant1, 80, f1y1, f1y2) + 0.5 * resonator(x, formant2, 120, f2y1, f2y2);
    const double syllable = std::max(0.0, std::sin(2 * pi * 4 * t));
    const double swell = 0.02 + 0.98 * (0.5 - 0.5 * std::cos(2 * pi * t / 3.0));
    y[n] = v * syllable * swell;
  }
  double maxAbs = 1e-9;
  for (double v : y) maxAbs = std::max(maxAbs, std::abs(v));
  std::vector<int16_t> out(samples);
  for (size_t n = 0; n < samples; ++n) {
    out[n] = static_cast<int16_t>(std::lround(y[n] / maxAbs * peak));
  }
  return out;
}

// Collects trace lines.
struct TraceLog {
  std::vector<std::string> lines;
  auto Sink() {
    return [this](std::string_view line) { lines.emplace_back(line); };
  }
};

// An even UDP port that is free now (RTP ports are even). The sockets probed
// stay bound until one is found, so no port is offered twice.
inline uint16_t FreeEvenPort() {
  std::vector<int> held;
  uint16_t port = 0;
  while (port == 0 && held.size() < 64) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    held.push_back(fd);
    if (ntohs(a.sin_port) % 2 == 0) port = ntohs(a.sin_port);
  }
  for (int fd : held) ::close(fd);
  return port;
}

// A plain UDP socket on 127.0.0.1 playing the PBX's media endpoint.
class UdpPeer {
 public:
  explicit UdpPeer(uint16_t port = 0) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~UdpPeer() { ::close(fd_); }
  UdpPeer(const UdpPeer&) = delete;
  UdpPeer& operator=(const UdpPeer&) = delete;
  uint16_t Port() const { return port_; }
  void SendTo(uint16_t port, const std::vector<uint8_t>& bytes) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  // The next datagram; empty when none comes within a second.
  std::vector<uint8_t> Receive() const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 1000) != 1) return {};
    std::vector<uint8_t> buf(2048);
    const ssize_t n = ::recv(fd_, buf.data(), buf.size(), 0);
    buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buf;
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace zy::test
