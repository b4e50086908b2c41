#include "pbxsim/Simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "CallModel.h"

namespace pbxsim {

namespace {

using Clock = std::chrono::steady_clock;

std::string LogLine(char dir, uint16_t code, uint16_t subject, size_t length) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%c %04X %04X %zu", dir, code, subject, length);
  return buf;
}

// Requests the phone waits on that this PBX has nothing to answer with but
// the end of the reply.
bool IsBareRequest(uint16_t c) {
  switch (c) {
    case 0xFE16:  // stored records of an extension or room
    case 0xFE17:  // stored records of an account code
    case 0xFE18:  // check-out
    case 0xFE19:  // check-in
    case 0xFE1B:  // room ready
      return true;
    default:
      return false;
  }
}

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the reading side sees the connection end
    done += static_cast<size_t>(n);
  }
}

std::string Dotted(uint32_t hostOrder) {
  in_addr a{};
  a.s_addr = htonl(hostOrder);
  char buf[INET_ADDRSTRLEN];
  ::inet_ntop(AF_INET, &a, buf, sizeof buf);
  return buf;
}

// A number as a part of a file name.
std::string FileSafe(const std::string& s) {
  std::string out;
  for (char c : s) out.push_back((c >= '0' && c <= '9') || c == '*' || c == '#' ? c : '_');
  return out.empty() ? "_" : out;
}

}  // namespace

struct Simulator::Impl final : CallSink {
  static constexpr size_t kMaxWrite = 64 * 1024;

  // One piece of output; pieces due at the same time are written together.
  struct OutItem {
    std::vector<uint8_t> bytes;
    std::chrono::milliseconds delay{0};  // after the item before it
    std::string log;                     // empty: not logged
  };

  // Guards everything below except the listener and wake pipe, which only
  // Start/Stop and the server thread touch.
  mutable std::mutex mu;
  mutable std::condition_variable changed;  // frames, clients, queue, stop

  Scenario scenario;
  DataMemory memory;
  std::function<void(const std::string&)> logger;

  bool running = false;
  bool stopping = false;
  uint16_t port = 0;
  int listenFd = -1;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::thread server;
  std::thread writer;

  int clientFd = -1;
  size_t connections = 0;
  FrameReader reader;  // server thread only
  InputStats stats;

  std::vector<Frame> received;
  size_t receivedLimit = 0;
  LoginInfo login;

  std::deque<OutItem> queue;
  Clock::time_point frontReadyAt;
  std::chrono::milliseconds keepAlive{0};
  Clock::time_point nextPoll;

  bool silent = false;
  std::vector<uint8_t> garbage;
  int spacedCount = 0;
  std::chrono::milliseconds spacing{0};

  // Calls. The addresses of the connection are in host byte order.
  std::string bindAddress;
  uint32_t clientLocal = 0;
  uint32_t clientPeer = 0;
  uint8_t eventPayloadType = 101;
  CallModel call{scenario, *this};
  // Shared with a test that waits on the running peer while the call ends.
  std::shared_ptr<MediaPeer> media;
  std::shared_ptr<MediaPeer> lastMedia;

  // Held across every send so that the server thread never closes (and the
  // kernel never reuses) a descriptor that the writer is writing to.
  std::mutex sendMu;

  // ---- output queue (mu held)
  void PushLocked(OutItem item) {
    if (queue.empty()) frontReadyAt = Clock::now() + item.delay;
    queue.push_back(std::move(item));
    changed.notify_all();
  }

  static OutItem FrameItem(uint16_t subject, uint16_t c, const std::vector<uint8_t>& payload,
                           std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
    return {EncodeReply(subject, c, payload), delay, LogLine('>', c, subject, payload.size())};
  }

  // An answer: record frames, then the spaced records, then the final frame.
  void QueueAnswerLocked(std::vector<OutItem> items) {
    if (silent || clientFd < 0) return;
    OutItem last = std::move(items.back());
    items.pop_back();
    for (int i = 1; i <= spacedCount; ++i) {
      items.push_back(FrameItem(kSpacedOwner, kSpacedParam, TextValue(std::to_string(i)), spacing));
    }
    items.push_back(std::move(last));
    for (auto& item : items) {
      if (!garbage.empty()) item.bytes.insert(item.bytes.begin(), garbage.begin(), garbage.end());
      PushLocked(std::move(item));
    }
  }

