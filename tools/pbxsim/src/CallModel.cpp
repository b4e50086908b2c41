#include "CallModel.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "pbxsim/Frame.h"

namespace pbxsim {

namespace {

constexpr uint16_t kStatusCode = code::kStatusLine;  // display lines and status records
constexpr uint16_t kDisplayCode = code::kDisplay;    // display and indicator stream
constexpr uint16_t kMediaCode = code::kMediaControl;
constexpr uint16_t kCallRecordCode = code::kCallRecord;

constexpr uint8_t kInverse = 0x01;

constexpr uint8_t kStatusBusy = 0x01;
constexpr uint8_t kStatusSpeech = 0x02;

// Display stream commands.
constexpr uint8_t kRingStop = '(';
constexpr uint8_t kRingTrunk = ')';
constexpr uint8_t kRingExtension = '*';
constexpr uint8_t kCursor = 0x50;
constexpr uint8_t kCursorHidden = 0xFF;
constexpr uint8_t kLampOff = 0x40;
constexpr uint8_t kLampOn = 0x41;
constexpr uint8_t kLampNd = 16, kLampMessages = 17, kLampCalls = 18, kLampUc = 19;

constexpr size_t kMaxDigits = 24;
constexpr size_t kMaxRecords = 100;
constexpr int kDigitsLine = 3;

// Keypad keys of the phone and the digit each stands for.
constexpr std::pair<char, char> kKeypad[] = {
    {',', '1'}, {':', '2'}, {';', '3'}, {'[', '4'}, {']', '5'}, {'{', '6'},
    {'}', '7'}, {'(', '8'}, {')', '9'}, {'.', '0'}, {'!', '*'}, {'|', '#'},
};

// Characters typed on the PC keyboard while the display shows a cursor: blank
// to '@' arrive as these codes.
constexpr uint16_t kTypedBlank = 0x802A;
constexpr uint16_t kTypedAt = kTypedBlank + ('@' - ' ');

bool IsDialChar(uint16_t c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; }

// The digit of a key; `keypad` tells a keypad key from a typed digit.
std::optional<char> KeyDigit(uint16_t key, bool& keypad) {
  if (IsDialChar(key)) {
    keypad = false;
    return static_cast<char>(key);
  }
  if (key >= kTypedBlank && key <= kTypedAt && IsDialChar(key - kTypedBlank + ' ')) {
    keypad = false;
    return static_cast<char>(key - kTypedBlank + ' ');
  }
  for (const auto& [k, d] : kKeypad) {
    if (key == static_cast<uint16_t>(k)) {
      keypad = true;
      return d;
    }
  }
  return std::nullopt;
}

std::string Fit(std::string s) {
  if (s.size() > kDisplayColumns) s.resize(kDisplayColumns);
  return s;
}

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  return buf;
}

std::tm LocalTime(std::chrono::system_clock::time_point t) {
  std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return tm;
}

const char* RecordWord(uint8_t type) {
  switch (type) {
    case calltype::kMissed:
      return "Persa";
    case calltype::kReceived:
      return "Ricevuta";
    default:
      return "Fatta";
  }
}

}  // namespace

// ---------------------------------------------------------------- plain values

std::string MediaService::DisplayName() const {
  if (!name.empty()) return name;
  switch (mode) {
    case MediaMode::kEcho:
      return "Servizio eco";
    case MediaMode::kTone:
      return "Tono " + std::to_string(toneHz) + " Hz";
    case MediaMode::kWav:
      return "Messaggio";
  }
  return "";
}

const char* CallStateName(CallState state) {
  switch (state) {
    case CallState::kIdle:
      return "idle";
    case CallState::kDialing:
      return "dialing";
    case CallState::kRingback:
      return "ringback";
    case CallState::kTalking:
      return "talking";
    case CallState::kInvalid:
      return "invalid";
    case CallState::kRinging:
      return "ringing";
    case CallState::kEnded:
      return "ended";
  }
  return "?";
}

std::vector<uint8_t> CallRecord::Payload() const {
  const std::string texts[] = {
      Hex(type),
      "1",
      number,
      Hex(static_cast<uint8_t>(year - 2000)),
      Hex(static_cast<unsigned>(month << 8 | day)),
      Hex(static_cast<unsigned>(hour << 8 | minute)),
      Hex(partyId),
      Hex(callId),
  };
  std::vector<uint8_t> p;
  for (const auto& t : texts) {
    p.insert(p.end(), t.begin(), t.end());
    p.push_back(0);
  }
  return p;
}

