#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <thread>

#include "pbxsim/Media.h"

// The codec's headers declare C functions without saying so.
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

namespace pbxsim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kFrameSamples = 80;  // 10 ms at 8 kHz
constexpr size_t kG729FrameBytes = 10;
constexpr size_t kG729SidBytes = 2;
constexpr size_t kMaxDatagram = 2048;
constexpr size_t kMaxRecording = 8000u * 60 * 30;  // half an hour
constexpr uint32_t kMaxGapFill = 8000;             // one second of silence at most
constexpr size_t kMaxEvents = 10000;
constexpr size_t kMaxDurations = 1000;

struct EncoderCloser {
  void operator()(bcg729EncoderChannelContextStruct* c) const { closeBcg729EncoderChannel(c); }
};
struct DecoderCloser {
  void operator()(bcg729DecoderChannelContextStruct* c) const { closeBcg729DecoderChannel(c); }
};

std::string Dotted(uint32_t hostOrder) {
  in_addr a{};
  a.s_addr = htonl(hostOrder);
  char buf[INET_ADDRSTRLEN];
  ::inet_ntop(AF_INET, &a, buf, sizeof buf);
  return buf;
}

std::optional<uint32_t> ParseAddress(const std::string& text) {
  in_addr a{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

const char* ModeName(MediaMode m) {
  switch (m) {
    case MediaMode::kEcho:
      return "echo";
    case MediaMode::kTone:
      return "tone";
    case MediaMode::kWav:
      return "wav";
  }
  return "?";
}

void PutWord(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void PutLong(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

uint32_t GetLong(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The parts of a received RTP packet that the peer uses.
struct RtpView {
  bool marker = false;
  uint8_t payloadType = 0;
  uint32_t timestamp = 0;
  const uint8_t* payload = nullptr;
  size_t payloadSize = 0;
};

// A version-2 packet with its contributing sources, header extension and
// padding taken off; nothing when the lengths do not add up.
std::optional<RtpView> ParseRtp(const uint8_t* b, size_t n) {
  if (n < 12 || (b[0] >> 6) != 2) return std::nullopt;
  size_t off = 12 + 4u * (b[0] & 0x0F);
  if (off > n) return std::nullopt;
  if (b[0] & 0x10) {
    if (off + 4 > n) return std::nullopt;
    off += 4 + 4u * ((size_t{b[off + 2]} << 8) | b[off + 3]);
    if (off > n) return std::nullopt;
  }
  size_t end = n;
  if (b[0] & 0x20) {
    size_t pad = b[n - 1];
    if (pad == 0 || pad > end - off) return std::nullopt;
    end -= pad;
  }
  RtpView v;
  v.marker = (b[1] & 0x80) != 0;
  v.payloadType = b[1] & 0x7F;
  v.timestamp = GetLong(b + 4);
  v.payload = b + off;
  v.payloadSize = end - off;
  return v;
}

}  // namespace

char TelephoneEvent::Digit() const {
  if (code <= 9) return static_cast<char>('0' + code);
  if (code == 10) return '*';
  if (code == 11) return '#';
  if (code <= 15) return static_cast<char>('A' + code - 12);
  return '?';
}

std::string TelephoneEvent::Describe() const {
  std::string s = "event ";
  s += Digit();
  s += " duration " + std::to_string(duration) + " packets " + std::to_string(packets) + " end " +
       std::to_string(endPackets);
  return s;
}

struct MediaPeer::Impl {
  MediaPeerConfig cfg;

  mutable std::mutex mu;
  mutable std::condition_variable changed;
  MediaReport report;  // guarded by mu
  bool started = false;
  bool stopped = false;

  // Peer thread only (and Start before the thread, Stop after it).
  int fd = -1;
  int wakeFd = -1;
  std::thread thread;
  std::optional<sockaddr_in> dest;
  std::unique_ptr<bcg729EncoderChannelContextStruct, EncoderCloser> encoder;
  std::unique_ptr<bcg729DecoderChannelContextStruct, DecoderCloser> decoder;
  uint32_t ssrc = 0;
  uint16_t sequence = 0;
  uint32_t timestamp = 0;  // of the next packet the peer makes itself
  bool firstSent = true;
  std::optional<uint32_t> echoOffset;   // own timestamp - received timestamp
  std::optional<uint32_t> nextVoiceTs;  // where the received stream should go on
  double phase = 0;
  size_t playPos = 0;

  void Log(const std::string& line) const {
    if (cfg.logger) cfg.logger(line);
  }

  // ---- receiving (peer thread)
  void Drain() {
    uint8_t buf[kMaxDatagram];
    while (true) {
      sockaddr_in from{};
      socklen_t len = sizeof from;
      ssize_t n = ::recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC,
                             reinterpret_cast<sockaddr*>(&from), &len);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return;
      auto size = static_cast<size_t>(n);
      Handle(buf, std::min(size, sizeof buf), size > sizeof buf, from);
    }
  }

  void Handle(const uint8_t* b, size_t n, bool truncated, const sockaddr_in& from) {
    std::vector<std::string> logs;
    std::optional<RtpView> rtp = truncated ? std::nullopt : ParseRtp(b, n);
    {
      std::lock_guard lk(mu);
      ++report.received;
      if (!rtp) {
        ++report.badPackets;
      } else {
        // Symmetric RTP: answer where the phone sends from.
        uint32_t addr = ntohl(from.sin_addr.s_addr);
        uint16_t port = ntohs(from.sin_port);
        std::string dotted = Dotted(addr);
        if (dotted != report.peerAddress || port != report.peerPort) {
          report.peerAddress = dotted;
          report.peerPort = port;
          logs.push_back("media from " + dotted + ":" + std::to_string(port));
        }
        dest = from;
        if (rtp->payloadType == cfg.eventPayloadType) {
          HandleEventLocked(*rtp, logs);
        } else if (rtp->payloadType == kPayloadAlaw || rtp->payloadType == kPayloadG729) {
          ++report.voicePackets;
          RecordVoiceLocked(*rtp);
        } else {
          ++report.badPackets;
        }
      }
    }
    changed.notify_all();
    for (const auto& l : logs) Log(l);
    if (rtp && cfg.mode == MediaMode::kEcho &&
        (rtp->payloadType == kPayloadAlaw || rtp->payloadType == kPayloadG729)) {
      Echo(*rtp);
    }
  }

  void HandleEventLocked(const RtpView& rtp, std::vector<std::string>& logs) {
    ++report.eventPackets;
    if (rtp.payloadSize < 4) {
      ++report.badPackets;
      return;
    }
    const uint8_t* p = rtp.payload;
    const uint8_t code = p[0];
    const bool end = (p[1] & 0x80) != 0;
    const auto duration = static_cast<uint16_t>((p[2] << 8) | p[3]);
    auto& events = report.events;
    if (events.empty() || events.back().timestamp != rtp.timestamp || events.back().code != code) {
      if (events.size() >= kMaxEvents) return;
      if (!events.empty()) logs.push_back(events.back().Describe());
      TelephoneEvent e;
      e.code = code;
      e.timestamp = rtp.timestamp;
      e.marker = rtp.marker;
      events.push_back(e);
    }
    TelephoneEvent& e = events.back();
    ++e.packets;
    if (end) ++e.endPackets;
    e.duration = std::max(e.duration, duration);
    if (e.durations.size() < kMaxDurations) e.durations.push_back(duration);
  }

  void AppendLocked(const int16_t* s, size_t n) {
    size_t room = kMaxRecording - std::min(kMaxRecording, report.recording.size());
    report.recording.insert(report.recording.end(), s, s + std::min(n, room));
  }

  void RecordVoiceLocked(const RtpView& rtp) {
    int16_t out[kFrameSamples];
    size_t samples = 0;
    // A forward jump of the timestamp (silence that was not sent) becomes
    // silence in the recording.
    if (nextVoiceTs) {
      auto gap = static_cast<int32_t>(rtp.timestamp - *nextVoiceTs);
      if (gap > 0 && static_cast<uint32_t>(gap) <= kMaxGapFill) {
        std::vector<int16_t> zeros(static_cast<size_t>(gap), 0);
        AppendLocked(zeros.data(), zeros.size());
      }
    }
    const uint8_t* p = rtp.payload;
    size_t left = rtp.payloadSize;
    if (rtp.payloadType == kPayloadAlaw) {
      while (left > 0) {
        size_t k = std::min(left, kFrameSamples);
        for (size_t i = 0; i < k; ++i) out[i] = AlawDecode(p[i]);
        AppendLocked(out, k);
        samples += k;
        p += k;
        left -= k;
      }
    } else {
      if (!decoder) decoder.reset(initBcg729DecoderChannel());
      while (left >= kG729FrameBytes) {
        bool erased = std::all_of(p, p + kG729FrameBytes, [](uint8_t b) { return b == 0; });
        bcg729Decoder(decoder.get(), p, kG729FrameBytes, erased, 0, 0, out);
        AppendLocked(out, kFrameSamples);
        samples += kFrameSamples;
        p += kG729FrameBytes;
        left -= kG729FrameBytes;
      }
      if (left == kG729SidBytes) {  // a silence description ends the packet
        bcg729Decoder(decoder.get(), p, kG729SidBytes, 0, 1, 0, out);
        AppendLocked(out, kFrameSamples);
        samples += kFrameSamples;
      }
    }
    nextVoiceTs = rtp.timestamp + static_cast<uint32_t>(samples);
  }

  // ---- sending (peer thread)
  void SendPacket(uint8_t payloadType, bool marker, uint32_t ts, const uint8_t* payload,
                  size_t size) {
    if (!dest) return;
    uint8_t pkt[12 + kMaxDatagram];
    size = std::min(size, kMaxDatagram);
    pkt[0] = 0x80;
    pkt[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | payloadType);
    PutWord(pkt + 2, sequence++);
    PutLong(pkt + 4, ts);
    PutLong(pkt + 8, ssrc);
    std::memcpy(pkt + 12, payload, size);
    ssize_t r = ::sendto(fd, pkt, 12 + size, MSG_DONTWAIT,
                         reinterpret_cast<const sockaddr*>(&*dest), sizeof *dest);
    if (r < 0) return;
    {
      std::lock_guard lk(mu);
      ++report.sent;
    }
    changed.notify_all();
  }

  // The same payload back, in the simulator's own stream: its sequence
  // numbers and SSRC, the sender's timestamps moved to its own base.
  void Echo(const RtpView& rtp) {
    if (!echoOffset) echoOffset = timestamp - rtp.timestamp;
    SendPacket(rtp.payloadType, rtp.marker, rtp.timestamp + *echoOffset, rtp.payload,
               rtp.payloadSize);
  }

  // One packet of the tone or of the file.
  void SendGenerated() {
    const size_t samples = static_cast<size_t>(cfg.packetTime.count()) * 8;
    std::vector<int16_t> pcm(samples);
    for (auto& s : pcm) {
      if (cfg.mode == MediaMode::kTone) {
        s = static_cast<int16_t>(std::lround(cfg.toneLevel * std::sin(phase)));
        phase += 2 * std::numbers::pi * cfg.toneHz / 8000.0;
        if (phase > 2 * std::numbers::pi) phase -= 2 * std::numbers::pi;
      } else if (!cfg.playSamples.empty()) {
        s = cfg.playSamples[playPos];
        playPos = (playPos + 1) % cfg.playSamples.size();
      } else {
        s = 0;
      }
    }
    std::vector<uint8_t> payload;
    uint8_t pt;
    if (cfg.codec == codec::kG729) {
      pt = kPayloadG729;
      for (size_t i = 0; i + kFrameSamples <= pcm.size(); i += kFrameSamples) {
        uint8_t bits[kG729FrameBytes];
        uint8_t len = 0;
        bcg729Encoder(encoder.get(), pcm.data() + i, bits, &len);
        payload.insert(payload.end(), bits, bits + std::min<size_t>(len, sizeof bits));
      }
    } else {
      pt = kPayloadAlaw;
      payload.reserve(pcm.size());
      for (int16_t s : pcm) payload.push_back(AlawEncode(s));
    }
    SendPacket(pt, firstSent, timestamp, payload.data(), payload.size());
    firstSent = false;
    timestamp += static_cast<uint32_t>(samples);
  }

  void Loop() {
    const bool generates = cfg.mode != MediaMode::kEcho;
    auto next = Clock::now() + cfg.packetTime;
    while (true) {
      pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
      timespec ts{};
      timespec* timeout = nullptr;
      if (generates) {
        auto left = std::max(next - Clock::now(), Clock::duration::zero());
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        ts.tv_sec = static_cast<time_t>(ns / 1000000000);
        ts.tv_nsec = static_cast<long>(ns % 1000000000);
        timeout = &ts;
      }
      int r = ::ppoll(fds, 2, timeout, nullptr);
      if (r < 0 && errno != EINTR) return;
      if (r > 0 && (fds[1].revents & POLLIN)) return;
      if (r > 0 && (fds[0].revents & POLLIN)) Drain();
      if (generates) {
        auto now = Clock::now();
        if (now >= next) {
          SendGenerated();
          next += cfg.packetTime;
          // After a stall, go on from now rather than bursting to catch up.
          if (now - next > 10 * cfg.packetTime) next = now + cfg.packetTime;
        }
      }
    }
  }
};

MediaPeer::MediaPeer(MediaPeerConfig config) : impl_(std::make_unique<Impl>()) {
  impl_->cfg = std::move(config);
  if (impl_->cfg.packetTime.count() <= 0) impl_->cfg.packetTime = std::chrono::milliseconds(20);
  // Whole 10 ms frames, so G.729 packets carry whole frames.
  impl_->cfg.packetTime = std::max(std::chrono::milliseconds(10), impl_->cfg.packetTime / 10 * 10);
}

MediaPeer::~MediaPeer() { Stop(); }

bool MediaPeer::Start() {
  Impl& d = *impl_;
  {
    std::lock_guard lk(d.mu);
    if (d.started) return false;
    d.started = true;
  }
  auto bind = ParseAddress(d.cfg.bindAddress);
  if (!bind) {
    d.Log("media: bad address " + d.cfg.bindAddress);
    return false;
  }
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    d.Log(std::string("media: no socket: ") + std::strerror(errno));
    return false;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(d.cfg.bindPort);
  a.sin_addr.s_addr = htonl(*bind);
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    d.Log("media: cannot bind " + d.cfg.bindAddress + ":" + std::to_string(d.cfg.bindPort) + ": " +
          std::strerror(errno));
    ::close(fd);
    return false;
  }
  int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    ::close(fd);
    return false;
  }
  d.fd = fd;
  d.wakeFd = wake;
  if (auto phone = ParseAddress(d.cfg.phoneAddress); phone && d.cfg.phonePort != 0) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(d.cfg.phonePort);
    to.sin_addr.s_addr = htonl(*phone);
    d.dest = to;
  }
  std::random_device rd;
  d.ssrc = rd();
  d.timestamp = rd();
  d.sequence = static_cast<uint16_t>(rd());
  if (d.cfg.mode != MediaMode::kEcho && d.cfg.codec == codec::kG729) {
    d.encoder.reset(initBcg729EncoderChannel(0));
  }
  std::string advertised =
      d.cfg.advertisedAddress.empty() ? d.cfg.bindAddress : d.cfg.advertisedAddress;
  {
    std::lock_guard lk(d.mu);
    d.report.ran = true;
    d.report.mode = d.cfg.mode;
    d.report.codec = d.cfg.codec;
    d.report.address = advertised;
    d.report.port = ntohs(a.sin_port);
    if (d.dest) {
      d.report.peerAddress = d.cfg.phoneAddress;
      d.report.peerPort = d.cfg.phonePort;
    }
  }
  d.Log(std::string("media ") + ModeName(d.cfg.mode) + " " +
        (d.cfg.codec == codec::kG729 ? "G.729" : "G.711") + " on " + advertised + ":" +
        std::to_string(ntohs(a.sin_port)) +
        (d.dest ? " to " + d.cfg.phoneAddress + ":" + std::to_string(d.cfg.phonePort) : ""));
  d.thread = std::thread([&d] { d.Loop(); });
  return true;
}