  // ---- the call model's side (mu held)
  void SendToPhone(uint16_t subject, uint16_t c, std::vector<uint8_t> payload) override {
    if (silent || clientFd < 0) return;
    OutItem item = FrameItem(subject, c, payload);
    if (!garbage.empty()) item.bytes.insert(item.bytes.begin(), garbage.begin(), garbage.end());
    PushLocked(std::move(item));
  }

  std::optional<MediaEndpoint> StartMedia(const MediaService& service, uint8_t c,
                                          const CallInfo& info) override {
    StopMedia();
    const MediaSettings& ms = scenario.Media();
    MediaPeerConfig cfg;
    cfg.mode = service.mode;
    cfg.codec = c;
    cfg.toneHz = service.toneHz;
    cfg.toneLevel = service.toneLevel;
    if (service.mode == MediaMode::kWav) {
      std::string error;
      if (!ReadWav(service.wavFile, cfg.playSamples, error)) Log("media: " + error + ": silence");
    }
    cfg.eventPayloadType = eventPayloadType;
    std::string address = ms.address.empty() ? bindAddress : ms.address;
    cfg.bindAddress = address;
    cfg.advertisedAddress = address == "0.0.0.0" ? Dotted(clientLocal) : address;
    cfg.bindPort = ms.port;
    cfg.phoneAddress = Dotted(clientPeer);
    cfg.phonePort = login.rtpPort;
    if (!ms.recordDir.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(ms.recordDir, ec);
      std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
      std::tm tm{};
      localtime_r(&t, &tm);
      char stamp[32];
      std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
      cfg.recordFile = ms.recordDir + "/call-" + stamp + "-" + std::to_string(info.callId) + "-" +
                       FileSafe(info.number) + ".wav";
    }
    cfg.logger = logger;
    auto peer = std::make_shared<MediaPeer>(std::move(cfg));
    if (!peer->Start()) return std::nullopt;
    in_addr a{};
    if (::inet_pton(AF_INET, peer->Report().address.c_str(), &a) != 1) {
      peer->Stop();
      return std::nullopt;
    }
    media = peer;
    lastMedia = peer;
    changed.notify_all();
    return MediaEndpoint{ntohl(a.s_addr), peer->Port()};
  }

  void StopMedia() override {
    if (!media) return;
    media->Stop();
    media.reset();
    changed.notify_all();
  }

  void Log(const std::string& line) override {
    if (logger) logger(line);
  }

  // ---- handling of a received frame (server thread)
  void Handle(Frame&& f) {
    Log(LogLine('<', f.code, f.subject, f.payload.size()));
    const uint16_t c = f.code;
    const uint16_t subject = f.subject;
    const uint16_t p1 = f.param1;
    const uint16_t p2 = f.param2;
    std::vector<uint8_t> payload = f.payload;
    std::lock_guard lk(mu);
    UpdateStatsLocked();  // before the answer, so that a test that has it sees them
    received.push_back(std::move(f));
    if (receivedLimit && received.size() > receivedLimit) {
      received.erase(received.begin(), received.end() - static_cast<std::ptrdiff_t>(receivedLimit));
    }
    changed.notify_all();

    switch (c) {
      case code::kRead: {
        std::vector<OutItem> items;
        auto it = memory.find({p1, p2});
        if (it != memory.end()) items.push_back(FrameItem(p1, p2, it->second));
        items.push_back(FrameItem(0, code::kAck, {}));
        QueueAnswerLocked(std::move(items));
        break;
      }
      case code::kRangeRead: {
        std::vector<OutItem> items;
        for (const auto& [key, value] : memory) {
          if ((key.second & p1) == p2) items.push_back(FrameItem(key.first, key.second, value));
        }
        items.push_back(FrameItem(0, code::kAck, {}));
        QueueAnswerLocked(std::move(items));
        break;
      }
      case code::kWrite:
        memory[{p1, p2}] = std::move(payload);
        break;
      case code::kDelete:
        memory.erase({p1, p2});
        break;
      case code::kLogin:
        HandleLoginLocked(subject, payload);
        break;
      case code::kKey:
        call.Key(subject, Clock::now());
        changed.notify_all();
        break;
      case code::kCallRecords: {
        std::vector<OutItem> items;
        for (const auto& r : call.Records(subject))
          items.push_back(FrameItem(subject, code::kCallRecord, r.Payload()));
        items.push_back(FrameItem(0, code::kAck, {}));
        QueueAnswerLocked(std::move(items));
        break;
      }
      case code::kDeleteCallRecords: {
        call.ClearRecords(subject);
        std::vector<OutItem> items;
        items.push_back(FrameItem(0, code::kAck, {}));
        QueueAnswerLocked(std::move(items));
        break;
      }
      default:
        if (IsBareRequest(c)) {
          std::vector<OutItem> items;
          items.push_back(FrameItem(0, code::kAck, {}));
          QueueAnswerLocked(std::move(items));
        }
        break;
    }
  }

