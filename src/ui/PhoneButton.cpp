#include "ui/PhoneButton.h"

#include <QEnterEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegion>
#include <QtMath>
#include <algorithm>

namespace zy::ui {

namespace {

constexpr int kHoverFadeMs = 120;

const QColor kKeyTop{0x4B, 0x52, 0x5D};
const QColor kKeyBottom{0x3A, 0x3F, 0x48};
const QColor kKeyHoverTop{0x5C, 0x65, 0x73};
const QColor kKeyHoverBottom{0x4A, 0x51, 0x5C};
const QColor kKeyPressed{0x2E, 0x32, 0x38};
const QColor kKeyDisabled{0x34, 0x38, 0x3F};
const QColor kKeyBorder{0x1A, 0x1C, 0x20};
const QColor kKeyText{0xF0, 0xF2, 0xF6};
const QColor kKeySubText{0x9C, 0xA5, 0xB1};
const QColor kDisabledText{0x7A, 0x80, 0x89};
const QColor kAccent{0x5F, 0xA8, 0xFF};
const QColor kCallTop{0x3F, 0xC4, 0x78};
const QColor kCallBottom{0x25, 0x98, 0x54};
const QColor kHangUpTop{0xF0, 0x5E, 0x52};
const QColor kHangUpBottom{0xC4, 0x37, 0x2F};
const QColor kCaptionGlyph{0xC9, 0xCE, 0xD6};
const QColor kCloseHover{0xE0, 0x44, 0x3A};

QColor Mix(const QColor& a, const QColor& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                          static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor WithAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

// A handset lying flat, ear and mouth pieces hanging down, in a 24 x 24 box.
QPainterPath HandsetPath() {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  // The handle: a thick arch.
  QPainterPath arch;
  arch.moveTo(3.5, 12.5);
  arch.cubicTo(6.5, 5.0, 17.5, 5.0, 20.5, 12.5);
  QPainterPathStroker stroker;
  stroker.setWidth(3.6);
  stroker.setCapStyle(Qt::RoundCap);
  path.addPath(stroker.createStroke(arch));
  path.addRoundedRect(QRectF(1.0, 11.0, 7.0, 5.2), 2.0, 2.0);
  path.addRoundedRect(QRectF(16.0, 11.0, 7.0, 5.2), 2.0, 2.0);
  return path;
}

}  // namespace

void PaintGlyph(QPainter& p, Glyph glyph, const QRectF& r, const QColor& colour) {
  if (glyph == Glyph::None) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double side = std::min(r.width(), r.height());
  p.translate(r.center());
  p.scale(side / 24.0, side / 24.0);
  p.translate(-12, -12);
  QPen pen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  switch (glyph) {
    case Glyph::HandsetUp:
      p.translate(12, 12);
      p.rotate(-38);
      p.translate(-12, -11);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawPath(HandsetPath());
      break;
    case Glyph::HandsetDown:
      p.translate(0, 2);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawPath(HandsetPath());
      break;
    case Glyph::Hold:
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawRoundedRect(QRectF(6.5, 5, 4, 14), 1.2, 1.2);
      p.drawRoundedRect(QRectF(13.5, 5, 4, 14), 1.2, 1.2);
      break;
    case Glyph::Microphone:
      p.drawRoundedRect(QRectF(9, 3, 6, 11), 3, 3);
      p.drawArc(QRectF(5.5, 6, 13, 11), 180 * 16, 180 * 16);
      p.drawLine(QPointF(12, 17), QPointF(12, 20.5));
      p.drawLine(QPointF(8.5, 20.5), QPointF(15.5, 20.5));
      p.drawLine(QPointF(4.5, 3.5), QPointF(19.5, 20.5));
      break;
    case Glyph::Envelope:
      p.drawRoundedRect(QRectF(3.5, 6, 17, 12), 2, 2);
      p.drawPolyline(QPolygonF({QPointF(4.5, 7.5), QPointF(12, 13), QPointF(19.5, 7.5)}));
      break;
    case Glyph::CallList:
      for (int i = 0; i < 3; ++i) {
        const double y = 6.5 + i * 5.5;
        p.drawLine(QPointF(9, y), QPointF(20, y));
        p.setBrush(colour);
        p.drawEllipse(QPointF(5, y), 1.2, 1.2);
        p.setBrush(Qt::NoBrush);
      }
      break;
    case Glyph::ArrowUp:
      pen.setWidthF(2.6);
      p.setPen(pen);
      p.drawPolyline(QPolygonF({QPointF(6, 15), QPointF(12, 9), QPointF(18, 15)}));
      break;
    case Glyph::ArrowDown:
      pen.setWidthF(2.6);
      p.setPen(pen);
      p.drawPolyline(QPolygonF({QPointF(6, 9), QPointF(12, 15), QPointF(18, 9)}));
      break;
    case Glyph::ArrowLeft:
      pen.setWidthF(2.6);
      p.setPen(pen);
      p.drawPolyline(QPolygonF({QPointF(15, 6), QPointF(9, 12), QPointF(15, 18)}));
      break;
    case Glyph::ArrowRight:
      pen.setWidthF(2.6);
      p.setPen(pen);
      p.drawPolyline(QPolygonF({QPointF(9, 6), QPointF(15, 12), QPointF(9, 18)}));
      break;
    case Glyph::Check:
      pen.setWidthF(2.6);
      p.setPen(pen);
      p.drawPolyline(QPolygonF({QPointF(5, 12.5), QPointF(10, 17.5), QPointF(19, 7)}));
      break;
    case Glyph::Cross:
    case Glyph::Close:
      pen.setWidthF(glyph == Glyph::Cross ? 2.6 : 1.8);
      p.setPen(pen);
      p.drawLine(QPointF(7, 7), QPointF(17, 17));
      p.drawLine(QPointF(17, 7), QPointF(7, 17));
      break;
    case Glyph::Backspace:
      p.drawPolygon(QPolygonF(
          {QPointF(3, 12), QPointF(8.5, 6), QPointF(21, 6), QPointF(21, 18), QPointF(8.5, 18)}));
      p.drawLine(QPointF(11.5, 9.5), QPointF(16.5, 14.5));
      p.drawLine(QPointF(16.5, 9.5), QPointF(11.5, 14.5));
      break;
    case Glyph::Minimise:
      pen.setWidthF(1.8);
      p.setPen(pen);
      p.drawLine(QPointF(7, 16), QPointF(17, 16));
      break;
    case Glyph::Moon: {
      QPainterPath moon;
      moon.addEllipse(QPointF(12, 12), 7.5, 7.5);
      QPainterPath bite;
      bite.addEllipse(QPointF(15.5, 9), 6.5, 6.5);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawPath(moon.subtracted(bite));
      break;
    }
    case Glyph::Bell: {
      QPainterPath bell;
      bell.moveTo(5, 17);
      bell.lineTo(19, 17);
      bell.cubicTo(17, 15, 17.5, 12, 17.3, 10);
      bell.cubicTo(17, 6, 14.5, 4.5, 12, 4.5);
      bell.cubicTo(9.5, 4.5, 7, 6, 6.7, 10);
      bell.cubicTo(6.5, 12, 7, 15, 5, 17);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawPath(bell);
      p.drawEllipse(QPointF(12, 19.3), 2, 2);
      break;
    }
    case Glyph::IdCard:
      p.drawRoundedRect(QRectF(3, 5.5, 18, 13), 2, 2);
      p.drawEllipse(QPointF(8.5, 10.5), 2, 2);
      p.drawLine(QPointF(6, 15.5), QPointF(11, 15.5));
      p.drawLine(QPointF(14, 10), QPointF(18, 10));
      p.drawLine(QPointF(14, 14), QPointF(18, 14));
      break;
    case Glyph::Person:
      p.drawEllipse(QPointF(12, 8), 3.5, 3.5);
      p.drawArc(QRectF(5, 13.5, 14, 12), 0, 180 * 16);
      break;
    case Glyph::Modes:
      for (int i = 0; i < 3; ++i) {
        const double y = 6 + i * 6;
        p.drawLine(QPointF(4, y), QPointF(20, y));
        p.setBrush(colour);
        p.drawEllipse(QPointF(i == 1 ? 15 : 8, y), 2.2, 2.2);
        p.setBrush(Qt::NoBrush);
      }
      break;
    case Glyph::None:
      break;
  }
  p.restore();
}

CPhoneButton::CPhoneButton(int id, ButtonLook look, QWidget* parent)
    : QAbstractButton(parent), id_(id), look_(look) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
  setCursor(Qt::PointingHandCursor);
  setObjectName(QStringLiteral("button%1").arg(id));
  hoverFade_.setDuration(kHoverFadeMs);
  hoverFade_.setStartValue(0.0);
  hoverFade_.setEndValue(1.0);
  QObject::connect(&hoverFade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    hover_ = v.toDouble();
    update();
  });
}

