// An IPv4 address field of four octet boxes (0-255). A blank box counts as
// 0; the whole field is blank when every box is.
//
// Threading: window thread.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace zy::ui {

class IpAddressWidget : public QWidget {
 public:
  explicit IpAddressWidget(QWidget* parent = nullptr);

  // Host order, first octet in the high byte; nothing when blank.
  std::optional<uint32_t> Address() const;
  void SetAddress(std::optional<uint32_t> address);
  QLineEdit* Octet(int index) const { return octets_[static_cast<std::size_t>(index)]; }

 private:
  std::array<QLineEdit*, 4> octets_{};
};

}  // namespace zy::ui