  void HandleLoginLocked(uint16_t rtpPort, const std::vector<uint8_t>& payload) {
    ++login.attempts;
    login.rtpPort = rtpPort;
    login.codec = payload.empty() ? 0 : payload[0];
    login.number.clear();
    for (size_t i = 1; i < payload.size() && payload[i] != 0; ++i)
      login.number.push_back(static_cast<char>(payload[i]));
    login.loggedIn = false;
    call.LoggedOut();
    std::vector<OutItem> items;
    const Extension* ext = scenario.FindExtension(login.number);
    if (!ext) {
      items.push_back(FrameItem(0, code::kNotExisting, {}));
    } else if (ext->reply == LoginReply::kGrant) {
      items.push_back(FrameItem(ext->id, code::kLoginAccepted, ext->grants.Payload()));
      login.loggedIn = true;
      login.extensionId = ext->id;
      // The phone keeps 101 unless the reply carries the byte.
      eventPayloadType = ext->grants.replyLength > 5 ? ext->grants.eventPayloadType : 101;
    } else {
      items.push_back(FrameItem(0, LoginReplyCode(ext->reply), {}));
    }
    login.replyCode = silent ? 0 : Word(items.back().bytes, 5);
    QueueAnswerLocked(std::move(items));
    // The idle screen follows the reply.
    if (login.loggedIn) call.LoggedIn(*ext, login.codec, Clock::now());
    changed.notify_all();
  }

  static uint16_t Word(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
  }

  // ---- threads
  void Wake() {
    if (wakeWrite >= 0) {
      uint8_t b = 1;
      ssize_t n = ::write(wakeWrite, &b, 1);
      (void)n;
    }
  }

  void ServerLoop() {
    while (true) {
      pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
      int r = ::poll(fds, 2, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || (fds[1].revents & POLLIN)) return;
      if (!(fds[0].revents & POLLIN)) continue;
      int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      sockaddr_in local{}, peer{};
      socklen_t len = sizeof local;
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len);
      len = sizeof peer;
      ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len);
      {
        std::lock_guard lk(mu);
        clientLocal = ntohl(local.sin_addr.s_addr);
        clientPeer = ntohl(peer.sin_addr.s_addr);
        clientFd = fd;
        ++connections;
        queue.clear();
        nextPoll = Clock::now() + keepAlive;
        changed.notify_all();
      }
      Log("client connected");
      bool stop = Serve(fd);
      EndClient(fd);
      Log("client gone");
      if (stop) return;
    }
  }

  // Reads one client until it goes away; true when the simulator stops.
  bool Serve(int fd) {
    reader.Reset();
    uint8_t buf[4096];
    while (true) {
      pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
      int r = ::poll(fds, 2, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return true;
      if (fds[1].revents & POLLIN) return true;
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      reader.Feed(buf, static_cast<size_t>(n), [this](Frame&& f) { Handle(std::move(f)); });
      std::lock_guard lk(mu);
      UpdateStatsLocked();
    }
  }

  // Server thread, mu held.
  void UpdateStatsLocked() {
    stats.garbageBytes = reader.GarbageBytes();
    stats.oversizeFrames = reader.OversizeFrames();
  }

  void EndClient(int fd) {
    bool truncated = reader.Reset();
    {
      std::lock_guard lk(mu);
      if (truncated) ++stats.truncatedFrames;
      clientFd = -1;
      queue.clear();
      login.loggedIn = false;
      call.LoggedOut();  // a call ends with the connection
      changed.notify_all();
    }
    ::shutdown(fd, SHUT_RDWR);  // frees a writer blocked in send
    std::lock_guard send(sendMu);
    ::close(fd);
  }

  void WriterLoop() {
    std::unique_lock lk(mu);
    while (!stopping) {
      if (clientFd < 0) {
        changed.wait(lk);
        continue;
      }
      auto now = Clock::now();
      if (auto due = call.Deadline(); due && *due <= now) {
        call.Tick(now);
        changed.notify_all();
        continue;
      }
      std::vector<uint8_t> bytes;
      std::vector<std::string> logs;
      if (!queue.empty() && frontReadyAt <= now) {
        // Everything due now goes out in one write (a large range read is
        // many small frames).
        do {
          OutItem& item = queue.front();
          bytes.insert(bytes.end(), item.bytes.begin(), item.bytes.end());
          if (!item.log.empty()) logs.push_back(std::move(item.log));
          queue.pop_front();
        } while (!queue.empty() && queue.front().delay.count() == 0 && bytes.size() < kMaxWrite);
        if (!queue.empty()) frontReadyAt = now + queue.front().delay;
      } else if (keepAlive.count() > 0 && nextPoll <= now) {
        OutItem poll = FrameItem(0, code::kPoll, {});
        bytes = std::move(poll.bytes);
        logs.push_back(std::move(poll.log));
        nextPoll = now + keepAlive;
      }
      if (!bytes.empty()) {
        int fd = clientFd;
        std::unique_lock send(sendMu);
        lk.unlock();
        WriteAll(fd, bytes);
        send.unlock();
        for (const auto& line : logs) Log(line);
        lk.lock();
        continue;
      }
      auto until = Clock::time_point::max();
      if (!queue.empty()) until = frontReadyAt;
      if (keepAlive.count() > 0) until = std::min(until, nextPoll);
      if (auto due = call.Deadline()) until = std::min(until, *due);
      if (until == Clock::time_point::max()) {
        changed.wait(lk);
      } else {
        changed.wait_until(lk, until);
      }
    }
  }
};

