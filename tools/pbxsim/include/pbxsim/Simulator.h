// A simulated PBX: a TCP server that speaks the PBX side of the phone's link.
//
// It serves one phone at a time. It answers data-memory reads, range reads,
// writes and deletes from its own store, answers logins from the scenario's
// extensions, polls the phone with keep-alives, and records every frame the
// phone sends so that tests can inspect it. For the logged-in extension it
// plays calls: the keys the phone sends drive a call model that writes the
// display, the status and media control, runs a media peer on UDP for calls
// to media services, and reports each call with a call record (0xFE20 asks
// for the stored ones, 0xFE2E forgets them). The other requests the phone
// waits on (0xFE16-0xFE19, 0xFE1B) get a bare 0xFE01; keep-alives and
// everything else get no answer. When a phone goes away it accepts the next
// one with the same store (writes persist).
//
// Threading: every public member may be called from any thread. The server
// runs two threads of its own: one accepts and reads (and records and
// decides the answers), one writes (and runs the call model's timers), so a
// slow reply (spaced records) never stops the reading; a media call runs a
// third. The logger is called on those threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pbxsim/Call.h"
#include "pbxsim/Frame.h"
#include "pbxsim/Media.h"
#include "pbxsim/Scenario.h"

namespace pbxsim {

// Where the last login stands.
struct LoginInfo {
  bool loggedIn = false;     // a login was granted on the current connection
  size_t attempts = 0;       // 0xFE21 frames seen since start
  std::string number;        // extension number of the last attempt
  uint16_t extensionId = 0;  // object id of the last granted login
  uint16_t rtpPort = 0;      // subject of the last attempt
  uint8_t codec = 0;         // codec byte of the last attempt
  uint16_t replyCode = 0;    // what the last attempt was answered (0 = silent)
};

// Counters of bad input from the phone.
struct InputStats {
  uint64_t garbageBytes = 0;     // bytes skipped while looking for STX
  uint64_t oversizeFrames = 0;   // frames skipped for a too large length
  uint64_t truncatedFrames = 0;  // frames cut short by the end of a connection
};

class Simulator {
 public:
  explicit Simulator(Scenario scenario = {});
  ~Simulator();  // stops
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Listens on bindAddress (IPv4 text) and port; port 0 picks a free one.
  // False when the address cannot be bound or the server already runs.
  bool Start(uint16_t port = 0, const std::string& bindAddress = "127.0.0.1");
  uint16_t Port() const;
  bool Running() const;
  // Closes the client and the listener and joins the threads.
  void Stop();

  // Lines "< FE11 0000 0" (received: code, subject, payload length) and
  // "> 0102 0010 4" (sent), plus connection events. Set before Start.
  void SetLogger(std::function<void(const std::string&)> logger);

  // ---- clients
  bool ClientConnected() const;
  size_t ConnectionCount() const;  // connections accepted since Start
  bool WaitForClient(std::chrono::milliseconds timeout) const;
  // Waits until the n-th connection is accepted and still connected.
  bool WaitForConnection(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForDisconnect(std::chrono::milliseconds timeout) const;
  // Closes the current connection now.
  void DropClient();

  // ---- frames received from the phone, in arrival order
  std::vector<Frame> Received() const;
  size_t ReceivedCount() const;
  void ClearReceived();
  // Keeps at most this many frames, dropping the oldest (0 = no limit).
  void SetReceivedLimit(size_t limit);
  // The first recorded frame (already there or arriving) that matches.
  std::optional<Frame> WaitForFrame(const std::function<bool(const Frame&)>& match,
                                    std::chrono::milliseconds timeout) const;
  std::optional<Frame> WaitForCode(uint16_t code, std::chrono::milliseconds timeout) const;
  InputStats Stats() const;

  // ---- login
  LoginInfo Login() const;

  // ---- data memory
  void SetRecord(uint16_t owner, uint16_t param, const std::string& text);  // NUL appended
  void SetRawRecord(uint16_t owner, uint16_t param, std::vector<uint8_t> value);
  void EraseRecord(uint16_t owner, uint16_t param);
  std::optional<std::vector<uint8_t>> Record(uint16_t owner, uint16_t param) const;
  // The record up to its first NUL.
  std::optional<std::string> RecordText(uint16_t owner, uint16_t param) const;
  DataMemory Records() const;

  // ---- calls (README.md, "Calls")
  CallInfo Call() const;
  // Until `match` holds for the call (checked whenever the simulator changes
  // something); whether it did.
  bool WaitForCall(const std::function<bool(const CallInfo&)>& match,
                   std::chrono::milliseconds timeout) const;
  // An incoming call rings the idle phone; false when no extension is logged
  // in or the phone is not idle. An empty name takes the extension's or the
  // service's name.
  bool RingIn(const std::string& callerNumber, const std::string& name = "");
  // The called extension answers (the simulator plays it with an echo).
  bool AnswerCall();
  // The other party hangs up: a ringing call becomes a missed one, a call in
  // progress ends and waits for the phone to hang up.
  bool HangUpRemote();
  // Call records kept for an extension, oldest first.
  std::vector<CallRecord> CallRecords(uint16_t extensionId) const;
  // Additions to the scenario's services and settings, for calls from now on.
  void AddMediaService(MediaService service);
  void SetMediaSettings(MediaSettings settings);
  void SetDialPause(std::chrono::milliseconds pause);
  // The time shown on the display and written into call records.
  void SetWallClock(std::function<std::chrono::system_clock::time_point()> clock);

  // ---- media of the running call, or of the last one (ran = false before
  // the first)
  MediaReport Media() const;
  // Waits on the running call's media peer (or the next one to start).
  MediaReport WaitForMedia(const std::function<bool(const MediaReport&)>& done,
                           std::chrono::milliseconds timeout) const;

  // ---- pushing to the phone (queued behind pending replies; false when no
  // phone is connected)
  bool SendFrame(uint16_t subject, uint16_t code, const std::vector<uint8_t>& payload = {});
  bool SendRaw(std::vector<uint8_t> bytes);
  // 0xFE76: the phone dials `number`.
  bool SendDialRequest(const std::string& number);
  // 0xFE04 with the given display stream.
  bool SendDisplay(const std::vector<uint8_t>& stream);
  // 0xFE3B display line: subject = attributes << 8 | line, the text as payload.
  bool SendStatusLine(uint8_t line, uint8_t attributes, const std::string& text);
  // 0 stops the polls; a new period starts counting now.
  void SetKeepAlivePeriod(std::chrono::milliseconds period);

  // ---- fault injection
  // Record requests but send no answers (keep-alive polls go on).
  void SetSilent(bool silent);
  // These bytes go before every frame of every answer.
  void SetGarbageBeforeReplies(std::vector<uint8_t> bytes);
  // A frame whose header declares `declaredLength` payload bytes, followed by
  // that many `fill` bytes.
  bool SendOversizeFrame(uint16_t declaredLength, uint16_t code = code::kDisplay,
                         uint8_t fill = kStx);
  // Before the end of every answer, `count` extra records (owner 0x7FFE,
  // parameter 0x7777, value the decimal index from 1) are sent, the first
  // `spacing` after the request and the rest `spacing` apart.
  void SetSpacedRecords(int count, std::chrono::milliseconds spacing);

  static constexpr uint16_t kSpacedOwner = 0x7FFE;
  static constexpr uint16_t kSpacedParam = 0x7777;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pbxsim
