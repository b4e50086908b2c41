// pbxsim: runs a simulated PBX until SIGINT or SIGTERM, or writes a generated
// scenario. Usage in tools/pbxsim/README.md.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "pbxsim/Simulator.h"

namespace {

constexpr const char* kUsage =
    "usage: pbxsim [--scenario FILE] [--port N] [--bind ADDR] [--keepalive-ms N] [--verbose]\n"
    "              [--media-service NUMBER:echo|tone[:HZ]|wav:FILE]... [--record-dir DIR]\n"
    "              [--media-address ADDR] [--media-port N] [--dial-pause-ms N]\n"
    "              [--ring-in NUMBER[:NAME]] [--ring-in-after-ms N] [--commands]\n"
    "       pbxsim --generate-extensions N [--out FILE]\n";

constexpr const char* kCommandHelp =
    "commands: ring NUMBER [NAME] | answer | hangup | dial NUMBER | line N TEXT | state\n";

// A small office PBX for when no scenario is given, with an echo on 600 and a
// tone on 601.
pbxsim::Scenario DefaultScenario() {
  pbxsim::Scenario s;
  s.SetKeepAlivePeriod(std::chrono::milliseconds(5000));
  s.SetSystemOptions(0);
  const char* names[] = {"Centralino", "Ufficio 201", "Ufficio 202", "Magazzino"};
  for (int i = 0; i < 4; ++i) {
    std::string number = std::to_string(200 + i);
    auto& e = s.AddExtension(static_cast<uint16_t>(0x10 + i), number);
    e.name = names[i];
    e.password = "1234";
    e.flags = "0";
    e.grants.operatorFlag = i == 0;
  }
  s.AddTrunkLine(0x4001, "101");
  s.AddTrunkRoute(0x6001);
  pbxsim::MediaService echo;
  echo.number = "600";
  s.AddMediaService(echo);
  pbxsim::MediaService tone;
  tone.number = "601";
  tone.mode = pbxsim::MediaMode::kTone;
  s.AddMediaService(tone);
  return s;
}

bool ParseNumber(const char* text, unsigned long max, unsigned long& out) {
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || v > max || text[0] == '-') return false;
  out = v;
  return true;
}

// NUMBER:MODE[:ARG] of --media-service.
bool ParseService(const std::string& text, pbxsim::MediaService& m, std::string& error) {
  size_t c1 = text.find(':');
  if (c1 == std::string::npos || c1 == 0) {
    error = "expected NUMBER:MODE[:ARG]";
    return false;
  }
  m.number = text.substr(0, c1);
  size_t c2 = text.find(':', c1 + 1);
  std::string mode = text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
  std::string arg = c2 == std::string::npos ? "" : text.substr(c2 + 1);
  if (mode == "echo") {
    m.mode = pbxsim::MediaMode::kEcho;
  } else if (mode == "tone") {
    m.mode = pbxsim::MediaMode::kTone;
    if (!arg.empty()) {
      unsigned long hz = 0;
      if (!ParseNumber(arg.c_str(), 3999, hz) || hz == 0) {
        error = "bad tone frequency " + arg;
        return false;
      }
      m.toneHz = static_cast<int>(hz);
    }
  } else if (mode == "wav") {
    m.mode = pbxsim::MediaMode::kWav;
    m.wavFile = arg;
    std::vector<int16_t> samples;
    if (arg.empty() || !pbxsim::ReadWav(arg, samples, error)) {
      if (arg.empty()) error = "wav needs a file";
      return false;
    }
  } else {
    error = "unknown mode " + mode;
    return false;
  }
  return true;
}