Simulator::Simulator(Scenario scenario) : impl_(std::make_unique<Impl>()) {
  impl_->memory = scenario.BuildDataMemory();
  impl_->keepAlive = scenario.KeepAlivePeriod();
  impl_->scenario = std::move(scenario);
}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(uint16_t port, const std::string& bindAddress) {
  Impl& d = *impl_;
  {
    std::lock_guard lk(d.mu);
    if (d.running) return false;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (::inet_pton(AF_INET, bindAddress.c_str(), &addr.sin_addr) != 1) return false;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    return false;
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    ::close(fd);
    return false;
  }
  {
    std::lock_guard lk(d.mu);
    d.bindAddress = bindAddress;
    d.listenFd = fd;
    d.wakeRead = pipeFds[0];
    d.wakeWrite = pipeFds[1];
    d.port = ntohs(addr.sin_port);
    d.running = true;
    d.stopping = false;
    d.connections = 0;
  }
  d.server = std::thread([&d] { d.ServerLoop(); });
  d.writer = std::thread([&d] { d.WriterLoop(); });
  return true;
}

uint16_t Simulator::Port() const {
  std::lock_guard lk(impl_->mu);
  return impl_->port;
}

bool Simulator::Running() const {
  std::lock_guard lk(impl_->mu);
  return impl_->running;
}

void Simulator::Stop() {
  Impl& d = *impl_;
  {
    std::lock_guard lk(d.mu);
    if (!d.running) return;
    d.stopping = true;
    d.changed.notify_all();
  }
  d.Wake();
  d.server.join();  // ends the client, if any
  d.writer.join();
  ::close(d.listenFd);
  ::close(d.wakeRead);
  ::close(d.wakeWrite);
  std::lock_guard lk(d.mu);
  d.listenFd = d.wakeRead = d.wakeWrite = -1;
  d.running = false;
}

void Simulator::SetLogger(std::function<void(const std::string&)> logger) {
  std::lock_guard lk(impl_->mu);
  impl_->logger = std::move(logger);
}

bool Simulator::ClientConnected() const {
  std::lock_guard lk(impl_->mu);
  return impl_->clientFd >= 0;
}

size_t Simulator::ConnectionCount() const {
  std::lock_guard lk(impl_->mu);
  return impl_->connections;
}

bool Simulator::WaitForClient(std::chrono::milliseconds timeout) const {
  std::unique_lock lk(impl_->mu);
  return impl_->changed.wait_for(lk, timeout, [&] { return impl_->clientFd >= 0; });
}