// ---------------------------------------------------------------- the model

CallModel::CallModel(const Scenario& scenario, CallSink& sink)
    : scenario_(scenario), sink_(sink), wall_([] { return std::chrono::system_clock::now(); }) {}

void CallModel::LoggedIn(const Extension& ext, uint8_t codecByte, Clock::time_point now) {
  LoggedOut();
  loggedIn_ = true;
  extId_ = ext.id;
  extNumber_ = ext.number.value_or("");
  extName_ = ext.name.value_or("");
  codecByte_ = codecByte;
  ToIdle();
  shown_.reset();
  shownStatus_.reset();
  shownCursor_.reset();
  Show(true);
  if (const auto& plan = scenario_.RingIn()) ringInDue_ = now + plan->afterLogin;
  ScheduleClock(now);
}

void CallModel::LoggedOut() {
  if (loggedIn_ && state_ != CallState::kIdle) FinishCall(false);
  loggedIn_ = false;
  status_ = 0;
  ToIdle();
  dialDue_.reset();
  ringInDue_.reset();
  clockDue_.reset();
}

void CallModel::ToIdle() {
  state_ = CallState::kIdle;
  page_ = Page::kHome;
  digits_.clear();
  dialDue_.reset();
  incoming_ = answered_ = recordDue_ = false;
}

// ---------------------------------------------------------------- keys

void CallModel::Key(uint16_t key, Clock::time_point now) {
  if (!loggedIn_) return;
  bool keypad = false;
  if (auto digit = KeyDigit(key, keypad)) {
    if (state_ == CallState::kIdle) {
      if (!keypad) {
        // A typed digit on hook dials hands-free, as a number handed to the
        // phone by another program arrives.
        StartDialing();
        AddDigit(*digit, now);
      } else if (*digit >= '1' && *digit <= '3') {
        page_ = *digit == '1' ? Page::kDirectory : *digit == '2' ? Page::kMessages : Page::kCalls;
        if (page_ == Page::kCalls) missedUnseen_[extId_] = false;
        Show();
      }
    } else if (state_ == CallState::kDialing) {
      AddDigit(*digit, now);
    }
    return;
  }
  switch (key) {
    case 'p':
      Show(true);
      break;
    case 'X':
      if (state_ == CallState::kIdle) {
        StartDialing();
      } else if (state_ == CallState::kRinging) {
        SendRing(kRingStop);
        answered_ = true;
        const MediaService* s = scenario_.FindMediaService(number_);
        MediaService echo;
        echo.number = number_;
        StartTalking(s ? *s : echo);
      }
      break;
    case '$':
      HangUp();
      break;
    case 'C':
      if (state_ == CallState::kDialing && !digits_.empty()) {
        digits_.pop_back();
        dialDue_.reset();
        Show();
      } else if (state_ == CallState::kIdle && page_ != Page::kHome) {
        page_ = Page::kHome;
        Show();
      }
      break;
    case 'L':
      if (state_ == CallState::kIdle && page_ != Page::kHome) {
        page_ = Page::kHome;
        Show();
      }
      break;
    default:
      break;
  }
}

void CallModel::StartDialing() {
  ToIdle();
  state_ = CallState::kDialing;
  Show();
}

void CallModel::AddDigit(char digit, Clock::time_point now) {
  if (digit == '#' && !digits_.empty()) {
    PlaceCall();
    return;
  }
  if (digits_.size() >= kMaxDigits) return;
  digits_.push_back(digit);
  Show();
  if (CompletesAlone(digits_)) {
    PlaceCall();
  } else if (scenario_.DialPause().count() > 0) {
    dialDue_ = now + scenario_.DialPause();
  }
}

// True when the digits are a known number that no longer known number
// begins with: nothing more can follow.
bool CallModel::CompletesAlone(const std::string& digits) const {
  bool exact = false;
  auto check = [&](const std::string& n) {
    if (n == digits) exact = true;
    return n.size() > digits.size() && n.compare(0, digits.size(), digits) == 0;
  };
  for (const auto& s : scenario_.MediaServices()) {
    if (check(s.number)) return false;
  }
  for (const auto& e : scenario_.Extensions()) {
    if (e.number && check(*e.number)) return false;
  }
  return exact;
}