void CPhoneButton::SetGlyph(Glyph glyph) {
  glyph_ = glyph;
  update();
}

void CPhoneButton::SetSubText(const QString& text) {
  subText_ = text;
  update();
}

void CPhoneButton::SetLampColour(const QColor& colour) {
  lampColour_ = colour;
  update();
}

void CPhoneButton::SetLamp(bool on) {
  if (lamp_ == on) return;
  lamp_ = on;
  update();
}

void CPhoneButton::SetRingDirection(int direction) {
  ringDirection_ = direction & 3;
  UpdateRingMask();
  update();
}

QSize CPhoneButton::sizeHint() const { return QSize(64, 40); }

void CPhoneButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  hoverFade_.setDirection(QAbstractAnimation::Forward);
  if (hoverFade_.state() != QAbstractAnimation::Running) hoverFade_.start();
  QAbstractButton::enterEvent(event);
}

void CPhoneButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  hoverFade_.setDirection(QAbstractAnimation::Backward);
  if (hoverFade_.state() != QAbstractAnimation::Running) hoverFade_.start();
  QAbstractButton::leaveEvent(event);
}

void CPhoneButton::resizeEvent(QResizeEvent* event) {
  if (look_ == ButtonLook::NavRing) UpdateRingMask();
  QAbstractButton::resizeEvent(event);
}

