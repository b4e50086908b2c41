// The call logic of the simulated PBX for the logged-in extension: it turns
// the phone's keys into display lines, status streams, media control and
// call records, and places incoming calls when told to.
//
// Not synchronised: the Simulator calls it with its lock held, and the sink
// is called back inside those calls.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pbxsim/Call.h"
#include "pbxsim/Scenario.h"

namespace pbxsim {

// The simulator's RTP endpoint of a started media call (host byte order).
struct MediaEndpoint {
  uint32_t address = 0;
  uint16_t port = 0;
};

// What the call model needs from the simulator.
class CallSink {
 public:
  virtual void SendToPhone(uint16_t subject, uint16_t code, std::vector<uint8_t> payload) = 0;
  virtual std::optional<MediaEndpoint> StartMedia(const MediaService& service, uint8_t codec,
                                                  const CallInfo& call) = 0;
  virtual void StopMedia() = 0;
  virtual void Log(const std::string& line) = 0;

 protected:
  ~CallSink() = default;
};

class CallModel {
 public:
  using Clock = std::chrono::steady_clock;
  using WallClock = std::function<std::chrono::system_clock::time_point()>;

  // Both must outlive the model; the scenario is read at every step, so
  // services added to it later are found.
  CallModel(const Scenario& scenario, CallSink& sink);

  void SetWallClock(WallClock clock) { wall_ = std::move(clock); }

  // A login was granted on the connection: the idle screen goes out.
  void LoggedIn(const Extension& ext, uint8_t codecByte, Clock::time_point now);
  // The connection ended or another login was tried: a call ends without
  // frames (its record is kept for the next request of call records).
  void LoggedOut();

  void Key(uint16_t key, Clock::time_point now);
  // Runs what is due: the end of dialling after the pause, the planned
  // incoming call, the clock line of the idle screen.
  void Tick(Clock::time_point now);
  std::optional<Clock::time_point> Deadline() const;

  bool RingIn(const std::string& number, const std::string& name);
  bool RemoteAnswer();
  bool RemoteHangUp();

  // A display line written from outside the model (kept in its picture).
  void WriteLine(uint8_t line, uint8_t attributes, const std::string& text);
  // A display stream pushed from outside: the status and cursor may have
  // changed behind the model's back, so the next screen sends them again.
  void ForgetStatus();

  CallInfo Info() const;
  std::vector<CallRecord> Records(uint16_t extensionId) const;
  void ClearRecords(uint16_t extensionId);

 private:
  struct Line {
    uint8_t attributes = 0;
    std::string text;
    bool operator==(const Line&) const = default;
  };
  using Screen = std::array<Line, kDisplayLines>;

  enum class Page { kHome, kDirectory, kMessages, kCalls };

  Screen Compose() const;
  std::string Header() const;
  std::string DateLine() const;
  std::vector<uint8_t> StatusStream() const;
  std::vector<uint8_t> CursorStream() const;
  void Show(bool force = false);
  void SendRing(uint8_t command);

  void StartDialing();
  void AddDigit(char digit, Clock::time_point now);
  bool CompletesAlone(const std::string& digits) const;
  void PlaceCall();
  void StartTalking(const MediaService& service);
  void StopMediaFrames(bool send);
  void HangUp();
  void FinishCall(bool send);
  CallRecord MakeRecord() const;
  void Keep(const CallRecord& record);
  void ToIdle();
  void ScheduleClock(Clock::time_point now);

  const Scenario& scenario_;
  CallSink& sink_;
  WallClock wall_;

  bool loggedIn_ = false;
  uint16_t extId_ = 0;
  std::string extNumber_;
  std::string extName_;
  uint8_t codecByte_ = 0;

  CallState state_ = CallState::kIdle;
  Page page_ = Page::kHome;
  std::string digits_;
  std::string number_;
  std::string name_;
  std::string invalidText_;
  uint16_t partyId_ = 0;
  bool incoming_ = false;
  bool answered_ = false;
  bool recordDue_ = false;
  bool media_ = false;
  uint8_t codec_ = 0;
  uint16_t mediaPort_ = 0;
  uint32_t callId_ = 0;
  uint32_t nextCallId_ = 1;
  std::chrono::system_clock::time_point callStart_{};

  std::optional<Clock::time_point> dialDue_;
  std::optional<Clock::time_point> ringInDue_;
  std::optional<Clock::time_point> clockDue_;

  // What the phone was last sent; nullopt: unknown, send it whole.
  std::optional<Screen> shown_;
  std::optional<std::vector<uint8_t>> shownStatus_;
  std::optional<std::vector<uint8_t>> shownCursor_;
  uint8_t status_ = 0;

  std::map<uint16_t, std::deque<CallRecord>> records_;
  std::map<uint16_t, bool> missedUnseen_;
};

}  // namespace pbxsim
