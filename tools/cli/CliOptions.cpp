#include "CliOptions.h"

#include <cstdlib>

namespace zy::cli {

const char* const kUsage =
    "usage: zyphone-cli [options] COMMAND [ARGS]\n"
    "options (override the phone's settings):\n"
    "  --host ADDR  --port N  --extension EXT  --password PW  --rtp-port N  --codec NAME\n"
    "  --tick-ms N     keep-alive timer period (default 5000)\n"
    "  --timeout-ms N  reply time-out (default 10000)\n"
    "commands:\n"
    "  param OWNER PARAM   print each text of a data-memory value on its own line\n"
    "  range MASK VALUE    print every record whose parameter AND MASK is VALUE\n"
    "  watch SECONDS       stay connected, answer keep-alive polls, print every frame\n"
    "  login [--stay]      log in, load the model and print what the PBX grants; with\n"
    "                      --stay keep the session: lines typed are sent as keys\n"
    "                      (\"offhook\", \"onhook\"), display lines print as L01|text\n"
    "  call NUMBER SECONDS [--capture FILE.wav] [--playback FILE.wav]\n"
    "                      off hook, dial NUMBER, carry the call's audio for SECONDS\n"
    "                      (microphone from --capture, silent without; what is heard\n"
    "                      written to --playback), on hook\n"
    "numbers are decimal or 0x-hexadecimal\n";

std::optional<uint32_t> ParseNumber(const std::string& text, uint32_t max) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  size_t start = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    start = 2;
  }
  uint64_t value = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > max) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  auto value = [&](int& i, const std::string& name) -> std::optional<std::string> {
    if (i + 1 >= argc) {
      error = name + " needs a value";
      return std::nullopt;
    }
    return std::string(argv[++i]);
  };
  auto number = [&](int& i, const std::string& name, uint32_t min,
                    uint32_t max) -> std::optional<uint32_t> {
    auto v = value(i, name);
    if (!v) return std::nullopt;
    auto n = ParseNumber(*v, max);
    if (!n || *n < min) {
      error = name + ": not a number from " + std::to_string(min) + " to " + std::to_string(max) +
              ": " + *v;
      return std::nullopt;
    }
    return n;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--host") {
      auto v = value(i, a);
      if (!v) return std::nullopt;
      o.host = *v;
    } else if (a == "--port" || a == "--rtp-port") {
      auto n = number(i, a, 1, 65535);
      if (!n) return std::nullopt;
      (a == "--port" ? o.port : o.rtpPort) = static_cast<uint16_t>(*n);
    } else if (a == "--extension") {
      auto v = value(i, a);
      if (!v) return std::nullopt;
      o.extension = *v;
    } else if (a == "--password") {
      auto v = value(i, a);
      if (!v) return std::nullopt;
      o.password = *v;
    } else if (a == "--codec") {
      auto v = value(i, a);
      if (!v) return std::nullopt;
      o.codec = *v;
    } else if (a == "--tick-ms" || a == "--timeout-ms") {
      auto n = number(i, a, 1, 3600000);
      if (!n) return std::nullopt;
      (a == "--tick-ms" ? o.tickMs : o.timeoutMs) = static_cast<int>(*n);
    } else if (a == "--capture" || a == "--playback") {
      auto v = value(i, a);
      if (!v) return std::nullopt;
      (a == "--capture" ? o.capture : o.playback) = *v;
    } else if (a == "--stay") {
      o.stay = true;
    } else if (a == "--help" || a == "-h") {
      o.command = "help";
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (o.command.empty()) {
      o.command = a;
    } else {
      o.args.push_back(a);
    }
  }
  if (o.command.empty()) {
    error = "no command";
    return std::nullopt;
  }
  return o;
}

}  // namespace zy::cli
