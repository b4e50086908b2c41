// What the link tells the phone window.
//
// Threading: every method is called on the receive thread. Implementations
// must not block and must not call back into the link synchronously: the
// window's implementation copies the arguments and posts them to the window
// thread (a receive thread waiting on a window thread that sits in
// RequestAndWait would stall both until the reply time-out).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zy {

class LinkEventSink {
 public:
  virtual ~LinkEventSink() = default;
  // The link failed: 153 closed by the PBX (code -1) or 275 read error.
  virtual void OnLinkError(int stringId, int64_t code) = 0;
  // 0xFE04 display and indicator stream.
  virtual void OnDisplay(std::vector<uint8_t> payload) { (void)payload; }
  // 0xFE3B mode and status stream.
  virtual void OnStatus(uint16_t subject, std::vector<uint8_t> payload) {
    (void)subject;
    (void)payload;
  }
  // 0xFE60 / 0xFE61: a programmable key's label set (text) or cleared.
  virtual void OnKeyLabel(int keyIndex, std::optional<std::string> text) {
    (void)keyIndex;
    (void)text;
  }
  // 0xFE3C media control: 0 stop, 1 start, other values tones.
  virtual void OnMedia(uint16_t subject) { (void)subject; }
  // 0xFE76: the PBX asks the phone to dial a number.
  virtual void OnDialRequest(std::string number) { (void)number; }
};

}  // namespace zy