void CallModel::PlaceCall() {
  dialDue_.reset();
  number_ = digits_;
  digits_.clear();
  name_.clear();
  partyId_ = 0;
  incoming_ = false;
  answered_ = false;
  callId_ = nextCallId_++;
  callStart_ = wall_();
  if (const MediaService* s = scenario_.FindMediaService(number_)) {
    name_ = s->DisplayName();
    recordDue_ = true;
    answered_ = true;
    sink_.Log("call " + number_ + ": service");
    StartTalking(*s);
    return;
  }
  const Extension* e = scenario_.FindExtension(number_);
  if (e && e->id != extId_) {
    name_ = e->name.value_or("");
    partyId_ = e->id;
    recordDue_ = true;
    state_ = CallState::kRingback;
    sink_.Log("call " + number_ + ": ringing");
  } else {
    invalidText_ = e ? "Numero occupato" : "Numero inesistente";
    recordDue_ = false;
    state_ = CallState::kInvalid;
    sink_.Log("call " + number_ + ": " + invalidText_);
  }
  Show();
}

void CallModel::StartTalking(const MediaService& service) {
  if (service.codec) {
    codec_ = *service.codec == codec::kG729 ? codec::kG729 : codec::kG711;
  } else {
    codec_ = codecByte_ == 8 || codecByte_ == 24 ? codec::kG729 : codec::kG711;
  }
  state_ = CallState::kTalking;
  Show();
  auto ep = sink_.StartMedia(service, codec_, Info());
  if (!ep) {
    sink_.Log("call " + number_ + ": no media");
    return;
  }
  media_ = true;
  mediaPort_ = ep->port;
  std::vector<uint8_t> p = {
      codec_,
      static_cast<uint8_t>(ep->port >> 8),
      static_cast<uint8_t>(ep->port),
      static_cast<uint8_t>(ep->address >> 24),
      static_cast<uint8_t>(ep->address >> 16),
      static_cast<uint8_t>(ep->address >> 8),
      static_cast<uint8_t>(ep->address),
  };
  sink_.SendToPhone(1, kMediaCode, std::move(p));
}

void CallModel::StopMediaFrames(bool send) {
  if (!media_) return;
  sink_.StopMedia();
  media_ = false;
  mediaPort_ = 0;
  if (send) sink_.SendToPhone(0, kMediaCode, {});
}

void CallModel::HangUp() {
  switch (state_) {
    case CallState::kIdle:
      if (page_ != Page::kHome) {
        page_ = Page::kHome;
        Show();
      }
      break;
    case CallState::kRinging:
      SendRing(kRingStop);
      FinishCall(true);
      break;
    default:
      FinishCall(true);
      break;
  }
}

// Ends whatever call there is: media off, the phone idle, then the record.
void CallModel::FinishCall(bool send) {
  StopMediaFrames(send);
  std::optional<CallRecord> record;
  if (recordDue_) record = MakeRecord();
  ToIdle();
  if (record) Keep(*record);
  if (send) Show();
  if (record && send) sink_.SendToPhone(extId_, kCallRecordCode, record->Payload());
}

CallRecord CallModel::MakeRecord() const {
  CallRecord r;
  r.extensionId = extId_;
  r.type = !incoming_ ? calltype::kMade : answered_ ? calltype::kReceived : calltype::kMissed;
  r.number = number_;
  std::tm tm = LocalTime(callStart_);
  r.year = tm.tm_year + 1900;
  r.month = tm.tm_mon + 1;
  r.day = tm.tm_mday;
  r.hour = tm.tm_hour;
  r.minute = tm.tm_min;
  r.partyId = partyId_;
  r.callId = callId_;
  return r;
}

void CallModel::Keep(const CallRecord& r) {
  if (r.type == calltype::kMissed) missedUnseen_[r.extensionId] = true;
  auto& list = records_[r.extensionId];
  list.push_back(r);
  if (list.size() > kMaxRecords) list.pop_front();
  sink_.Log("call record " + std::to_string(r.type) + " " + r.number);
}

// ---------------------------------------------------------------- from outside

bool CallModel::RingIn(const std::string& number, const std::string& name) {
  if (!loggedIn_ || state_ != CallState::kIdle || number.empty()) return false;
  ToIdle();
  number_ = number;
  name_ = name;
  partyId_ = 0;
  const Extension* e = scenario_.FindExtension(number);
  if (e) {
    partyId_ = e->id;
    if (name_.empty()) name_ = e->name.value_or("");
  } else if (const MediaService* s = scenario_.FindMediaService(number); s && name_.empty()) {
    name_ = s->DisplayName();
  }
  incoming_ = true;
  answered_ = false;
  recordDue_ = true;
  callId_ = nextCallId_++;
  callStart_ = wall_();
  state_ = CallState::kRinging;
  sink_.Log("incoming call from " + number);
  Show();
  SendRing(e ? kRingExtension : kRingTrunk);
  return true;
}