// The ring's quarter: the triangle from the centre to the two corners on
// this side, so that the four segments share the ring's square without
// overlapping.
void CPhoneButton::UpdateRingMask() {
  if (look_ != ButtonLook::NavRing) return;
  const QRect r = rect();
  const QPoint c = r.center();
  QPolygon triangle;
  switch (ringDirection_) {
    case 0:
      triangle << c << r.topLeft() << r.topRight();
      break;
    case 1:
      triangle << c << r.topRight() + QPoint(1, 0) << r.bottomRight() + QPoint(1, 1);
      break;
    case 2:
      triangle << c << r.bottomRight() + QPoint(1, 1) << r.bottomLeft() + QPoint(0, 1);
      break;
    default:
      triangle << c << r.bottomLeft() + QPoint(0, 1) << r.topLeft();
      break;
  }
  setMask(QRegion(triangle));
}

bool CPhoneButton::hitButton(const QPoint& pos) const {
  if (look_ != ButtonLook::NavRing) return QAbstractButton::hitButton(pos);
  const QPointF c = QRectF(rect()).center();
  const double dx = pos.x() - c.x();
  const double dy = pos.y() - c.y();
  const double d = std::hypot(dx, dy);
  const double outer = std::min(width(), height()) / 2.0;
  return d <= outer && d >= outer * 0.3 && mask().contains(pos);
}