// Commands typed on standard input while the simulator runs; the answer to
// print.
std::string RunCommand(pbxsim::Simulator& sim, const std::string& line) {
  std::istringstream in(line);
  std::string cmd;
  if (!(in >> cmd)) return "";
  std::string arg;
  in >> arg;
  std::string rest;
  std::getline(in >> std::ws, rest);
  bool ok = true;
  if (cmd == "ring" && !arg.empty()) {
    ok = sim.RingIn(arg, rest);
  } else if (cmd == "answer") {
    ok = sim.AnswerCall();
  } else if (cmd == "hangup") {
    ok = sim.HangUpRemote();
  } else if (cmd == "dial" && !arg.empty()) {
    ok = sim.SendDialRequest(arg);
  } else if (cmd == "line" && !arg.empty()) {
    unsigned long n = 0;
    ok = ParseNumber(arg.c_str(), 11, n) && sim.SendStatusLine(static_cast<uint8_t>(n), 0, rest);
  } else if (cmd == "state") {
    pbxsim::CallInfo c = sim.Call();
    return std::string("state ") + pbxsim::CallStateName(c.state) + " number " + c.number +
           " media " + (c.mediaRunning ? "1" : "0") + "\n";
  } else {
    return kCommandHelp;
  }
  return ok ? "ok\n" : "refused\n";
}

