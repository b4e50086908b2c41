// Both ends of the simulator's traffic as the tests play the phone: the link
// over TCP, frames built byte by byte independently of the simulator's
// code, and the simulator program run as a child process.
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace pbxsim::test {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Long enough never to be reached when things work; a failing test waits it.
constexpr auto kWait = 5s;

inline Bytes Nul(const std::string& s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

// A phone -> PBX frame: STX, length, subject, code, param1, param2, payload.
inline Bytes Request(uint16_t subject, uint16_t code, uint16_t p1 = 0, uint16_t p2 = 0,
                     const Bytes& payload = {}) {
  auto n = static_cast<uint16_t>(payload.size());
  Bytes b = {0x02,
             uint8_t(n >> 8),
             uint8_t(n),
             uint8_t(subject >> 8),
             uint8_t(subject),
             uint8_t(code >> 8),
             uint8_t(code),
             uint8_t(p1 >> 8),
             uint8_t(p1),
             uint8_t(p2 >> 8),
             uint8_t(p2)};
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

inline Bytes LoginRequest(uint16_t rtpPort, uint8_t codec, const std::string& number) {
  Bytes p = {codec};
  Bytes n = Nul(number);
  p.insert(p.end(), n.begin(), n.end());
  return Request(rtpPort, 0xFE21, 0, 0, p);
}

struct Reply {
  uint16_t subject = 0;
  uint16_t code = 0;
  Bytes payload;
  Clock::time_point at;
};

// The phone's end of the link, as a test needs it.
class PhoneSocket {
 public:
  ~PhoneSocket() { Close(); }

  bool Connect(uint16_t port) {
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    buf_.clear();
    return true;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  void Send(const Bytes& b) {
    ASSERT_EQ(::send(fd_, b.data(), b.size(), MSG_NOSIGNAL), static_cast<ssize_t>(b.size()));
  }

  // Exactly n bytes, or what came before the time-out or the end.
  Bytes ReadBytes(size_t n, std::chrono::milliseconds timeout = kWait) {
    auto deadline = Clock::now() + timeout;
    while (buf_.size() < n && Fill(deadline)) {
    }
    size_t take = std::min(n, buf_.size());
    Bytes out(buf_.begin(), buf_.begin() + static_cast<long>(take));
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<long>(take));
    return out;
  }

  std::optional<Reply> ReadFrame(std::chrono::milliseconds timeout = kWait) {
    Bytes h = ReadBytes(7, timeout);
    if (h.size() < 7) return std::nullopt;
    EXPECT_EQ(h[0], 0x02);
    Reply r;
    size_t len = (h[1] << 8) | h[2];
    r.subject = static_cast<uint16_t>((h[3] << 8) | h[4]);
    r.code = static_cast<uint16_t>((h[5] << 8) | h[6]);
    r.payload = ReadBytes(len, timeout);
    r.at = Clock::now();
    if (r.payload.size() < len) return std::nullopt;
    return r;
  }

  // The next frame that is not a display frame (the screens that follow a
  // login).
  std::optional<Reply> ReadReply(std::chrono::milliseconds timeout = kWait) {
    std::optional<Reply> r;
    while ((r = ReadFrame(timeout)) && (r->code == 0xFE04 || r->code == 0xFE3B)) {
    }
    return r;
  }

  // The frames of one answer, up to and including the final 0xFE01.
  std::vector<Reply> ReadAnswer() {
    std::vector<Reply> out;
    while (auto r = ReadFrame()) {
      out.push_back(*r);
      if (r->code == 0xFE01) break;
    }
    return out;
  }

  // True when the simulator closed the connection.
  bool SeesEnd(std::chrono::milliseconds timeout = kWait) {
    auto deadline = Clock::now() + timeout;
    while (Fill(deadline)) buf_.clear();
    return eof_;
  }

  bool Buffered() const { return !buf_.empty(); }

 private:
  // Reads what is there; false on time-out or end of stream.
  bool Fill(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    uint8_t tmp[8192];
    ssize_t n = ::recv(fd_, tmp, sizeof tmp, 0);
    if (n <= 0) {
      eof_ = n == 0;
      return false;
    }
    buf_.insert(buf_.end(), tmp, tmp + n);
    return true;
  }

  int fd_ = -1;
  Bytes buf_;
  bool eof_ = false;
};

// Where the build put the program and the shipped scenarios.
inline std::string ProgramPath() {
#ifdef PBXSIM_PROGRAM
  return PBXSIM_PROGRAM;
#else
  const char* d = std::getenv("ZY_BINARY_DIR");
  return d ? std::string(d) + "/tools/pbxsim/pbxsim" : "";
#endif
}

inline std::string ScenarioDir() {
#ifdef PBXSIM_SCENARIO_DIR
  return PBXSIM_SCENARIO_DIR;
#else
  const char* d = std::getenv("ZY_SOURCE_DIR");
  return d ? std::string(d) + "/tools/pbxsim/scenarios" : "";
#endif
}

class ProgramRun {
 public:
  ~ProgramRun() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (in_ >= 0) ::close(in_);
  }

  // Runs the program with its standard output on a pipe, and with
  // `withInput` its standard input too.
  bool Spawn(const std::vector<std::string>& args, bool withInput = false) {
    int p[2];
    int q[2] = {-1, -1};
    if (::pipe(p) != 0) return false;
    if (withInput && ::pipe(q) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, p[1], 1);
    posix_spawn_file_actions_addclose(&fa, p[0]);
    if (withInput) {
      posix_spawn_file_actions_adddup2(&fa, q[0], 0);
      posix_spawn_file_actions_addclose(&fa, q[1]);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(p[1]);
    out_ = p[0];
    if (withInput) {
      ::close(q[0]);
      in_ = q[1];
    }
    return rc == 0;
  }

  // One line of the program's standard output.
  std::string ReadLine() {
    bool end = false;
    return ReadLine(Clock::now() + kWait, end);
  }

  // Reads lines until one begins with `prefix`; empty when none came in time.
  std::string WaitLine(const std::string& prefix) {
    const auto deadline = Clock::now() + kWait;
    bool end = false;
    while (!end && Clock::now() < deadline) {
      std::string line = ReadLine(deadline, end);
      if (line.rfind(prefix, 0) == 0) return line;
    }
    return "";
  }

  void WriteLine(const std::string& line) {
    std::string l = line + "\n";
    ASSERT_EQ(::write(in_, l.data(), l.size()), static_cast<ssize_t>(l.size()));
  }

  // Exit status after SIGTERM, or -1.
  int Terminate() {
    ::kill(pid_, SIGTERM);
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return r > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string ReadLine(Clock::time_point deadline, bool& end) {
    std::string line;
    char c;
    while (true) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd pf{out_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&pf, 1, static_cast<int>(left.count())) <= 0) {
        end = true;
        break;
      }
      if (::read(out_, &c, 1) != 1) {
        end = true;
        break;
      }
      if (c == '\n') break;
      line.push_back(c);
    }
    return line;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int in_ = -1;
};

// ---------------------------------------------------------------- RTP

// An RTP packet as the tests build it: version 2, no extras.
inline Bytes RtpPacket(uint8_t payloadType, uint16_t seq, uint32_t ts, uint32_t ssrc, bool marker,
                       const Bytes& payload) {
  Bytes b = {0x80,
             uint8_t((marker ? 0x80 : 0) | payloadType),
             uint8_t(seq >> 8),
             uint8_t(seq),
             uint8_t(ts >> 24),
             uint8_t(ts >> 16),
             uint8_t(ts >> 8),
             uint8_t(ts),
             uint8_t(ssrc >> 24),
             uint8_t(ssrc >> 16),
             uint8_t(ssrc >> 8),
             uint8_t(ssrc)};
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

struct Rtp {
  bool marker = false;
  uint8_t payloadType = 0;
  uint16_t seq = 0;
  uint32_t ts = 0;
  uint32_t ssrc = 0;
  Bytes payload;
  uint16_t fromPort = 0;
};

// A received datagram read as a plain 12-byte-header RTP packet.
inline std::optional<Rtp> ParseRtp(const Bytes& b, uint16_t fromPort) {
  if (b.size() < 12 || (b[0] >> 6) != 2) return std::nullopt;
  Rtp r;
  r.marker = b[1] & 0x80;
  r.payloadType = b[1] & 0x7F;
  r.seq = uint16_t((b[2] << 8) | b[3]);
  r.ts = (uint32_t(b[4]) << 24) | (uint32_t(b[5]) << 16) | (uint32_t(b[6]) << 8) | b[7];
  r.ssrc = (uint32_t(b[8]) << 24) | (uint32_t(b[9]) << 16) | (uint32_t(b[10]) << 8) | b[11];
  r.payload.assign(b.begin() + 12, b.end());
  r.fromPort = fromPort;
  return r;
}

// The phone's RTP socket, as a test needs it: 127.0.0.1, a free port.
class UdpPeer {
 public:
  UdpPeer() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
      port_ = ntohs(a.sin_port);
    }
  }
  ~UdpPeer() { ::close(fd_); }
  UdpPeer(const UdpPeer&) = delete;
  UdpPeer& operator=(const UdpPeer&) = delete;

  uint16_t Port() const { return port_; }

  void SendTo(uint16_t port, const Bytes& b) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::sendto(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a),
              static_cast<ssize_t>(b.size()));
  }

  std::optional<Rtp> Receive(std::chrono::milliseconds timeout = kWait) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
    uint8_t buf[2048];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return std::nullopt;
    return ParseRtp(Bytes(buf, buf + n), ntohs(from.sin_port));
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace pbxsim::test
