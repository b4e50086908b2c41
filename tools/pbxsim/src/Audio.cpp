// A-law conversion and WAV files for the media peer.
#include <sndfile.h>

#include <memory>

#include "pbxsim/Media.h"

namespace pbxsim {

namespace {

// Upper ends of the eight A-law segments, on the 13-bit magnitude.
constexpr int kSegmentEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};

struct SndfileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

}  // namespace

uint8_t AlawEncode(int16_t sample) {
  int pcm = sample >> 3;  // 13 significant bits
  uint8_t mask;
  if (pcm >= 0) {
    mask = 0xD5;  // sign bit set, even bits inverted
  } else {
    mask = 0x55;
    pcm = -pcm - 1;
  }
  int seg = 0;
  while (seg < 8 && pcm > kSegmentEnd[seg]) ++seg;
  if (seg >= 8) return static_cast<uint8_t>(0x7F ^ mask);
  int value = seg << 4;
  value |= seg < 2 ? (pcm >> 1) & 0x0F : (pcm >> seg) & 0x0F;
  return static_cast<uint8_t>(value ^ mask);
}

int16_t AlawDecode(uint8_t code) {
  int a = code ^ 0x55;
  int t = (a & 0x0F) << 4;
  int seg = (a & 0x70) >> 4;
  if (seg == 0) {
    t += 8;
  } else {
    t += 0x108;
    t <<= seg - 1;
  }
  return static_cast<int16_t>((a & 0x80) ? t : -t);
}

bool ReadWav(const std::string& path, std::vector<int16_t>& samples, std::string& error) {
  SF_INFO info{};
  SndfilePtr f(sf_open(path.c_str(), SFM_READ, &info));
  if (!f) {
    error = path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.samplerate != 8000 || info.channels != 1) {
    error = path + ": not 8 kHz mono (" + std::to_string(info.samplerate) + " Hz, " +
            std::to_string(info.channels) + " channels)";
    return false;
  }
  samples.clear();
  short buf[4096];
  sf_count_t n;
  while ((n = sf_read_short(f.get(), buf, 4096)) > 0) samples.insert(samples.end(), buf, buf + n);
  if (samples.empty()) {
    error = path + ": no samples";
    return false;
  }
  return true;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, std::string& error) {
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SndfilePtr f(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!f) {
    error = path + ": " + sf_strerror(nullptr);
    return false;
  }
  auto n = static_cast<sf_count_t>(samples.size());
  if (sf_write_short(f.get(), samples.data(), n) != n) {
    error = path + ": " + sf_strerror(f.get());
    return false;
  }
  return true;
}

}  // namespace pbxsim