void CPhoneButton::PaintKeyFace(QPainter& p, const QRectF& r, double radius) const {
  QColor top = kKeyTop;
  QColor bottom = kKeyBottom;
  if (look_ == ButtonLook::Call) {
    top = kCallTop;
    bottom = kCallBottom;
  } else if (look_ == ButtonLook::HangUp) {
    top = kHangUpTop;
    bottom = kHangUpBottom;
  }
  if (!isEnabled()) {
    top = bottom = kKeyDisabled;
  } else if (isDown()) {
    top = bottom = (look_ == ButtonLook::Call || look_ == ButtonLook::HangUp) ? bottom.darker(115)
                                                                              : kKeyPressed;
  } else if (hover_ > 0) {
    const bool coloured = look_ == ButtonLook::Call || look_ == ButtonLook::HangUp;
    top = Mix(top, coloured ? top.lighter(118) : kKeyHoverTop, hover_);
    bottom = Mix(bottom, coloured ? bottom.lighter(118) : kKeyHoverBottom, hover_);
  }
  // A soft shadow under the key.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, isDown() ? 40 : 70));
  p.drawRoundedRect(r.translated(0, 1.5), radius, radius);
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  p.setBrush(fill);
  p.setPen(QPen(kKeyBorder, 1));
  p.drawRoundedRect(r, radius, radius);
  if (isEnabled() && !isDown()) {
    // The light catching the upper edge.
    p.setPen(QPen(QColor(255, 255, 255, 34), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  }
  if (hover_ > 0 && isEnabled() && look_ != ButtonLook::Call && look_ != ButtonLook::HangUp) {
    p.setPen(QPen(WithAlpha(kAccent, static_cast<int>(170 * hover_)), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  }
}

void CPhoneButton::PaintLamp(QPainter& p, const QPointF& centre, double radius) const {
  p.setPen(Qt::NoPen);
  if (lamp_) {
    QRadialGradient glow(centre, radius * 2.6);
    glow.setColorAt(0, WithAlpha(lampColour_, 150));
    glow.setColorAt(1, WithAlpha(lampColour_, 0));
    p.setBrush(glow);
    p.drawEllipse(centre, radius * 2.6, radius * 2.6);
    QRadialGradient core(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.2);
    core.setColorAt(0, lampColour_.lighter(160));
    core.setColorAt(1, lampColour_);
    p.setBrush(core);
    p.setPen(QPen(lampColour_.darker(150), 0.8));
    p.drawEllipse(centre, radius, radius);
  } else {
    QRadialGradient off(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
    off.setColorAt(0, QColor(0x5A, 0x60, 0x69));
    off.setColorAt(1, QColor(0x26, 0x29, 0x2E));
    p.setBrush(off);
    p.setPen(QPen(QColor(0x15, 0x17, 0x1A), 0.8));
    p.drawEllipse(centre, radius, radius);
  }
}

void CPhoneButton::PaintLabel(QPainter& p, const QRectF& r, const QColor& colour) const {
  const QString label = text();
  if (glyph_ != Glyph::None && label.isEmpty()) {
    const double side = std::min(r.height() * 0.62, 24.0);
    PaintGlyph(p, glyph_, QRectF(0, 0, side, side).translated(r.center() - QPointF(side, side) / 2),
               colour);
    return;
  }
  QRectF textRect = r;
  if (glyph_ != Glyph::None) {
    const double side = std::min(r.height() * 0.5, 18.0);
    QFont f = font();
    f.setPixelSize(13);
    f.setWeight(QFont::DemiBold);
    const double textWidth = QFontMetricsF(f).horizontalAdvance(label);
    const double total = side + 6 + textWidth;
    const double left = r.center().x() - total / 2;
    PaintGlyph(p, glyph_, QRectF(left, r.center().y() - side / 2, side, side), colour);
    textRect = QRectF(left + side + 6, r.top(), textWidth + 2, r.height());
    p.setFont(f);
    p.setPen(colour);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, label);
    return;
  }
  QFont f = font();
  f.setPixelSize(look_ == ButtonLook::Key ? 21 : 13);
  f.setWeight(look_ == ButtonLook::Key ? QFont::DemiBold : QFont::DemiBold);
  p.setFont(f);
  p.setPen(colour);
  if (look_ == ButtonLook::Key && !subText_.isEmpty()) {
    QRectF main = r.adjusted(0, 0, 0, -r.height() * 0.28);
    p.drawText(main, Qt::AlignCenter, label);
    QFont small = font();
    small.setPixelSize(9);
    small.setLetterSpacing(QFont::PercentageSpacing, 115);
    p.setFont(small);
    p.setPen(isEnabled() ? kKeySubText : kDisabledText);
    p.drawText(r.adjusted(0, r.height() * 0.52, 0, -2), Qt::AlignHCenter | Qt::AlignTop, subText_);
    return;
  }
  const QFontMetricsF metrics(f);
  p.drawText(r, Qt::AlignCenter,
             metrics.elidedText(label, Qt::ElideRight, r.width() - 4, Qt::TextSingleLine));
}

void CPhoneButton::PaintRing(QPainter& p) const {
  const QRectF full = QRectF(rect());
  const QPointF c = full.center();
  const double outer = std::min(full.width(), full.height()) / 2.0 - 1.5;
  const double inner = outer * 0.40;
  // Qt's angles run anticlockwise from three o'clock; up is 90 degrees.
  static constexpr double kCentre[4] = {90, 0, 270, 180};
  const double mid = kCentre[ringDirection_];
  const double gap = 2.2;  // degrees left free between segments
  const double start = mid - 45 + gap;
  const double span = 90 - 2 * gap;
  QPainterPath segment;
  const QRectF outerBox(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
  const QRectF innerBox(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
  segment.arcMoveTo(outerBox, start);
  segment.arcTo(outerBox, start, span);
  segment.arcTo(innerBox, start + span, -span);
  segment.closeSubpath();

  QColor top = kKeyTop;
  QColor bottom = kKeyBottom;
  if (!isEnabled()) {
    top = bottom = kKeyDisabled;
  } else if (isDown()) {
    top = bottom = kKeyPressed;
  } else if (hover_ > 0) {
    top = Mix(top, kKeyHoverTop, hover_);
    bottom = Mix(bottom, kKeyHoverBottom, hover_);
  }
  QLinearGradient fill(outerBox.topLeft(), outerBox.bottomLeft());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  p.setPen(QPen(kKeyBorder, 1));
  p.setBrush(fill);
  p.drawPath(segment);
  if (hover_ > 0 && isEnabled()) {
    p.setPen(QPen(WithAlpha(kAccent, static_cast<int>(170 * hover_)), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(segment);
  }
  const double radians = qDegreesToRadians(mid);
  const double at = (outer + inner) / 2;
  const QPointF glyphCentre(c.x() + at * std::cos(radians), c.y() - at * std::sin(radians));
  const double side = (outer - inner) * 0.62;
  PaintGlyph(p, glyph_, QRectF(glyphCentre - QPointF(side, side) / 2, QSizeF(side, side)),
             isEnabled() ? kKeyText : kDisabledText);
}

void CPhoneButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -2.5);
  const QColor textColour = isEnabled() ? kKeyText : kDisabledText;
  const QPointF pressShift = isDown() ? QPointF(0, 1) : QPointF(0, 0);

  switch (look_) {
    case ButtonLook::NavRing:
      PaintRing(p);
      return;
    case ButtonLook::Caption:
    case ButtonLook::CaptionClose: {
      const QColor hoverFill =
          look_ == ButtonLook::CaptionClose ? kCloseHover : QColor(255, 255, 255, 40);
      if (hover_ > 0 || isDown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(
            WithAlpha(hoverFill, static_cast<int>(hoverFill.alpha() * (isDown() ? 1.0 : hover_))));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
      }
      const QColor glyphColour = Mix(
          kCaptionGlyph,
          look_ == ButtonLook::CaptionClose ? QColor(Qt::white) : QColor(0xFF, 0xFF, 0xFF), hover_);
      const double side = std::min(width(), height()) * 0.8;
      PaintGlyph(p, glyph_,
                 QRectF(QRectF(rect()).center() - QPointF(side, side) / 2, QSizeF(side, side)),
                 glyphColour);
      return;
    }
    case ButtonLook::Menu: {
      const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
      p.setPen(QPen(QColor(255, 255, 255, 50 + static_cast<int>(60 * hover_)), 1));
      p.setBrush(QColor(255, 255, 255, (isDown() ? 40 : 0) + static_cast<int>(22 * hover_)));
      p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
      QFont f = font();
      f.setPixelSize(12);
      f.setWeight(QFont::DemiBold);
      p.setFont(f);
      p.setPen(kKeyText);
      const QRectF textBox = box.adjusted(12, 0, -22, 0);
      p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft, text());
      // The drop-down chevron.
      const QPointF a(box.right() - 16, box.center().y() - 2);
      p.setPen(QPen(kKeyText, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({a, a + QPointF(4, 4), a + QPointF(8, 0)}));
      return;
    }
    case ButtonLook::Key:
    case ButtonLook::Call:
    case ButtonLook::HangUp:
    case ButtonLook::Function:
      break;
  }

  const double radius = (look_ == ButtonLook::Call || look_ == ButtonLook::HangUp)
                            ? r.height() / 2
                            : std::min(9.0, r.height() / 3);
  PaintKeyFace(p, r, radius);
  QRectF content = r.translated(pressShift);
  if (HasLamp()) {
    const double lampRadius = 4.2;
    PaintLamp(p, QPointF(content.left() + 14, content.center().y()), lampRadius);
    content.adjust(22, 0, -6, 0);
  }
  const QColor labelColour =
      (look_ == ButtonLook::Call || look_ == ButtonLook::HangUp) ? QColor(Qt::white) : textColour;
  PaintLabel(p, content, labelColour);
}

}  // namespace zy::ui