bool CallModel::RemoteAnswer() {
  if (state_ != CallState::kRingback) return false;
  answered_ = true;
  MediaService echo;
  echo.number = number_;
  StartTalking(echo);
  return true;
}

bool CallModel::RemoteHangUp() {
  switch (state_) {
    case CallState::kRinging:
      SendRing(kRingStop);
      FinishCall(true);
      return true;
    case CallState::kRingback:
    case CallState::kTalking:
      StopMediaFrames(true);
      if (recordDue_) {
        CallRecord r = MakeRecord();
        Keep(r);
        sink_.SendToPhone(extId_, kCallRecordCode, r.Payload());
      }
      recordDue_ = false;
      state_ = CallState::kEnded;
      Show();
      return true;
    default:
      return false;
  }
}

void CallModel::WriteLine(uint8_t line, uint8_t attributes, const std::string& text) {
  uint16_t subject = static_cast<uint16_t>(attributes << 8 | line);
  sink_.SendToPhone(subject, kStatusCode, std::vector<uint8_t>(text.begin(), text.end()));
  if (shown_ && line < kDisplayLines && !(attributes & 0x04)) {
    (*shown_)[line] = {attributes, Fit(text)};
  }
}

void CallModel::ForgetStatus() {
  shownStatus_.reset();
  shownCursor_.reset();
}

// ---------------------------------------------------------------- time

void CallModel::Tick(Clock::time_point now) {
  if (dialDue_ && now >= *dialDue_) {
    dialDue_.reset();
    if (state_ == CallState::kDialing && !digits_.empty()) PlaceCall();
  }
  if (ringInDue_ && now >= *ringInDue_) {
    ringInDue_.reset();
    const auto& plan = scenario_.RingIn();
    if (plan && !RingIn(plan->number, plan->name)) sink_.Log("planned call not placed: busy");
  }
  if (clockDue_ && now >= *clockDue_) {
    ScheduleClock(now);
    if (state_ == CallState::kIdle) Show();  // only the clock line changes
  }
}

void CallModel::ScheduleClock(Clock::time_point now) {
  std::tm tm = LocalTime(wall_());
  clockDue_ = now + std::chrono::seconds(60 - std::min(tm.tm_sec, 59));
}

std::optional<CallModel::Clock::time_point> CallModel::Deadline() const {
  std::optional<Clock::time_point> d;
  for (const auto& t : {dialDue_, ringInDue_, clockDue_}) {
    if (t && (!d || *t < *d)) d = t;
  }
  return d;
}

// ---------------------------------------------------------------- the display

std::string CallModel::Header() const {
  std::string name = extName_;
  size_t room = kDisplayColumns - std::min(kDisplayColumns, extNumber_.size() + 1);
  if (name.size() > room) name.resize(room);
  std::string pad(kDisplayColumns - name.size() - std::min(kDisplayColumns, extNumber_.size()),
                  ' ');
  return Fit(name + pad + extNumber_);
}

std::string CallModel::DateLine() const {
  static const char* const kDays[] = {"Dom", "Lun", "Mar", "Mer", "Gio", "Ven", "Sab"};
  std::tm tm = LocalTime(wall_());
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s %02d/%02d/%04d  %02d:%02d", kDays[tm.tm_wday % 7], tm.tm_mday,
                tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min);
  return buf;
}