bool Simulator::WaitForConnection(size_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock lk(impl_->mu);
  return impl_->changed.wait_for(lk, timeout,
                                 [&] { return impl_->connections >= n && impl_->clientFd >= 0; });
}

bool Simulator::WaitForDisconnect(std::chrono::milliseconds timeout) const {
  std::unique_lock lk(impl_->mu);
  return impl_->changed.wait_for(lk, timeout, [&] { return impl_->clientFd < 0; });
}

void Simulator::DropClient() {
  std::lock_guard lk(impl_->mu);
  // The server thread sees the end of the stream and closes the descriptor.
  if (impl_->clientFd >= 0) ::shutdown(impl_->clientFd, SHUT_RDWR);
}

std::vector<Frame> Simulator::Received() const {
  std::lock_guard lk(impl_->mu);
  return impl_->received;
}

size_t Simulator::ReceivedCount() const {
  std::lock_guard lk(impl_->mu);
  return impl_->received.size();
}

void Simulator::ClearReceived() {
  std::lock_guard lk(impl_->mu);
  impl_->received.clear();
}

void Simulator::SetReceivedLimit(size_t limit) {
  std::lock_guard lk(impl_->mu);
  impl_->receivedLimit = limit;
}

std::optional<Frame> Simulator::WaitForFrame(const std::function<bool(const Frame&)>& match,
                                             std::chrono::milliseconds timeout) const {
  std::unique_lock lk(impl_->mu);
  std::optional<Frame> found;
  impl_->changed.wait_for(lk, timeout, [&] {
    for (const auto& f : impl_->received) {
      if (match(f)) {
        found = f;
        return true;
      }
    }
    return false;
  });
  return found;
}

std::optional<Frame> Simulator::WaitForCode(uint16_t c, std::chrono::milliseconds timeout) const {
  return WaitForFrame([c](const Frame& f) { return f.code == c; }, timeout);
}

InputStats Simulator::Stats() const {
  std::lock_guard lk(impl_->mu);
  return impl_->stats;
}

LoginInfo Simulator::Login() const {
  std::lock_guard lk(impl_->mu);
  return impl_->login;
}

void Simulator::SetRecord(uint16_t owner, uint16_t param, const std::string& text) {
  SetRawRecord(owner, param, TextValue(text));
}

void Simulator::SetRawRecord(uint16_t owner, uint16_t param, std::vector<uint8_t> value) {
  std::lock_guard lk(impl_->mu);
  impl_->memory[{owner, param}] = std::move(value);
}

void Simulator::EraseRecord(uint16_t owner, uint16_t param) {
  std::lock_guard lk(impl_->mu);
  impl_->memory.erase({owner, param});
}

