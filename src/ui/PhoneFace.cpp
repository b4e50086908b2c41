#include "ui/PhoneFace.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

#include "app/PhoneControls.h"

namespace zy::ui {

PhoneFace::PhoneFace(PhoneLayout layout, QSize displaySize) : layout_(layout) {
  using L = ButtonLook;
  constexpr int kMargin = 22;
  constexpr int kBezelInset = 12;
  constexpr int kGap = 12;
  constexpr int kKeyWidth = 64;
  constexpr int kKeyHeight = 50;
  constexpr int kKeyPitchY = 62;
  constexpr int kRowHeight = 40;
  constexpr int kRowPitch = 52;

  const int top = kTitleBand + 6;
  bezel_ = QRect(kMargin, top, displaySize.width() + 2 * kBezelInset,
                 displaySize.height() + 2 * kBezelInset);
  display_ = bezel_.adjusted(kBezelInset, kBezelInset, -kBezelInset, -kBezelInset);
  const int firstRow = display_.top();
  const bool full = HasFunctionButtons(layout);

  // The keypad: three columns, four rows.
  const int keypadLeft = full ? bezel_.right() + 1 + 18 + 132 + 22 : bezel_.right() + 1 + 22;
  for (size_t i = 0; i < kKeypad.size(); ++i) {
    const int col = static_cast<int>(i % 3);
    const int row = static_cast<int>(i / 3);
    controls_.push_back({kKeypad[i].id, L::Key,
                         QRect(keypadLeft + col * (kKeyWidth + kGap), firstRow + row * kKeyPitchY,
                               kKeyWidth, kKeyHeight)});
  }
  const int keypadWidth = 3 * kKeyWidth + 2 * kGap;
  const int keypadBottom = firstRow + 3 * kKeyPitchY + kKeyHeight;
  keypadPanel_ =
      QRect(keypadLeft - 10, firstRow - 10, keypadWidth + 20, keypadBottom - firstRow + 20);

  if (!full) {
    // Hold and the two call keys in a fifth row under the keypad.
    const int y = keypadBottom + 22;
    controls_.push_back({control::kHold, L::Function, QRect(keypadLeft, y, kKeyWidth, 44)});
    controls_.push_back(
        {control::kOffHook, L::Call, QRect(keypadLeft + kKeyWidth + kGap, y, kKeyWidth, 44)});
    controls_.push_back({control::kOnHook, L::HangUp,
                         QRect(keypadLeft + 2 * (kKeyWidth + kGap), y, kKeyWidth, 44)});
    size_ = QSize(keypadLeft + keypadWidth + kMargin + 4,
                  std::max(bezel_.bottom() + 1, y + 44) + kMargin);
    ring_ = QRect();
    functionPanel_ = QRect();
    AddTitleBand();
    return;
  }

  // The function column beside the display_.
  const int columnLeft = bezel_.right() + 1 + 18;
  constexpr int kColumnWidth = 132;
  std::vector<int> functions = {control::kNd, control::kMode, control::kAlarm, control::kId};
  if (layout == PhoneLayout::Pro) functions.push_back(control::kUc);
  // Spread over the height of five rows, so that the hotel layout's four
  // keys fill the column as the Pro layout's five do.
  const int span = 4 * kRowPitch;
  const int steps = static_cast<int>(functions.size()) - 1;
  for (int i = 0; i <= steps; ++i) {
    controls_.push_back(
        {functions[static_cast<size_t>(i)], L::Function,
         QRect(columnLeft, firstRow + (i * span + steps / 2) / steps, kColumnWidth, kRowHeight)});
  }
  functionPanel_ =
      QRect(columnLeft - 10, firstRow - 10, kColumnWidth + 20, 4 * kRowPitch + kRowHeight + 20);

  // Below the display_: the navigation ring_, then yes / no / clear.
  const int lower = bezel_.bottom() + 1 + 22;
  constexpr int kRingSide = 128;
  ring_ = QRect(kMargin + 8, lower - 8, kRingSide, kRingSide);
  for (int id : {control::kUp, control::kRight, control::kDown, control::kLeft}) {
    controls_.push_back({id, L::NavRing, ring_});
  }
  const int choiceLeft = ring_.right() + 1 + 22;
  const int choiceWidth = (bezel_.right() + 1 - choiceLeft - kGap) / 2;
  controls_.push_back(
      {control::kYes, L::Function, QRect(choiceLeft, lower, choiceWidth, kRowHeight)});
  controls_.push_back({control::kNo, L::Function,
                       QRect(choiceLeft + choiceWidth + kGap, lower, choiceWidth, kRowHeight)});
  controls_.push_back({control::kClear, L::Function,
                       QRect(choiceLeft, lower + kRowPitch, 2 * choiceWidth + kGap, kRowHeight)});

  // Under the function column: messages and the call list.
  controls_.push_back(
      {control::kMessages, L::Function, QRect(columnLeft, lower, kColumnWidth, kRowHeight)});
  controls_.push_back({control::kCalls, L::Function,
                       QRect(columnLeft, lower + kRowPitch, kColumnWidth, kRowHeight)});

  // Under the keypad: the call keys, then mute and hold.
  const int half = (keypadWidth - kGap) / 2;
  controls_.push_back({control::kOffHook, L::Call, QRect(keypadLeft, lower, half, kRowHeight)});
  controls_.push_back(
      {control::kOnHook, L::HangUp, QRect(keypadLeft + half + kGap, lower, half, kRowHeight)});
  controls_.push_back(
      {control::kMute, L::Function, QRect(keypadLeft, lower + kRowPitch, half, kRowHeight)});
  controls_.push_back({control::kHold, L::Function,
                       QRect(keypadLeft + half + kGap, lower + kRowPitch, half, kRowHeight)});

  size_ = QSize(keypadLeft + keypadWidth + kMargin + 4, ring_.bottom() + 1 + kMargin - 4);
  AddTitleBand();
}

void PhoneFace::AddTitleBand() {
  const QRect view(bezel_.right() + 1 - 128, 10, 128, 24);
  titleText_ = QRect(bezel_.left() + 6, 0, view.left() - bezel_.left() - 12, kTitleBand);
  controls_.push_back({control::kView, ButtonLook::Menu, view});
  controls_.push_back(
      {control::kMinimise, ButtonLook::Caption, QRect(size_.width() - 80, 8, 30, 26)});
  controls_.push_back(
      {control::kClose, ButtonLook::CaptionClose, QRect(size_.width() - 44, 8, 30, 26)});
}

QPainterPath PhoneFace::Shape() const {
  QPainterPath shape;
  const QRectF r(QPoint(0, 0), size_);
  const qreal d = 2 * kCornerRadius;
  shape.moveTo(r.left() + kCornerRadius, r.top());
  shape.lineTo(r.right() - kCornerRadius, r.top());
  shape.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
  shape.lineTo(r.right(), r.bottom());
  shape.lineTo(r.left() + kCornerRadius, r.bottom());
  shape.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
  shape.lineTo(r.left(), r.top() + kCornerRadius);
  shape.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
  shape.closeSubpath();
  return shape;
}

void PhoneFace::Paint(QPainter& p, const QString& edition, const QString& extension) const {
  p.save();
  const QFont base = p.font();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(QPoint(0, 0), size_);

  // The body: graphite, lighter at the top.
  QLinearGradient body(r.topLeft(), r.bottomLeft());
  body.setColorAt(0, QColor(0x3A, 0x3F, 0x48));
  body.setColorAt(0.12, QColor(0x31, 0x35, 0x3D));
  body.setColorAt(1, QColor(0x21, 0x24, 0x29));
  p.fillRect(r, body);
  // A thin light edge along the top and the title band's rule.
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.drawLine(QPointF(kCornerRadius, 0.5), QPointF(r.right() - kCornerRadius, 0.5));
  p.setPen(QPen(QColor(0, 0, 0, 70), 1));
  p.drawLine(QPointF(16, kTitleBand - 0.5), QPointF(r.right() - 16, kTitleBand - 0.5));
  p.setPen(QPen(QColor(255, 255, 255, 14), 1));
  p.drawLine(QPointF(16, kTitleBand + 0.5), QPointF(r.right() - 16, kTitleBand + 0.5));

  // The edition's name and the extension in the title band.
  QFont title = base;
  title.setPixelSize(15);
  title.setWeight(QFont::Bold);
  title.setLetterSpacing(QFont::PercentageSpacing, 104);
  p.setFont(title);
  p.setPen(QColor(0xEE, 0xF1, 0xF5));
  p.drawText(titleText_, Qt::AlignVCenter | Qt::AlignLeft, edition);
  const qreal editionWidth = QFontMetricsF(title).horizontalAdvance(edition);
  QFont small = base;
  small.setPixelSize(12);
  p.setFont(small);
  p.setPen(QColor(0x9C, 0xA5, 0xB1));
  p.drawText(titleText_.adjusted(static_cast<int>(editionWidth) + 12, 0, 0, 0),
             Qt::AlignVCenter | Qt::AlignLeft, extension);

  // The plates behind the keypad and the function column.
  auto plate = [&p](const QRect& area) {
    if (area.isEmpty()) return;
    p.setPen(QPen(QColor(0, 0, 0, 60), 1));
    p.setBrush(QColor(0, 0, 0, 38));
    p.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
  };
  plate(keypadPanel_);
  plate(functionPanel_);

  // The display's bezel: a dark recess with a light lower lip.
  const QRectF bezel = QRectF(bezel_).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient recess(bezel.topLeft(), bezel.bottomLeft());
  recess.setColorAt(0, QColor(0x12, 0x14, 0x17));
  recess.setColorAt(1, QColor(0x1B, 0x1E, 0x22));
  p.setBrush(recess);
  p.setPen(QPen(QColor(255, 255, 255, 30), 1));
  p.drawRoundedRect(bezel.translated(0, 1), 12, 12);
  p.setPen(QPen(QColor(0, 0, 0, 150), 1));
  p.drawRoundedRect(bezel, 12, 12);

  // The navigation ring's well and its centre cap.
  if (!ring_.isEmpty()) {
    const QRectF ring = QRectF(ring_);
    const QPointF c = ring.center();
    const qreal outer = ring.width() / 2;
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawEllipse(c, outer + 5, outer + 5);
    const qreal cap = outer * 0.31;
    QRadialGradient capFill(c - QPointF(cap * 0.35, cap * 0.45), cap * 1.4);
    capFill.setColorAt(0, QColor(0x5A, 0x61, 0x6C));
    capFill.setColorAt(1, QColor(0x33, 0x37, 0x3E));
    p.setBrush(capFill);
    p.setPen(QPen(QColor(0x1A, 0x1C, 0x20), 1));
    p.drawEllipse(c, cap, cap);
  }

  // A speaker grille under the display of the basic layout.
  QRectF grille;
  if (!HasFunctionButtons(layout_)) {
    grille = QRectF(bezel_.left() + 8, bezel_.bottom() + 14, bezel_.width() - 16,
                    size_.height() - bezel_.bottom() - 28);
  }
  if (grille.height() >= 6 && grille.width() >= 20) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    constexpr qreal kPitch = 7;
    for (qreal y = grille.top() + kPitch / 2; y < grille.bottom(); y += kPitch) {
      for (qreal x = grille.left() + kPitch / 2; x < grille.right(); x += kPitch) {
        p.drawEllipse(QPointF(x, y), 1.3, 1.3);
      }
    }
  }
  p.restore();
}

}  // namespace zy::ui
