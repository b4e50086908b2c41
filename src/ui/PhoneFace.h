// The picture of the phone window: where each control sits in each layout,
// the window's shape, and the body drawn behind the controls (the graphite
// case, the title band, the display's bezel, the plates behind the keypad
// and the function keys, the navigation ring's well, a speaker grille).
//
// Sizes are in device-independent pixels; the drawing is vector work, sharp
// at any screen scale.
//
// Threading: window thread.
#pragma once

#include <QPainterPath>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

#include "app/PhoneStream.h"
#include "ui/PhoneButton.h"

class QPainter;

namespace zy::ui {

class PhoneFace {
 public:
  // The height of the title band, whose top part drags the window.
  static constexpr int kTitleBand = 40;
  // Radius of the window's three rounded corners.
  static constexpr qreal kCornerRadius = 26;

  struct Control {
    int id;
    ButtonLook look;
    QRect rect;
  };

  // Lays out `layout` around a display of `displaySize`.
  PhoneFace(PhoneLayout layout, QSize displaySize);

  QSize Size() const { return size_; }
  QRect Display() const { return display_; }
  // Every control of the layout, the title band's buttons included.
  const std::vector<Control>& Controls() const { return controls_; }

  // The window's outline: the top corners and the bottom left one rounded,
  // the bottom right square.
  QPainterPath Shape() const;

  // Draws the body; `edition` and `extension` go into the title band.
  void Paint(QPainter& p, const QString& edition, const QString& extension) const;

 private:
  void AddTitleBand();

  PhoneLayout layout_;
  QSize size_;
  QRect bezel_;
  QRect display_;
  QRect ring_;         // the navigation ring, empty in the basic layout
  QRect keypadPanel_;  // the plate behind the keypad
  QRect functionPanel_;
  QRect titleText_;
  std::vector<Control> controls_;
};

}  // namespace zy::ui
