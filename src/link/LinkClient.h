// The link client: the current link object, the synchronous request, the
// data-memory cache, keep-alive and the dispatcher of received frames.
//
// Threading:
// - Connect, Close, SetPbxAddress: window thread only.
// - SendFrame, RequestAndWait and the data-memory operations: window thread
//   and pipe thread. Requests are serialised process-wide: one at a time.
// - DispatchFrame and OnLinkFailure: the receive thread of the current link.
// - State() and Cache(): any thread (atomics / the cache's own lock).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/CliSocket.h"
#include "link/DataMemCache.h"
#include "link/LinkEventSink.h"
#include "link/LinkState.h"

namespace zy {

class LinkClient : public FrameSink {
 public:
  static constexpr std::chrono::milliseconds kDefaultReplyTimeout{10000};

  explicit LinkClient(LinkEventSink* sink = nullptr);
  ~LinkClient() override;
  LinkClient(const LinkClient&) = delete;
  LinkClient& operator=(const LinkClient&) = delete;

  // Set before the first link is opened; the sink must outlive the client.
  void SetSink(LinkEventSink* sink) { sink_ = sink; }
  // Sees every received frame before it is acted on, on the receive thread
  // (traces, the command-line client's watch). Set before opening a link.
  using FrameObserver = std::function<void(const ReceivedFrame&)>;
  void SetFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }
  // Time without any received frame after which a request gives up.
  void SetReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }
  // Waits by sleeping in 1 ms steps instead of on the condition variable;
  // kept only so benchmarks can show what the condition variable buys.
  void SetPollingWait(bool polling) { pollingWait_ = polling; }
  void SetConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }

  // PBX address (dotted IPv4) and TCP port used by the next connection.
  void SetPbxAddress(std::string address, uint16_t port);
  const std::string& PbxAddress() const { return address_; }

  // Replaces the current link object with a new one and opens it. On
  // failure `askRetry(stringId, code)` decides: true tries again (it may
  // change the address first), false gives up and Connect returns false.
  using RetryDecision = std::function<bool(int stringId, int64_t code)>;
  bool Connect(const RetryDecision& askRetry);
  // One attempt; the failure is in LastError.
  bool OpenLink();
  void Close();
  bool HasLink() const;
  bool LinkUp() const;
  int LastErrorStringId() const { return lastErrorId_; }
  int64_t LastErrorCode() const { return lastErrorCode_; }

  bool SendFrame(const uint8_t* bytes, size_t count);
  bool SendFrame(const std::vector<uint8_t>& frame) {
    return SendFrame(frame.data(), frame.size());
  }
  // Sends a whole frame and waits for an end-of-reply frame, or for the
  // reply time-out counted from the last received frame. True when a reply
  // arrived; its code is then State().lastReplyCode.
  bool RequestAndWait(const std::vector<uint8_t>& frame);

  // Data memory.
  // Nothing when the PBX has no such record or did not answer; `answered`
  // tells the two apart.
  std::optional<std::string> ReadParameter(uint16_t owner, uint16_t parameter,
                                           bool* answered = nullptr);
  bool ReadParameterRange(uint16_t mask, uint16_t value);
  bool NextParameter(uint64_t& position, uint16_t mask, uint16_t value, uint16_t& owner,
                     std::string* payload = nullptr) const;
  bool WriteParameter(uint16_t owner, uint16_t parameter, std::span<const uint8_t> data);
  bool WriteParameter(uint16_t owner, uint16_t parameter, std::string_view text);
  bool DeleteParameter(uint16_t owner, uint16_t parameter);
  void ClearCache() { cache_.Clear(); }

  // Keep-alive: SendKeepAlive sends the frame; KeepAliveTick is the phone's
  // 5 s timer: it sends one keep-alive when the PBX has polled since the last
  // tick, and nothing otherwise.
  bool SendKeepAlive();
  bool KeepAliveTick();

  LinkState& State() { return state_; }
  const LinkState& State() const { return state_; }
  DataMemCache& Cache() { return cache_; }

  // FrameSink, on the receive thread.
  void DispatchFrame(const uint8_t* buffer) override;
  void OnLinkFailure(int stringId, int64_t code) override;

 private:
  void EndOfReply(uint16_t code);
  void OnLoginAccepted(const ReceivedFrame& f);
  void OnMediaControl(const ReceivedFrame& f);
  void OnDialRequestFrame(const ReceivedFrame& f);

  LinkEventSink* sink_;
  FrameObserver observer_;
  std::string address_ = "127.0.0.1";
  uint16_t port_ = 40008;
  int connectTimeoutMs_ = 10000;
  std::chrono::milliseconds replyTimeout_ = kDefaultReplyTimeout;
  bool pollingWait_ = false;
  int lastErrorId_ = 0;
  int64_t lastErrorCode_ = -1;

  mutable std::mutex linkMutex_;  // guards link_ (not held while closing)
  std::unique_ptr<CCliSocket> link_;

  std::mutex requestMutex_;  // one synchronous request at a time
  std::mutex replyMutex_;    // guards the fields below
  std::condition_variable replyCv_;
  bool replyReceived_ = false;
  std::atomic<bool> waiting_{false};
  std::chrono::steady_clock::time_point deadline_;

  LinkState state_;
  DataMemCache cache_;
};

}  // namespace zy