void MediaPeer::Stop() {
  Impl& d = *impl_;
  {
    std::lock_guard lk(d.mu);
    if (!d.started || d.stopped) return;
    d.stopped = true;
  }
  if (d.thread.joinable()) {
    uint64_t one = 1;
    ssize_t n = ::write(d.wakeFd, &one, sizeof one);
    (void)n;
    d.thread.join();
  }
  if (d.fd >= 0) ::close(d.fd);
  if (d.wakeFd >= 0) ::close(d.wakeFd);
  d.fd = d.wakeFd = -1;
  std::vector<std::string> logs;
  std::vector<int16_t> recording;
  bool record = false;
  {
    std::lock_guard lk(d.mu);
    if (!d.report.events.empty()) logs.push_back(d.report.events.back().Describe());
    record = d.report.ran && !d.cfg.recordFile.empty();
    if (record) recording = d.report.recording;
  }
  if (record) {
    std::string error;
    if (WriteWav(d.cfg.recordFile, recording, error)) {
      std::lock_guard lk(d.mu);
      d.report.recordFile = d.cfg.recordFile;
      logs.push_back("recorded " + std::to_string(recording.size()) + " samples to " +
                     d.cfg.recordFile);
    } else {
      logs.push_back("media: cannot record: " + error);
    }
  }
  for (const auto& l : logs) d.Log(l);
  d.changed.notify_all();
}

uint16_t MediaPeer::Port() const {
  std::lock_guard lk(impl_->mu);
  return impl_->report.port;
}

MediaReport MediaPeer::Report() const {
  std::lock_guard lk(impl_->mu);
  return impl_->report;
}

MediaReport MediaPeer::WaitFor(const std::function<bool(const MediaReport&)>& done,
                               std::chrono::milliseconds timeout) const {
  std::unique_lock lk(impl_->mu);
  impl_->changed.wait_for(lk, timeout, [&] { return done(impl_->report); });
  return impl_->report;
}

}  // namespace pbxsim