CallModel::Screen CallModel::Compose() const {
  Screen s;
  s[0] = {kInverse, Header()};
  auto set = [&](int line, std::string text) { s[line].text = Fit(std::move(text)); };
  switch (state_) {
    case CallState::kIdle:
      switch (page_) {
        case Page::kHome:
          set(1, DateLine());
          set(3, "1. Rubrica");
          set(4, "2. Messaggi");
          set(5, "3. Chiamate");
          break;
        case Page::kDirectory: {
          s[1] = {kInverse, "Rubrica"};
          int line = 2;
          for (const auto& e : scenario_.Extensions()) {
            if (line > 10) break;
            if (!e.number || e.id == extId_) continue;
            set(line++, *e.number + " " + e.name.value_or(""));
          }
          set(11, "Cancella: indietro");
          break;
        }
        case Page::kMessages:
          s[1] = {kInverse, "Messaggi"};
          set(3, "Nessun messaggio");
          set(11, "Cancella: indietro");
          break;
        case Page::kCalls: {
          s[1] = {kInverse, "Chiamate"};
          auto it = records_.find(extId_);
          int line = 2;
          if (it == records_.end() || it->second.empty()) set(3, "Nessuna chiamata");
          if (it != records_.end()) {
            for (auto r = it->second.rbegin(); r != it->second.rend() && line <= 10; ++r) {
              char buf[96];
              std::snprintf(buf, sizeof buf, "%-8s %s %02d/%02d %02d:%02d", RecordWord(r->type),
                            r->number.substr(0, 12).c_str(), r->day, r->month, r->hour, r->minute);
              set(line++, buf);
            }
          }
          set(11, "Cancella: indietro");
          break;
        }
      }
      break;
    case CallState::kDialing:
      set(2, "Selezionare numero");
      set(kDigitsLine, digits_);
      break;
    case CallState::kRingback:
      set(2, "Chiamata in corso");
      set(3, number_);
      set(4, name_);
      break;
    case CallState::kTalking:
      set(2, "In conversazione");
      set(3, number_);
      set(4, name_);
      break;
    case CallState::kInvalid:
      set(2, invalidText_);
      set(3, number_);
      break;
    case CallState::kRinging:
      set(2, "Chiamata in arrivo");
      set(3, number_);
      set(4, name_);
      break;
    case CallState::kEnded:
      set(2, "Chiamata terminata");
      set(3, number_);
      set(4, name_);
      break;
  }
  return s;
}

std::vector<uint8_t> CallModel::StatusStream() const {
  const bool busy = state_ != CallState::kIdle && state_ != CallState::kRinging;
  const uint8_t status = busy ? (kStatusBusy | kStatusSpeech) : 0;
  auto missed = missedUnseen_.find(extId_);
  const bool calls = missed != missedUnseen_.end() && missed->second;
  return {static_cast<uint8_t>(0x80 | status), kLampOff,   kLampNd,  kLampOff, kLampMessages,
          calls ? kLampOn : kLampOff,          kLampCalls, kLampOff, kLampUc};
}

std::vector<uint8_t> CallModel::CursorStream() const {
  if (state_ != CallState::kDialing) return {kCursor, kCursorHidden};
  auto column = static_cast<uint8_t>(std::min(digits_.size(), kDisplayColumns - 1));
  return {kCursor, static_cast<uint8_t>(kDigitsLine * kDisplayColumns + column)};
}

// Status first, then the lines that changed, then the cursor (placed on the
// text it follows).
void CallModel::Show(bool force) {
  if (!loggedIn_) return;
  std::vector<uint8_t> status = StatusStream();
  if (force || shownStatus_ != status) {
    sink_.SendToPhone(extId_, kDisplayCode, status);
    shownStatus_ = status;
    status_ = status[0] & 0x1F;
  }
  Screen screen = Compose();
  for (int i = 0; i < kDisplayLines; ++i) {
    if (force || !shown_ || (*shown_)[i] != screen[i]) {
      const Line& l = screen[i];
      sink_.SendToPhone(static_cast<uint16_t>(l.attributes << 8 | i), kStatusCode,
                        std::vector<uint8_t>(l.text.begin(), l.text.end()));
    }
  }
  shown_ = screen;
  std::vector<uint8_t> cursor = CursorStream();
  if (force || shownCursor_ != cursor) {
    sink_.SendToPhone(extId_, kDisplayCode, cursor);
    shownCursor_ = cursor;
  }
}

void CallModel::SendRing(uint8_t command) { sink_.SendToPhone(extId_, kDisplayCode, {command}); }

// ---------------------------------------------------------------- inspection

CallInfo CallModel::Info() const {
  CallInfo c;
  c.state = state_;
  c.loggedIn = loggedIn_;
  c.extensionId = extId_;
  c.digits = digits_;
  c.number = number_;
  c.name = name_;
  c.incoming = incoming_;
  c.mediaRunning = media_;
  c.codec = codec_;
  c.mediaPort = mediaPort_;
  c.callId = callId_;
  c.phoneStatus = status_;
  if (shown_) {
    for (int i = 0; i < kDisplayLines; ++i) c.lines[i] = (*shown_)[i].text;
  }
  return c;
}

std::vector<CallRecord> CallModel::Records(uint16_t extensionId) const {
  auto it = records_.find(extensionId);
  if (it == records_.end()) return {};
  return {it->second.begin(), it->second.end()};
}

void CallModel::ClearRecords(uint16_t extensionId) { records_.erase(extensionId); }

}  // namespace pbxsim
