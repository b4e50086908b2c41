// Command line of zyphone-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zy::cli {

struct Options {
  std::optional<std::string> host;
  std::optional<uint16_t> port;
  std::optional<std::string> extension;
  std::optional<std::string> password;
  std::optional<uint16_t> rtpPort;
  std::optional<std::string> codec;
  int tickMs = 5000;      // keep-alive timer period
  int timeoutMs = 10000;  // reply time-out
  bool stay = false;      // login --stay

  std::optional<std::string> capture;   // call: the microphone's WAV file
  std::optional<std::string> playback;  // call: where the received audio is written
  std::string command;
  std::vector<std::string> args;
};

// Parses argv; on failure returns nothing and sets `error`.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

// Decimal, or hexadecimal with a 0x prefix; nothing unless the whole text is
// a number within [0, max].
std::optional<uint32_t> ParseNumber(const std::string& text, uint32_t max);

extern const char* const kUsage;

}  // namespace zy::cli
