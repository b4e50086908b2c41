#include "link/LinkClient.h"

#include <thread>

#include "link/Codes.h"
#include "link/Frame.h"

namespace zy {

LinkClient::LinkClient(LinkEventSink* sink) : sink_(sink) {}

LinkClient::~LinkClient() { Close(); }

void LinkClient::SetPbxAddress(std::string address, uint16_t port) {
  address_ = std::move(address);
  port_ = port;
}

bool LinkClient::Connect(const RetryDecision& askRetry) {
  for (;;) {
    if (OpenLink()) return true;
    if (!askRetry || !askRetry(lastErrorId_, lastErrorCode_)) return false;
    Close();
  }
}

bool LinkClient::OpenLink() {
  Close();
  auto link = std::make_unique<CLumoCliSocket>(*this);
  const bool ok = link->Open(address_, port_, connectTimeoutMs_);
  lastErrorId_ = ok ? 0 : link->ErrorStringId();
  lastErrorCode_ = ok ? -1 : link->ErrorCode();
  // A failed link object stays current until it is replaced; sends on it fail.
  std::lock_guard lock(linkMutex_);
  link_ = std::move(link);
  return ok;
}

void LinkClient::Close() {
  std::unique_ptr<CCliSocket> old;
  {
    std::lock_guard lock(linkMutex_);
    old = std::move(link_);
  }
  // Destroyed outside the lock: joining the receive thread may take a moment.
  old.reset();
}

bool LinkClient::HasLink() const {
  std::lock_guard lock(linkMutex_);
  return link_ != nullptr;
}

bool LinkClient::LinkUp() const {
  std::lock_guard lock(linkMutex_);
  return link_ && link_->IsUp();
}

bool LinkClient::SendFrame(const uint8_t* bytes, size_t count) {
  std::lock_guard lock(linkMutex_);
  return link_ && link_->Send(bytes, count);
}

bool LinkClient::RequestAndWait(const std::vector<uint8_t>& frame) {
  std::lock_guard request(requestMutex_);
  {
    std::lock_guard lock(replyMutex_);
    replyReceived_ = false;
    deadline_ = std::chrono::steady_clock::now() + replyTimeout_;
  }
  // Waiting before the send: a reply that beats us to the lock still
  // pushes the deadline and is seen below.
  waiting_ = true;
  struct WaitingReset {
    std::atomic<bool>& flag;
    ~WaitingReset() { flag = false; }
  } reset{waiting_};
  if (!SendFrame(frame)) return false;

  std::unique_lock lock(replyMutex_);
  if (pollingWait_) {
    while (!replyReceived_) {
      if (std::chrono::steady_clock::now() >= deadline_) return false;
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      lock.lock();
    }
    return true;
  }
  while (!replyReceived_) {
    // Every received frame moves the deadline; wait again until it holds.
    if (replyCv_.wait_until(lock, deadline_) == std::cv_status::timeout && !replyReceived_ &&
        std::chrono::steady_clock::now() >= deadline_) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> LinkClient::ReadParameter(uint16_t owner, uint16_t parameter,
                                                     bool* answered) {
  // A read always drops the stale value: no answer means no value.
  cache_.Remove(owner, parameter);
  const bool ok = RequestAndWait(BuildFrame(0, code::kRead, owner, parameter));
  if (answered) *answered = ok;
  if (!ok) return std::nullopt;
  return cache_.Find(owner, parameter);
}

bool LinkClient::ReadParameterRange(uint16_t mask, uint16_t value) {
  return RequestAndWait(BuildFrame(0, code::kRangeRead, mask, value));
}

bool LinkClient::NextParameter(uint64_t& position, uint16_t mask, uint16_t value, uint16_t& owner,
                               std::string* payload) const {
  uint16_t parameter = 0;
  return cache_.Next(position, mask, value, owner, parameter, payload);
}

bool LinkClient::WriteParameter(uint16_t owner, uint16_t parameter, std::span<const uint8_t> data) {
  if (!HasLink()) return false;
  cache_.Store(owner, parameter, data.data(), data.size());
  return SendFrame(BuildFrame(0, code::kWrite, owner, parameter, data));
}

bool LinkClient::WriteParameter(uint16_t owner, uint16_t parameter, std::string_view text) {
  return WriteParameter(
      owner, parameter,
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool LinkClient::DeleteParameter(uint16_t owner, uint16_t parameter) {
  if (!HasLink()) return false;
  // Only what the phone has seen is deleted: an uncached key sends nothing.
  if (!cache_.Remove(owner, parameter)) return true;
  return SendFrame(BuildFrame(0, code::kDelete, owner, parameter));
}

bool LinkClient::SendKeepAlive() {
  return SendFrame(BuildFrame(0, code::kKeepAlive, 0, 0, std::string_view("SPKA")));
}

bool LinkClient::KeepAliveTick() {
  if (!state_.keepAliveDue.exchange(false)) return false;
  return SendKeepAlive();
}

void LinkClient::OnLinkFailure(int stringId, int64_t code) {
  {
    // The reply can no longer come: end a waiting request now rather than
    // after the time-out.
    std::lock_guard lock(replyMutex_);
    deadline_ = std::chrono::steady_clock::now();
  }
  replyCv_.notify_all();
  if (sink_) sink_->OnLinkError(stringId, code);
}

}  // namespace zy