int Generate(unsigned long count, const std::string& out) {
  std::string json = pbxsim::Scenario::Generate(static_cast<int>(count)).ToJson();
  if (out.empty()) {
    std::cout << json << std::flush;
    return std::cout ? 0 : 1;
  }
  std::ofstream f(out, std::ios::binary | std::ios::trunc);
  f << json;
  f.close();
  if (!f) {
    std::cerr << "pbxsim: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string scenarioPath;
  std::string bind = "127.0.0.1";
  std::string out;
  unsigned long port = 40008;
  std::optional<unsigned long> keepAliveMs;
  std::optional<unsigned long> generate;
  bool verbose = false;
  bool commands = false;
  std::vector<pbxsim::MediaService> services;
  std::optional<std::string> recordDir, mediaAddress;
  std::optional<unsigned long> mediaPort, dialPauseMs, ringInAfterMs;
  std::optional<std::string> ringIn;

  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::cerr << "pbxsim: " << a << " needs a value\n" << kUsage;
        std::exit(2);
      }
      return argv[++i];
    };
    unsigned long n = 0;
    if (a == "--scenario") {
      scenarioPath = value();
    } else if (a == "--port") {
      if (!ParseNumber(value(), 65535, port)) {
        std::cerr << "pbxsim: bad port\n";
        return 2;
      }
    } else if (a == "--bind") {
      bind = value();
    } else if (a == "--keepalive-ms") {
      if (!ParseNumber(value(), 86400000, n)) {
        std::cerr << "pbxsim: bad keep-alive period\n";
        return 2;
      }
      keepAliveMs = n;
    } else if (a == "--verbose") {
      verbose = true;
    } else if (a == "--commands") {
      commands = true;
    } else if (a == "--media-service") {
      pbxsim::MediaService m;
      std::string error;
      if (!ParseService(value(), m, error)) {
        std::cerr << "pbxsim: --media-service: " << error << "\n";
        return 2;
      }
      services.push_back(std::move(m));
    } else if (a == "--record-dir") {
      recordDir = value();
    } else if (a == "--media-address") {
      mediaAddress = value();
    } else if (a == "--media-port") {
      if (!ParseNumber(value(), 65535, n)) {
        std::cerr << "pbxsim: bad media port\n";
        return 2;
      }
      mediaPort = n;
    } else if (a == "--dial-pause-ms") {
      if (!ParseNumber(value(), 600000, n)) {
        std::cerr << "pbxsim: bad dialling pause\n";
        return 2;
      }
      dialPauseMs = n;
    } else if (a == "--ring-in") {
      ringIn = value();
    } else if (a == "--ring-in-after-ms") {
      if (!ParseNumber(value(), 86400000, n)) {
        std::cerr << "pbxsim: bad ring-in delay\n";
        return 2;
      }
      ringInAfterMs = n;
    } else if (a == "--generate-extensions") {
      if (!ParseNumber(value(), 0xFFEF, n)) {
        std::cerr << "pbxsim: bad number of extensions\n";
        return 2;
      }
      generate = n;
    } else if (a == "--out") {
      out = value();
    } else if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << "pbxsim: unknown option " << a << "\n" << kUsage;
      return 2;
    }
  }

  if (generate) return Generate(*generate, out);

  pbxsim::Scenario scenario;
  try {
    scenario = scenarioPath.empty() ? DefaultScenario() : pbxsim::Scenario::FromFile(scenarioPath);
  } catch (const pbxsim::ScenarioError& e) {
    std::cerr << "pbxsim: " << e.what() << "\n";
    return 1;
  }
  if (keepAliveMs) scenario.SetKeepAlivePeriod(std::chrono::milliseconds(*keepAliveMs));
  for (auto& m : services) scenario.AddMediaService(std::move(m));
  if (recordDir || mediaAddress || mediaPort) {
    pbxsim::MediaSettings ms = scenario.Media();
    if (recordDir) ms.recordDir = *recordDir;
    if (mediaAddress) ms.address = *mediaAddress;
    if (mediaPort) ms.port = static_cast<uint16_t>(*mediaPort);
    scenario.SetMediaSettings(ms);
  }
  if (dialPauseMs) scenario.SetDialPause(std::chrono::milliseconds(*dialPauseMs));
  if (ringIn || ringInAfterMs) {
    pbxsim::RingInPlan plan = scenario.RingIn().value_or(pbxsim::RingInPlan{});
    if (ringIn) {
      size_t colon = ringIn->find(':');
      plan.number = ringIn->substr(0, colon);
      plan.name = colon == std::string::npos ? "" : ringIn->substr(colon + 1);
    }
    if (ringInAfterMs) plan.afterLogin = std::chrono::milliseconds(*ringInAfterMs);
    if (plan.number.empty()) {
      std::cerr << "pbxsim: --ring-in needs a number\n";
      return 2;
    }
    scenario.SetRingIn(plan);
  }

  // The signals are taken by sigwait below; the simulator's threads inherit
  // the blocked mask so none of them is interrupted.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  pbxsim::Simulator sim(std::move(scenario));
  // A long run must not keep every frame the phone ever sent.
  sim.SetReceivedLimit(1000);
  std::mutex outMu;
  if (verbose) {
    sim.SetLogger([&outMu](const std::string& line) {
      std::lock_guard lk(outMu);
      std::cout << line << std::endl;
    });
  }
  if (!sim.Start(static_cast<uint16_t>(port), bind)) {
    std::cerr << "pbxsim: cannot listen on " << bind << ":" << port << ": " << std::strerror(errno)
              << "\n";
    return 1;
  }
  {
    std::lock_guard lk(outMu);
    std::cout << "pbxsim listening on " << bind << ":" << sim.Port() << std::endl;
  }
  // Commands from standard input, until it ends or the simulator stops.
  int stopPipe[2] = {-1, -1};
  std::thread reader;
  if (commands && ::pipe(stopPipe) == 0) {
    reader = std::thread([&] {
      std::string line;
      char buf[512];
      while (true) {
        pollfd fds[2] = {{0, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
          if (errno == EINTR) continue;
          return;
        }
        if (fds[1].revents) return;
        ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) {
          if (buf[i] != '\n') {
            line.push_back(buf[i]);
            continue;
          }
          // Not under outMu: the simulator logs through it while it holds its
          // own lock.
          std::string answer = RunCommand(sim, line);
          line.clear();
          std::lock_guard lk(outMu);
          std::cout << answer << std::flush;
        }
      }
    });
  }
  int sig = 0;
  sigwait(&signals, &sig);
  if (reader.joinable()) {
    char b = 1;
    ssize_t n = ::write(stopPipe[1], &b, 1);
    (void)n;
    reader.join();
  }
  if (stopPipe[0] >= 0) {
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
  }
  sim.Stop();
  return 0;
}
