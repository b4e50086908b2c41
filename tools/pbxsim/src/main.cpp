// pbxsim: runs a simulated PBX until SIGINT or SIGTERM, or writes a generated
// scenario. Usage in tools/pbxsim/README.md.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>

#include "pbxsim/Simulator.h"

namespace {

constexpr const char* kUsage =
    "usage: pbxsim [--scenario FILE] [--port N] [--bind ADDR] [--keepalive-ms N] [--verbose]\n"
    "       pbxsim --generate-extensions N [--out FILE]\n";

// A small office PBX for when no scenario is given.
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
  int sig = 0;
  sigwait(&signals, &sig);
  sim.Stop();
  return 0;
}
