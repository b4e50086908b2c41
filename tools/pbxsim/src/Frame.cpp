#include "pbxsim/Frame.h"

#include <algorithm>

namespace pbxsim {

namespace {

uint16_t Word(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

void PutWord(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v & 0xFF));
}

}  // namespace

std::string Frame::Text() const {
  auto end = std::find(payload.begin(), payload.end(), uint8_t{0});
  return std::string(payload.begin(), end);
}

void FrameReader::Feed(const uint8_t* data, size_t size, const Sink& sink) {
  size_t i = 0;
  while (i < size) {
    switch (state_) {
      case State::kHunting: {
        const uint8_t* stx = std::find(data + i, data + size, kStx);
        garbage_ += static_cast<uint64_t>(stx - (data + i));
        i = static_cast<size_t>(stx - data);
        if (i < size) {
          buf_.clear();
          buf_.push_back(kStx);
          state_ = State::kHeader;
          ++i;
        }
        break;
      }
      case State::kHeader: {
        size_t take = std::min(kRequestHeaderSize - buf_.size(), size - i);
        buf_.insert(buf_.end(), data + i, data + i + take);
        i += take;
        if (buf_.size() < kRequestHeaderSize) break;
        need_ = Word(buf_, 1);
        if (need_ > kMaxRequestPayload) {
          ++oversize_;
          buf_.clear();
          state_ = State::kSkipping;
        } else {
          state_ = State::kPayload;
        }
        break;
      }
      case State::kPayload: {
        size_t take = std::min(need_, size - i);
        buf_.insert(buf_.end(), data + i, data + i + take);
        i += take;
        need_ -= take;
        break;
      }
      case State::kSkipping: {
        size_t take = std::min(need_, size - i);
        i += take;
        need_ -= take;
        if (need_ == 0) state_ = State::kHunting;
        break;
      }
    }
    // A frame is complete as soon as its payload is in, even with no bytes
    // left in this chunk (a frame without payload ends with its header).
    if (state_ == State::kPayload && need_ == 0) {
      Frame f;
      f.subject = Word(buf_, 3);
      f.code = Word(buf_, 5);
      f.param1 = Word(buf_, 7);
      f.param2 = Word(buf_, 9);
      f.payload.assign(buf_.begin() + kRequestHeaderSize, buf_.end());
      f.raw = std::move(buf_);
      buf_.clear();
      state_ = State::kHunting;
      sink(std::move(f));
    }
  }
}

bool FrameReader::Reset() {
  bool pending = Pending();
  state_ = State::kHunting;
  buf_.clear();
  need_ = 0;
  return pending;
}

std::vector<uint8_t> EncodeReply(uint16_t subject, uint16_t code,
                                 const std::vector<uint8_t>& payload) {
  // The length field has 16 bits: a longer value is cut so that the frame
  // still says what it carries.
  size_t n = std::min<size_t>(payload.size(), 0xFFFF);
  std::vector<uint8_t> out;
  out.reserve(kReplyHeaderSize + n);
  out.push_back(kStx);
  PutWord(out, static_cast<uint16_t>(n));
  PutWord(out, subject);
  PutWord(out, code);
  out.insert(out.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
  return out;
}

std::vector<uint8_t> TextValue(const std::string& text) {
  std::vector<uint8_t> v(text.begin(), text.end());
  v.push_back(0);
  return v;
}

}  // namespace pbxsim
