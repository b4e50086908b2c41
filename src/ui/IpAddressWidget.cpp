#include "ui/IpAddressWidget.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace zy::ui {

IpAddressWidget::IpAddressWidget(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8;
  for (std::size_t i = 0; i < octets_.size(); ++i) {
    if (i > 0) layout->addWidget(new QLabel(QStringLiteral("."), this));
    auto* edit = new QLineEdit(this);
    edit->setValidator(new QIntValidator(0, 255, edit));
    edit->setMaxLength(3);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFixedWidth(width);
    layout->addWidget(edit);
    octets_[i] = edit;
  }
  // Three digits move on to the next box.
  for (std::size_t i = 0; i + 1 < octets_.size(); ++i) {
    QLineEdit* next = octets_[i + 1];
    QLineEdit* edit = octets_[i];
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, next](const QString& text) {
      if (text.size() == 3) {
        next->setFocus();
        next->selectAll();
      }
    });
  }
  layout->addStretch();
}

std::optional<uint32_t> IpAddressWidget::Address() const {
  uint32_t address = 0;
  bool blank = true;
  for (QLineEdit* edit : octets_) {
    const QString text = edit->text().trimmed();
    blank = blank && text.isEmpty();
    const uint32_t octet = text.isEmpty() ? 0 : std::min<uint32_t>(text.toUInt(), 255);
    address = (address << 8) | octet;
  }
  if (blank) return std::nullopt;
  return address;
}

void IpAddressWidget::SetAddress(std::optional<uint32_t> address) {
  for (std::size_t i = 0; i < octets_.size(); ++i) {
    if (!address) {
      octets_[i]->clear();
      continue;
    }
    const uint32_t octet = (*address >> (8 * (3 - i))) & 0xFF;
    octets_[i]->setText(QString::number(octet));
  }
}

}  // namespace zy::ui
