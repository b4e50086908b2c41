// The phone's display: 12 lines of 32 columns drawn in the display area of
// the phone window, as the PBX writes them, with a text cursor and menu
// lines that the mouse can highlight and click.
//
// `CDisplay` keeps the lines in a `DisplayModel` and redraws a line only when
// what it shows changed. `CLine` draws one line. `CDisplayButton` is a
// transparent layer over the display that turns mouse movement into the
// highlighted menu line and clicks into the line's digit; a double-click asks
// for the dial dialog.
//
// Line i occupies the band starting at i x (area height / 12); normal lines
// use a 16-pixel bold font and are 20 pixels high, large lines a 36-pixel
// narrow bold font and are 40 pixels high (overlapping the next band).
// Sizes are in device-independent pixels, so the display is sharp at any
// screen scale.
//
// Threading: window thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "app/DisplayModel.h"

class QPainter;

namespace zy {

// Colours of the display.
inline const QColor kDisplayBackground{215, 218, 238};
inline const QColor kDisplayText{128, 128, 128};
inline const QColor kDisplayFrame{127, 127, 127};

// The fonts of normal and large lines: "Tahoma Bold" 16 px and "Arial Narrow"
// 36 px, bold, or the closest installed families.
QFont DisplayFont(bool large);

// One line of the display as drawn.
class CLine {
 public:
  // Takes the line's state and places it in `area` (band `bandHeight`); the
  // font is created again only when the size changes.
  void Update(const DisplayLineState& state, int index, const QRect& area, int bandHeight);
  void Paint(QPainter& painter) const;

  const QRect& Rect() const { return rect_; }
  const QFont& Font() const { return font_; }
  const DisplayLineState& State() const { return state_; }
  QColor Background() const { return state_.inverse ? kDisplayText : kDisplayBackground; }
  QColor Foreground() const { return state_.inverse ? kDisplayBackground : kDisplayText; }

 private:
  DisplayLineState state_;
  QFont font_;
  int fontPixels_ = 0;
  QRect rect_;
};

class CDisplay;

// The transparent layer over the display that follows the mouse.
class CDisplayButton : public QWidget {
 public:
  explicit CDisplayButton(CDisplay* display);

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void HoverAt(const QPoint& point);
  CDisplay* display_;
  bool doubleClicked_ = false;
};

class CDisplay : public QWidget {
 public:
  explicit CDisplay(QWidget* parent = nullptr);

  // The display-line form of the status stream (subject: line number and
  // attributes); false when the block is not a display line.
  bool SetLine(uint16_t subject, std::span<const uint8_t> chars);
  // A line already parsed; redrawn only when it changed.
  void SetLine(const DisplayLine& line);

  // The cursor command of the display stream (0x50..0x57 and the position
  // byte); returns the number of bytes used, always 2.
  int SetCursor(uint8_t command, uint8_t position);
  bool CursorShown() const { return model_.CursorShown(); }
  // Where the cursor bar is drawn (empty when hidden).
  QRect CursorRect() const;

  // The menu line under `point` (widget coordinates), or -1.
  int HitLine(const QPoint& point) const;
  // Highlights menu line `index` (on) or removes the highlight (off).
  void SetHover(int index, bool on);
  int HoveredLine() const { return model_.Hovered(); }
  // The digit of the highlighted line (0..9 or another value), -1 for none.
  int LineDigit() const { return model_.LineDigit(); }

  const DisplayModel& Model() const { return model_; }
  const CLine& Line(int index) const { return shown_[static_cast<size_t>(index)]; }
  // The area inside the frame where the lines are drawn.
  QRect Area() const;
  int BandHeight() const { return Area().height() / kDisplayLines; }
  CDisplayButton* Button() { return &button_; }

  // What the phone window does on a click of the display (with LineDigit)
  // and on a double-click (the dial dialog).
  std::function<void(int digit)> onLineClicked;
  std::function<void()> onDoubleClicked;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Relayout();
  void UpdateLine(int index);
  void Blink();

  DisplayModel model_;
  std::array<CLine, kDisplayLines> shown_;
  CDisplayButton button_;  // child widget covering the whole display
  QTimer blinkTimer_;
  bool cursorOn_ = true;
  QRect cursorRect_;
};

}  // namespace zy