std::optional<std::vector<uint8_t>> Simulator::Record(uint16_t owner, uint16_t param) const {
  std::lock_guard lk(impl_->mu);
  auto it = impl_->memory.find({owner, param});
  if (it == impl_->memory.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> Simulator::RecordText(uint16_t owner, uint16_t param) const {
  auto v = Record(owner, param);
  if (!v) return std::nullopt;
  auto end = std::find(v->begin(), v->end(), uint8_t{0});
  return std::string(v->begin(), end);
}

DataMemory Simulator::Records() const {
  std::lock_guard lk(impl_->mu);
  return impl_->memory;
}

bool Simulator::SendFrame(uint16_t subject, uint16_t c, const std::vector<uint8_t>& payload) {
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  impl_->PushLocked(Impl::FrameItem(subject, c, payload));
  return true;
}

bool Simulator::SendDialRequest(const std::string& number) {
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  impl_->PushLocked(
      Impl::FrameItem(impl_->login.extensionId, code::kDialRequest, TextValue(number)));
  return true;
}

bool Simulator::SendDisplay(const std::vector<uint8_t>& stream) {
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  impl_->PushLocked(Impl::FrameItem(impl_->login.extensionId, code::kDisplay, stream));
  impl_->call.ForgetStatus();
  return true;
}

bool Simulator::SendStatusLine(uint8_t line, uint8_t attributes, const std::string& text) {
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  impl_->call.WriteLine(line, attributes, text);
  return true;
}

bool Simulator::SendRaw(std::vector<uint8_t> bytes) {
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  std::string log = "> raw " + std::to_string(bytes.size()) + " bytes";
  impl_->PushLocked({std::move(bytes), std::chrono::milliseconds(0), std::move(log)});
  return true;
}

CallInfo Simulator::Call() const {
  std::lock_guard lk(impl_->mu);
  return impl_->call.Info();
}

bool Simulator::WaitForCall(const std::function<bool(const CallInfo&)>& match,
                            std::chrono::milliseconds timeout) const {
  std::unique_lock lk(impl_->mu);
  return impl_->changed.wait_for(lk, timeout, [&] { return match(impl_->call.Info()); });
}

bool Simulator::RingIn(const std::string& callerNumber, const std::string& name) {
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  bool ok = impl_->call.RingIn(callerNumber, name);
  impl_->changed.notify_all();
  return ok;
}

bool Simulator::AnswerCall() {
  std::lock_guard lk(impl_->mu);
  bool ok = impl_->call.RemoteAnswer();
  impl_->changed.notify_all();
  return ok;
}

bool Simulator::HangUpRemote() {
  std::lock_guard lk(impl_->mu);
  bool ok = impl_->call.RemoteHangUp();
  impl_->changed.notify_all();
  return ok;
}

std::vector<CallRecord> Simulator::CallRecords(uint16_t extensionId) const {
  std::lock_guard lk(impl_->mu);
  return impl_->call.Records(extensionId);
}

void Simulator::AddMediaService(MediaService service) {
  std::lock_guard lk(impl_->mu);
  impl_->scenario.AddMediaService(std::move(service));
}

void Simulator::SetMediaSettings(MediaSettings settings) {
  std::lock_guard lk(impl_->mu);
  impl_->scenario.SetMediaSettings(std::move(settings));
}

void Simulator::SetDialPause(std::chrono::milliseconds pause) {
  std::lock_guard lk(impl_->mu);
  impl_->scenario.SetDialPause(std::max(pause, std::chrono::milliseconds(0)));
}

void Simulator::SetWallClock(std::function<std::chrono::system_clock::time_point()> clock) {
  std::lock_guard lk(impl_->mu);
  if (clock) impl_->call.SetWallClock(std::move(clock));
}

MediaReport Simulator::Media() const {
  std::shared_ptr<MediaPeer> peer;
  {
    std::lock_guard lk(impl_->mu);
    peer = impl_->media ? impl_->media : impl_->lastMedia;
  }
  return peer ? peer->Report() : MediaReport{};
}

MediaReport Simulator::WaitForMedia(const std::function<bool(const MediaReport&)>& done,
                                    std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  std::shared_ptr<MediaPeer> peer;
  {
    std::unique_lock lk(impl_->mu);
    impl_->changed.wait_until(lk, deadline, [&] { return impl_->media != nullptr; });
    peer = impl_->media ? impl_->media : impl_->lastMedia;
  }
  if (!peer) return {};
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return peer->WaitFor(done, std::max(left, std::chrono::milliseconds(0)));
}

void Simulator::SetKeepAlivePeriod(std::chrono::milliseconds period) {
  std::lock_guard lk(impl_->mu);
  impl_->keepAlive = std::max(period, std::chrono::milliseconds(0));
  impl_->nextPoll = Clock::now() + impl_->keepAlive;
  impl_->changed.notify_all();
}

void Simulator::SetSilent(bool silent) {
  std::lock_guard lk(impl_->mu);
  impl_->silent = silent;
}

void Simulator::SetGarbageBeforeReplies(std::vector<uint8_t> bytes) {
  std::lock_guard lk(impl_->mu);
  impl_->garbage = std::move(bytes);
}

bool Simulator::SendOversizeFrame(uint16_t declaredLength, uint16_t c, uint8_t fill) {
  std::vector<uint8_t> payload(declaredLength, fill);
  std::lock_guard lk(impl_->mu);
  if (impl_->clientFd < 0) return false;
  impl_->PushLocked(Impl::FrameItem(0, c, payload));
  return true;
}

void Simulator::SetSpacedRecords(int count, std::chrono::milliseconds spacing) {
  std::lock_guard lk(impl_->mu);
  impl_->spacedCount = std::max(count, 0);
  impl_->spacing = std::max(spacing, std::chrono::milliseconds(0));
}

}  // namespace pbxsim
