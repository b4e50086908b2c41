#include "app/PhoneStream.h"

#include "link/DataMemCache.h"

namespace zy {

PhoneLayout LayoutForEdition(uint8_t editionFlags) {
  if (editionFlags & 0x04) return PhoneLayout::Basic;
  if (editionFlags & 0x02) return PhoneLayout::Pro;
  if (editionFlags & 0x08) return PhoneLayout::Hotel;
  return PhoneLayout::Basic;
}

bool HasFunctionButtons(PhoneLayout layout) { return layout != PhoneLayout::Basic; }

std::optional<int> ModeOfCharacter(uint8_t c) {
  switch (c) {
    case 'H':
      return kHolidayMode;
    case 'F':
      return 1;
    case 'E':
      return 2;
    default:
      if (c >= '3' && c <= '9') return c - '0';
      return std::nullopt;
  }
}

std::string DefaultModeName(int mode) { return "Modo " + std::to_string(mode); }

std::string ModeButtonText(int mode, const std::optional<std::string>& readName) {
  if (!readName) return DefaultModeName(mode);
  return ParameterText(*readName);
}

EnableButtonsAction ButtonStates(bool busy, bool isOperator) {
  return EnableButtonsAction{!busy && !isOperator, !busy && isOperator, !busy, !busy};
}

void PhoneStream::Lamp(PhoneActions& out, uint8_t command, uint8_t number) const {
  const bool on = (command & 0x07) != 0;
  switch (number) {
    case kLampNumberNd:
      out.push_back(SetLampAction{PhoneLamp::Nd, on});
      break;
    case kLampNumberMessages:
      out.push_back(SetLampAction{PhoneLamp::Messages, on});
      break;
    case kLampNumberCalls:
      out.push_back(SetLampAction{PhoneLamp::Calls, on});
      break;
    case kLampNumberUc:
      out.push_back(SetLampAction{PhoneLamp::Uc, on});
      break;
    default:
      break;
  }
}

PhoneActions PhoneStream::Display(std::span<const uint8_t> payload) {
  PhoneActions out;
  const size_t n = payload.size();
  size_t pos = 0;
  while (pos < n) {
    const uint8_t c = payload[pos];
    const bool hasNext = pos + 1 < n;
    if (c == 0x28) {
      out.push_back(StopRingAction{});
      pos += 1;
    } else if (c >= 0x29 && c <= 0x2D) {
      out.push_back(StartRingAction{static_cast<RingSound>(c - 0x29)});
      pos += 1;
    } else if (c < 0x40) {
      pos += 1;  // control characters and the other punctuation: nothing
    } else if (c <= 0x47) {
      // The lamp number is read, then read again as the next command (the
      // lamp numbers in use, 0x10..0x13, do nothing there).
      if (hasNext) Lamp(out, c, payload[pos + 1]);
      pos += 1;
    } else if (c <= 0x4F) {
      pos += 2;
    } else if (c <= 0x57) {
      if (hasNext) out.push_back(CursorAction{c, payload[pos + 1]});
      pos += 2;
    } else if (c <= 0x7F) {
      pos += 1;
    } else if (c <= 0x9F) {
      StatusChange(out, c & kPhoneStatusMask);
      pos += 1;
    } else if (c <= 0xBF) {
      if (hasNext)
        out.push_back(KeyLampAction{((c & 0x03) << 8) + payload[pos + 1], (c >> 2) & 0x07});
      pos += 2;
    } else if (c <= 0xDF) {
      pos += 2;
    } else {
      pos += 1 + static_cast<size_t>(c & 0x1F);
    }
  }
  return out;
}

PhoneActions PhoneStream::SetPhoneStatus(uint8_t value) {
  PhoneActions out;
  StatusChange(out, value & kPhoneStatusMask);
  return out;
}

void PhoneStream::StatusChange(PhoneActions& out, uint8_t f) {
  const uint8_t o = status_;
  const bool busy = (f & kPhoneBusy) != 0;
  const bool speech = (f & kPhoneSpeechPath) != 0;
  const bool fullLayout = HasFunctionButtons(layout_);

  if ((f ^ o) & kPhoneBusy) {
    out.push_back(BusyAction{busy});
    out.push_back(ButtonStates(busy, isOperator_));
  }
  if (fullLayout && !busy) out.push_back(SetLampAction{PhoneLamp::Mute, false});
  if ((f ^ o) & kPhoneSpeechPath) {
    const bool muted = busy && !speech;
    if (fullLayout) out.push_back(SetLampAction{PhoneLamp::Mute, muted});
    out.push_back(MuteMicrophoneAction{muted});
  }
  if (f == 0 && o != 0) out.push_back(PhoneIdleAction{});
  status_ = f;
}

PhoneActions PhoneStream::Status(uint16_t subject, std::span<const uint8_t> payload) {
  PhoneActions out;
  if (auto line = ParseDisplayLine(subject, payload.data(), payload.size())) {
    out.push_back(DisplayLineAction{std::move(*line)});
    return out;
  }
  if (!HasFunctionButtons(layout_)) return out;

  if (payload.size() > 2) {
    if (const auto mode = ModeOfCharacter(payload[2])) {
      mode_ = *mode;
      out.push_back(ModeAction{*mode, kModeNameOwner, static_cast<uint16_t>(kModeNameBase + *mode),
                               DefaultModeName(*mode)});
    }
  }
  if (payload.size() > 3) out.push_back(SetLampAction{PhoneLamp::Alarm, payload[3] == 'B'});
  if (payload.size() > 6) out.push_back(SetLampAction{PhoneLamp::Id, payload[6] == '@'});
  return out;
}

}  // namespace zy
