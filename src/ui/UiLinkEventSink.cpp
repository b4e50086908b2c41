#include "ui/UiLinkEventSink.h"

#include <QMetaObject>

namespace zy::ui {

UiLinkEventSink::UiLinkEventSink() : context_(std::make_unique<QObject>()) {}

UiLinkEventSink::~UiLinkEventSink() = default;

template <class F>
void UiLinkEventSink::Post(F call) {
  QMetaObject::invokeMethod(context_.get(), std::move(call), Qt::QueuedConnection);
}

void UiLinkEventSink::OnLinkError(int stringId, int64_t code) {
  Post([this, stringId, code] {
    if (handlers_.linkError) handlers_.linkError(stringId, code);
  });
}

void UiLinkEventSink::OnDisplay(std::vector<uint8_t> payload) {
  Post([this, payload = std::move(payload)]() mutable {
    if (handlers_.display) handlers_.display(std::move(payload));
  });
}

void UiLinkEventSink::OnStatus(uint16_t subject, std::vector<uint8_t> payload) {
  Post([this, subject, payload = std::move(payload)]() mutable {
    if (handlers_.status) handlers_.status(subject, std::move(payload));
  });
}

void UiLinkEventSink::OnKeyLabel(int keyIndex, std::optional<std::string> text) {
  Post([this, keyIndex, text = std::move(text)]() mutable {
    if (handlers_.keyLabel) handlers_.keyLabel(keyIndex, std::move(text));
  });
}

void UiLinkEventSink::OnMedia(uint16_t subject) {
  Post([this, subject] {
    if (handlers_.media) handlers_.media(subject);
  });
}

void UiLinkEventSink::OnDialRequest(std::string number) {
  Post([this, number = std::move(number)]() mutable {
    if (handlers_.dialRequest) handlers_.dialRequest(std::move(number));
  });
}

}  // namespace zy::ui
