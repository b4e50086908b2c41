// A button of the phone window, drawn with QPainter in the phone's own look:
// raised keys that light up under the mouse, round call keys, the segments
// of the navigation ring, flat caption buttons, and an optional lamp that is
// clearly on (coloured, glowing) or off (dark). Everything is vector drawing,
// so the buttons are sharp at any screen scale.
//
// Threading: window thread.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <QVariantAnimation>

namespace zy::ui {

enum class ButtonLook {
  Key,       // keypad key: the digit and a line of letters below it
  Function,  // a rounded key with a label, and a lamp when it has one
  Call,      // the green off-hook key
  HangUp,    // the red on-hook key
  NavRing,   // one quarter of the navigation ring (see SetRingDirection)
  Caption,   // flat button of the title bar
  CaptionClose,
  Menu,  // the drop-down of the title bar
};

enum class Glyph {
  None,
  HandsetUp,
  HandsetDown,
  Hold,
  Microphone,
  Envelope,
  CallList,
  ArrowUp,
  ArrowDown,
  ArrowLeft,
  ArrowRight,
  Check,
  Cross,
  Backspace,
  Close,
  Minimise,
  Moon,
  Bell,
  IdCard,
  Person,
  Modes,
};

// The colours of a lamp.
inline const QColor kLampRed{0xFF, 0x4D, 0x3D};
inline const QColor kLampAmber{0xFF, 0xB0, 0x20};
inline const QColor kLampGreen{0x3D, 0xDC, 0x84};
inline const QColor kLampBlue{0x4D, 0xA6, 0xFF};

class CPhoneButton : public QAbstractButton {
 public:
  // `id`: the control id of the phone window.
  CPhoneButton(int id, ButtonLook look, QWidget* parent = nullptr);

  int Id() const { return id_; }
  ButtonLook Look() const { return look_; }

  void SetGlyph(Glyph glyph);
  Glyph GetGlyph() const { return glyph_; }
  // Small text under the main one (the letters of a keypad key).
  void SetSubText(const QString& text);

  // A lamp of this colour; it starts off.
  void SetLampColour(const QColor& colour);
  bool HasLamp() const { return lampColour_.isValid(); }
  void SetLamp(bool on);
  bool Lamp() const { return lamp_; }

  // A navigation ring segment: 0 up, 1 right, 2 down, 3 left. The button's
  // rectangle is the whole ring; its mask keeps its own quarter.
  void SetRingDirection(int direction);

  bool Hovered() const { return hovered_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  void PaintKeyFace(QPainter& p, const QRectF& r, double radius) const;
  void PaintRing(QPainter& p) const;
  void PaintLamp(QPainter& p, const QPointF& centre, double radius) const;
  void PaintLabel(QPainter& p, const QRectF& r, const QColor& colour) const;
  void UpdateRingMask();

  int id_;
  ButtonLook look_;
  Glyph glyph_ = Glyph::None;
  QString subText_;
  QColor lampColour_;
  bool lamp_ = false;
  int ringDirection_ = 0;
  bool hovered_ = false;
  // 0 .. 1: how far the hover highlight has faded in.
  double hover_ = 0;
  QVariantAnimation hoverFade_;
};

// Draws a glyph centred in `r` with the pen colour `colour`.
void PaintGlyph(QPainter& p, Glyph glyph, const QRectF& r, const QColor& colour);

}  // namespace zy::ui
