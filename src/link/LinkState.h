// Process-wide results of the login and of received control frames.
//
// Threading: written by the receive thread (DispatchFrame) and by the login
// on the window thread; read by any thread. Each field is atomic; the media
// peer is read after the media event that follows its update.
#pragma once

#include <atomic>
#include <cstdint>

namespace zy {

inline constexpr uint16_t kNoOwnId = 0x7FFF;
inline constexpr uint8_t kDefaultEventPayloadType = 101;

// Edition flags of the login reply (byte 3 of its payload).
inline constexpr uint8_t kEditionPro = 0x02;
inline constexpr uint8_t kEditionBasic = 0x04;
inline constexpr uint8_t kEditionHotel = 0x08;

struct LinkState {
  std::atomic<uint16_t> ownId{kNoOwnId};
  std::atomic<bool> isOperator{false};
  std::atomic<bool> privileged{false};
  std::atomic<uint8_t> minVersion{255};
  std::atomic<uint8_t> maxVersion{0};
  std::atomic<uint8_t> edition{0};
  std::atomic<uint8_t> eventPayloadType{kDefaultEventPayloadType};
  std::atomic<uint8_t> nodeNumber{0};

  // Media endpoint of the PBX, from 0xFE3C with subject 1.
  std::atomic<uint8_t> mediaCodec{0};  // 1 = G.729, otherwise G.711
  std::atomic<uint16_t> mediaPeerPort{0};
  std::atomic<uint32_t> mediaPeerAddress{0};  // IPv4, host order

  // Reply handshake.
  std::atomic<uint16_t> lastReplyCode{0};
  std::atomic<bool> keepAliveDue{false};

  // Presets before a login request.
  void PresetForLogin() {
    ownId = kNoOwnId;
    isOperator = false;
    privileged = false;
    minVersion = 255;
    maxVersion = 0;
  }
};

}  // namespace zy
