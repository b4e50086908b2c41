// The window side of the link's events: each event is copied and posted to
// the window thread, where the handler set for it runs. Nothing here blocks
// the receive thread.
//
// Threading: the LinkEventSink methods are called on the receive thread;
// handlers are set on the window thread before the link opens and run there.
// Events still queued when the sink is destroyed are dropped. The sink must
// outlive the link client that calls it.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "link/LinkEventSink.h"

namespace zy::ui {

class UiLinkEventSink final : public LinkEventSink {
 public:
  struct Handlers {
    std::function<void(int stringId, int64_t code)> linkError;
    std::function<void(std::vector<uint8_t> payload)> display;
    std::function<void(uint16_t subject, std::vector<uint8_t> payload)> status;
    std::function<void(int keyIndex, std::optional<std::string> text)> keyLabel;
    std::function<void(uint16_t subject)> media;
    std::function<void(std::string number)> dialRequest;
  };

  // Create on the window thread.
  UiLinkEventSink();
  ~UiLinkEventSink() override;

  Handlers& handlers() { return handlers_; }

  void OnLinkError(int stringId, int64_t code) override;
  void OnDisplay(std::vector<uint8_t> payload) override;
  void OnStatus(uint16_t subject, std::vector<uint8_t> payload) override;
  void OnKeyLabel(int keyIndex, std::optional<std::string> text) override;
  void OnMedia(uint16_t subject) override;
  void OnDialRequest(std::string number) override;

 private:
  template <class F>
  void Post(F call);

  // Lives on the window thread; queued calls die with it.
  std::unique_ptr<QObject> context_;
  Handlers handlers_;
};

}  // namespace zy::ui
