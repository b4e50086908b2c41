// zyphone-cli: logs into the PBX with the phone's settings and core code,
// reads data memory, and shows what the PBX sends.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "CliOptions.h"
#include "app/FirstLogin.h"
#include "app/PhoneStream.h"
#include "app/SettingsStore.h"
#include "link/FrameBuilders.h"
#include "link/LinkClient.h"
#include "link/LinkMessages.h"
#include "link/Session.h"
#include "media/AudioEngine.h"
#include "media/DeviceSettings.h"
#include "media/MediaControl.h"
#include "platform/Cp1252.h"
#include "platform/VirtualAudioDevice.h"
#if ZYPHONE_HAVE_QT
#include "platform/QtSettingsStore.h"
#endif

namespace zy::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitLink = 2;

// Prints a Windows-1252 text on the UTF-8 terminal.
void PrintLine(FILE* out, const std::string& cp1252) {
  std::fprintf(out, "%s\n", Cp1252ToUtf8(cp1252).c_str());
}

// Remembers the link's failure and wakes the main thread.
class Events : public LinkEventSink {
 public:
  void OnLinkError(int stringId, int64_t code) override {
    {
      std::lock_guard lock(mutex_);
      errorId_ = stringId;
      errorCode_ = code;
    }
    cv_.notify_all();
  }
  // Waits until the deadline or a link failure; true when the link failed.
  bool WaitForFailure(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    return cv_.wait_until(lock, until, [&] { return errorId_ != 0; });
  }
  // With `login --stay`: what the PBX shows, one line each, as the phone
  // window would apply it.
  void OnStatus(uint16_t subject, std::vector<uint8_t> payload) override {
    if (!printDisplay_) return;
    PrintActions(stream_->Status(subject, payload));
  }
  void OnDisplay(std::vector<uint8_t> payload) override {
    if (!printDisplay_) return;
    const uint8_t before = stream_->PhoneStatus();
    PrintActions(stream_->Display(payload));
    if (stream_->PhoneStatus() != before) {
      char line[16];
      std::snprintf(line, sizeof line, "STATUS 0x%02x", stream_->PhoneStatus());
      Print(line);
    }
  }
  void OnMedia(uint16_t subject) override {
    if (printDisplay_) Print("M|" + std::to_string(subject));
    std::lock_guard lock(mutex_);
    if (onMedia_) onMedia_(subject);
  }
  // `call`: where the media events go (on the receive thread).
  void SetMediaHandler(std::function<void(uint16_t)> handler) {
    std::lock_guard lock(mutex_);
    onMedia_ = std::move(handler);
  }
  // Called once, before the display is printed; the stream is then used on
  // the receive thread only.
  void PrintDisplay(PhoneLayout layout, bool isOperator) {
    stream_ = std::make_unique<PhoneStream>(layout, isOperator);
    printDisplay_ = true;
  }
  int errorId() const { return errorId_; }
  int64_t errorCode() const { return errorCode_; }
  void Print(const std::string& cp1252) {
    std::lock_guard lock(printMutex_);
    PrintLine(stdout, cp1252);
    std::fflush(stdout);
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int errorId_ = 0;
  int64_t errorCode_ = -1;
  void PrintActions(const PhoneActions& actions) {
    static const char* const kLamps[] = {"ND", "MESSAGES", "CALLS", "UC", "MUTE", "ALARM", "ID"};
    for (const PhoneAction& action : actions) {
      if (const auto* a = std::get_if<DisplayLineAction>(&action)) {
        char head[8];
        std::snprintf(head, sizeof head, "L%02d|", a->line.line);
        Print(head + a->line.text);
      } else if (const auto* lamp = std::get_if<SetLampAction>(&action)) {
        Print(std::string("LAMP ") + kLamps[static_cast<int>(lamp->lamp)] +
              (lamp->on ? " on" : " off"));
      } else if (const auto* ring = std::get_if<StartRingAction>(&action)) {
        Print("RING " + std::to_string(static_cast<int>(ring->sound)));
      } else if (std::holds_alternative<StopRingAction>(action)) {
        Print("RING stop");
      } else if (const auto* mode = std::get_if<ModeAction>(&action)) {
        Print("MODE " + std::to_string(mode->mode));
      }
    }
  }

  std::atomic<bool> printDisplay_{false};
  std::unique_ptr<PhoneStream> stream_;
  std::mutex printMutex_;
  std::function<void(uint16_t)> onMedia_;
};

int LinkFailure(int stringId, int64_t code) {
  PrintLine(stderr, LinkErrorText(stringId, code));
  return kExitLink;
}

int NoAnswer(LinkClient& link, Events& events) {
  if (events.errorId() != 0) return LinkFailure(events.errorId(), events.errorCode());
  if (!link.LinkUp()) return LinkFailure(kErrClosedByServer, -1);
  std::fprintf(stderr, "zyphone-cli: no answer from the PBX\n");
  return kExitLink;
}

// "owner" and "parameter" arguments: 16-bit numbers.
bool TwoWords(const Options& o, uint16_t& a, uint16_t& b) {
  if (o.args.size() != 2) return false;
  auto x = ParseNumber(o.args[0], 0xFFFF);
  auto y = ParseNumber(o.args[1], 0xFFFF);
  if (!x || !y) return false;
  a = static_cast<uint16_t>(*x);
  b = static_cast<uint16_t>(*y);
  return true;
}

// The NUL-terminated texts of a value; bytes after the last NUL count as one
// more text.
std::vector<std::string> SplitTexts(const std::string& value) {
  std::vector<std::string> texts;
  size_t start = 0;
  while (start < value.size()) {
    size_t nul = value.find('\0', start);
    if (nul == std::string::npos) nul = value.size();
    texts.push_back(value.substr(start, nul - start));
    start = nul + 1;
  }
  return texts;
}

int Param(LinkClient& link, Events& events, const Options& o) {
  uint16_t owner, parameter;
  if (!TwoWords(o, owner, parameter)) {
    std::fprintf(stderr, "zyphone-cli: param OWNER PARAM (16-bit numbers)\n");
    return kExitLink;
  }
  bool answered = false;
  auto value = link.ReadParameter(owner, parameter, &answered);
  if (!answered) return NoAnswer(link, events);
  if (!value) {
    std::fprintf(stderr, "zyphone-cli: no record 0x%04x 0x%04x\n", owner, parameter);
    return kExitNotFound;
  }
  for (const std::string& t : SplitTexts(*value)) PrintLine(stdout, t);
  return kExitOk;
}

int Range(LinkClient& link, Events& events, const Options& o) {
  uint16_t mask, value;
  if (!TwoWords(o, mask, value)) {
    std::fprintf(stderr, "zyphone-cli: range MASK VALUE (16-bit numbers)\n");
    return kExitLink;
  }
  if (!link.ReadParameterRange(mask, value)) return NoAnswer(link, events);
  uint64_t position = 0;
  uint16_t owner = 0, parameter = 0;
  std::string payload;
  while (link.Cache().Next(position, mask, value, owner, parameter, &payload)) {
    std::string joined;
    for (const std::string& t : SplitTexts(payload)) {
      if (!joined.empty()) joined += '|';
      joined += t;
    }
    char head[32];
    std::snprintf(head, sizeof head, "0x%04x 0x%04x ", owner, parameter);
    PrintLine(stdout, head + joined);
  }
  return kExitOk;
}

int Watch(LinkClient& link, Events& events, const Options& o) {
  auto seconds = o.args.size() == 1 ? ParseNumber(o.args[0], 86400 * 365) : std::nullopt;
  if (!seconds) {
    std::fprintf(stderr, "zyphone-cli: watch SECONDS\n");
    return kExitLink;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(*seconds);
  const auto tick = std::chrono::milliseconds(o.tickMs);
  for (auto next = std::chrono::steady_clock::now() + tick;; next += tick) {
    const auto until = next < end ? next : end;
    if (events.WaitForFailure(until)) return LinkFailure(events.errorId(), events.errorCode());
    if (until == end) return kExitOk;
    link.KeepAliveTick();
  }
}

// Keys typed on standard input: each character one key; the words "offhook"
// and "onhook" the hook keys.
void SendTypedLine(LinkClient& link, const std::string& line) {
  if (line == "offhook") {
    SendKey(link, 'X');
  } else if (line == "onhook") {
    SendKey(link, '$');
  } else {
    for (unsigned char c : line) SendKey(link, c);
  }
}

// The stored login, with what the options give instead. Options are UTF-8
// from the terminal; stored settings are Windows-1252 already.
LoginParams LoginParamsFor(const Options& o, const StartupSettings& settings) {
  LoginParams params = LoginParamsOf(settings);
  if (o.extension) params.extension = Utf8ToCp1252(*o.extension);
  if (o.password) params.password = Utf8ToCp1252(*o.password);
  if (o.rtpPort) params.rtpPort = *o.rtpPort;
  if (o.codec) params.codecCode = CodecCode(*o.codec);
  return params;
}

int Login(LinkClient& link, Events& events, const Options& o, const StartupSettings& settings) {
  SessionFlags flags;
  const LoginResult login = zy::Login(link, LoginParamsFor(o, settings), flags);
  if (!login.ok) {
    if (login.noReply) {
      if (events.errorId() != 0) return LinkFailure(events.errorId(), events.errorCode());
      PrintLine(stdout, LoadString(kStrGenericConnectError));
    } else {
      PrintLine(stdout, SessionMessageText(login.message));
    }
    return kExitNotFound;
  }
  PbxModel model;
  if (!LoadModel(link, model, true) || !LoadLinesAndRoutes(link, model.lines, model.routes)) {
    PrintLine(stdout, LoadString(kStrGenericConnectError));
    return kExitNotFound;
  }
  const LinkState& st = link.State();
  std::printf("ownId 0x%04x\noperator %d\nprivileged %d\nversions %d-%d\n", st.ownId.load(),
              st.isOperator ? 1 : 0, st.privileged ? 1 : 0, st.minVersion.load(),
              st.maxVersion.load());
  std::printf("extensions %zu\nlines %zu\nroutes %zu\n", model.extensions.Size(),
              model.lines.Size(), model.routes.Size());
  std::fflush(stdout);
  if (!o.stay) return kExitOk;

  // Stay logged in as the phone does: a keep-alive within a tick of the login
  // and of every poll, keys from standard input, the display on standard
  // output. Ends at the end of input or when the link fails.
  events.PrintDisplay(LayoutForEdition(link.State().edition), link.State().isOperator);
  link.State().keepAliveDue = true;
  SendKey(link, kKeyRefresh);
  // The reader shares its state by pointer: it is detached (a blocked read of
  // the terminal must not hold the exit) and may outlive this function.
  struct Input {
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::vector<std::string> lines;
  };
  auto input = std::make_shared<Input>();
  std::thread([input] {
    std::string line;
    while (std::getline(std::cin, line)) {
      std::lock_guard lock(input->mutex);
      input->lines.push_back(line);
    }
    input->done = true;
  }).detach();
  const auto tick = std::chrono::milliseconds(o.tickMs);
  const auto poll = std::chrono::milliseconds(20);
  auto nextTick = std::chrono::steady_clock::now();
  for (;;) {
    std::vector<std::string> lines;
    const bool done = input->done;  // read before taking the lines
    {
      std::lock_guard lock(input->mutex);
      lines.swap(input->lines);
    }
    for (const auto& line : lines) SendTypedLine(link, Utf8ToCp1252(line));
    if (done && lines.empty()) return kExitOk;
    if (std::chrono::steady_clock::now() >= nextTick) {
      link.KeepAliveTick();
      nextTick += tick;
    }
    if (events.WaitForFailure(std::chrono::steady_clock::now() + poll)) {
      return LinkFailure(events.errorId(), events.errorCode());
    }
  }
}

// call NUMBER SECONDS: logs in, goes off hook, dials, and for SECONDS carries
// the call's audio as the phone does, with the virtual sound device (the
// microphone plays --capture, what is heard goes to --playback); then on
// hook. Media commands of the PBX print as M|command.
int Call(LinkClient& link, Events& events, const Options& o, const StartupSettings& settings) {
  using namespace std::chrono_literals;
  const auto seconds = o.args.size() == 2 ? ParseNumber(o.args[1], 86400) : std::nullopt;
  if (!seconds || o.args[0].empty()) {
    std::fprintf(stderr, "zyphone-cli: call NUMBER SECONDS [--capture F] [--playback F]\n");
    return kExitLink;
  }
  VirtualAudioConfig audio;
  audio.captureFile = o.capture.value_or("");
  audio.playbackFile = o.playback.value_or("");
  audio.keepRecording = false;
  VirtualAudioSystem devices(std::move(audio));
  if (!devices.Device(0).FileError().empty()) {
    std::fprintf(stderr, "zyphone-cli: %s\n", devices.Device(0).FileError().c_str());
    return kExitLink;
  }

  SessionFlags flags;
  const LoginParams params = LoginParamsFor(o, settings);
  const LoginResult login = zy::Login(link, params, flags);
  if (!login.ok) {
    if (login.noReply) return NoAnswer(link, events);
    PrintLine(stdout, SessionMessageText(login.message));
    return kExitNotFound;
  }

  MediaPath media;
  AudioEngine engine(devices, media);
  MediaControl control(engine, media);
  if (const int message = CheckAudioAvailable(engine, kDefaultAudioDevice, control)) {
    PrintLine(stderr, LoadString(message));
  }
  MediaSettings mediaSettings;
  mediaSettings.rtpPort = params.rtpPort;
  mediaSettings.symmetricRtp = settings.symmetricRtp;
  mediaSettings.echoCanc = settings.echoCanc;
  mediaSettings.vadEnable = settings.vadEnable;

  std::mutex mutex;
  std::condition_variable cv;
  std::vector<uint16_t> commands;
  events.SetMediaHandler([&](uint16_t command) {
    {
      std::lock_guard lock(mutex);
      commands.push_back(command);
    }
    cv.notify_all();
  });
  // Media commands are carried out here, on this thread, as the phone
  // window does; until `until`, or until the link fails.
  auto serve = [&](std::chrono::steady_clock::time_point until) {
    auto nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(o.tickMs);
    while (std::chrono::steady_clock::now() < until && events.errorId() == 0) {
      std::vector<uint16_t> now;
      {
        std::unique_lock lock(mutex);
        cv.wait_until(lock, std::min(until, std::chrono::steady_clock::now() + 20ms),
                      [&] { return !commands.empty(); });
        now.swap(commands);
      }
      for (uint16_t command : now) {
        events.Print("M|" + std::to_string(command));
        const int message =
            control.OnMediaCommand(command, MediaPeerOf(link.State()), mediaSettings);
        if (message != 0) {
          PrintLine(stderr, LoadString(message) + " (" +
                                std::string(AudioErrorText(control.LastAudioError())) + ")");
        }
      }
      if (std::chrono::steady_clock::now() >= nextTick) {
        link.KeepAliveTick();
        nextTick += std::chrono::milliseconds(o.tickMs);
      }
    }
  };

  link.State().keepAliveDue = true;
  SendKey(link, 'X');
  for (unsigned char c : Utf8ToCp1252(o.args[0])) SendKey(link, c);
  serve(std::chrono::steady_clock::now() + std::chrono::seconds(*seconds));
  if (events.errorId() == 0) {
    SendKey(link, '$');
    serve(std::chrono::steady_clock::now() + 300ms);  // the PBX's stop
  }
  control.StopMedia();
  events.SetMediaHandler({});
  const AudioEngine::Stats stats = engine.RunStats();
  std::printf("audio cycles %llu\nworker cpu ms %.1f\n",
              static_cast<unsigned long long>(stats.cycles), stats.workerCpuNs / 1e6);
  std::fflush(stdout);
  if (events.errorId() != 0) return LinkFailure(events.errorId(), events.errorCode());
  return kExitOk;
}

int Run(int argc, char** argv) {
  std::string error;
  auto options = ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "zyphone-cli: %s\n%s", error.c_str(), kUsage);
    return kExitLink;
  }
  const Options& o = *options;
  if (o.command == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (o.command != "param" && o.command != "range" && o.command != "watch" &&
      o.command != "login" && o.command != "call") {
    std::fprintf(stderr, "zyphone-cli: unknown command %s\n%s", o.command.c_str(), kUsage);
    return kExitLink;
  }

  StartupSettings settings;
#if ZYPHONE_HAVE_QT
  QtSettingsStore store;
  settings = LoadStartupSettings(store);
#endif
  std::string host;
  if (o.host) {
    host = *o.host;
  } else if (settings.connectToIp.value_or(false) && settings.ipAddress) {
    host = FormatDottedQuad(*settings.ipAddress);
  } else {
    std::fprintf(stderr, "zyphone-cli: no PBX address: configure the phone or give --host\n");
    return kExitLink;
  }
  const uint16_t port = o.port.value_or(static_cast<uint16_t>(settings.port));

  Events events;
  LinkClient link(&events);
  link.SetReplyTimeout(std::chrono::milliseconds(o.timeoutMs));
  link.SetPbxAddress(host, port);
  std::mutex printMutex;
  if (o.command == "watch") {
    link.SetFrameObserver([&](const ReceivedFrame& f) {
      std::lock_guard lock(printMutex);
      std::printf("0x%04x 0x%04x %u\n", f.code, f.subject, f.length);
      std::fflush(stdout);
    });
  }
  if (!link.OpenLink()) return LinkFailure(link.LastErrorStringId(), link.LastErrorCode());

  if (o.command == "param") return Param(link, events, o);
  if (o.command == "range") return Range(link, events, o);
  if (o.command == "login") return Login(link, events, o, settings);
  if (o.command == "call") return Call(link, events, o, settings);
  return Watch(link, events, o);
}

}  // namespace
}  // namespace zy::cli

int main(int argc, char** argv) { return zy::cli::Run(argc, argv); }
