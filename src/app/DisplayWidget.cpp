#include "app/DisplayWidget.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <utility>

#include "platform/QtText.h"

namespace zy {

namespace {

constexpr int kFrameWidth = 1;
// Room between the frame and the first character.
constexpr int kTextInset = 3;

// The first of `families` that is installed; the last one otherwise (Qt then
// substitutes its own default). The font database may list a family with
// its foundry, as in "Nimbus Sans Narrow [urw]".
QString FirstInstalled(const QStringList& families) {
  QStringList installed = QFontDatabase::families();
  for (QString& name : installed) {
    const qsizetype foundry = name.indexOf(QLatin1String(" ["));
    if (foundry > 0) name.truncate(foundry);
  }
  for (const QString& family : families) {
    if (installed.contains(family, Qt::CaseInsensitive)) return family;
  }
  return families.back();
}

}  // namespace

QFont DisplayFont(bool large) {
  // Looked up once: the installed families do not change while the phone
  // runs (the display fonts are added at start).
  static const QString normalFamily = FirstInstalled(
      {"Tahoma Bold", "Tahoma", "DejaVu Sans", "Liberation Sans", "Verdana", "Sans Serif"});
  static const QString largeFamily =
      FirstInstalled({"Arial Narrow", "Liberation Sans Narrow", "Nimbus Sans Narrow",
                      "DejaVu Sans Condensed", "Sans Serif"});
  QFont font(large ? largeFamily : normalFamily);
  font.setPixelSize(large ? kLargeFontPixels : kNormalFontPixels);
  font.setWeight(QFont::Bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

// ---------------------------------------------------------------------------
// CLine

void CLine::Update(const DisplayLineState& state, int index, const QRect& area, int bandHeight) {
  state_ = state;
  if (fontPixels_ != state.FontPixels()) {
    font_ = DisplayFont(state.large);
    fontPixels_ = state.FontPixels();
  }
  rect_ = QRect(area.left(), area.top() + index * bandHeight, area.width(), state.LineHeight());
}

void CLine::Paint(QPainter& painter) const {
  painter.fillRect(rect_, Background());
  painter.setFont(font_);
  painter.setPen(Foreground());
  const QRect textRect = rect_.adjusted(kTextInset, 0, 0, 0);
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   FromCp1252(state_.text));
  if (state_.hovered && IsMenuLineText(state_.text)) {
    painter.setPen(QPen(Foreground(), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect_.adjusted(1, 1, -2, -2));
  }
}

// ---------------------------------------------------------------------------
// CDisplayButton

CDisplayButton::CDisplayButton(CDisplay* display) : QWidget(display), display_(display) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_NoSystemBackground);
}

void CDisplayButton::HoverAt(const QPoint& point) {
  const int line = display_->HitLine(point);
  const int old = display_->HoveredLine();
  if (line == old) return;
  if (old >= 0) display_->SetHover(old, false);
  if (line >= 0) display_->SetHover(line, true);
  setCursor(line >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CDisplayButton::mouseMoveEvent(QMouseEvent* event) {
  HoverAt(event->position().toPoint());
  QWidget::mouseMoveEvent(event);
}

void CDisplayButton::mousePressEvent(QMouseEvent* event) {
  doubleClicked_ = false;
  event->accept();
}

void CDisplayButton::mouseReleaseEvent(QMouseEvent* event) {
  // The release that ends a double-click is not a second click.
  const bool afterDoubleClick = std::exchange(doubleClicked_, false);
  if (event->button() == Qt::LeftButton && !afterDoubleClick &&
      rect().contains(event->position().toPoint())) {
    HoverAt(event->position().toPoint());
    if (display_->onLineClicked) display_->onLineClicked(display_->LineDigit());
  }
  QWidget::mouseReleaseEvent(event);
}

void CDisplayButton::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    doubleClicked_ = true;
    if (display_->onDoubleClicked) display_->onDoubleClicked();
  }
  event->accept();
}

void CDisplayButton::leaveEvent(QEvent* event) {
  const int old = display_->HoveredLine();
  if (old >= 0) display_->SetHover(old, false);
  unsetCursor();
  QWidget::leaveEvent(event);
}

// ---------------------------------------------------------------------------
// CDisplay

CDisplay::CDisplay(QWidget* parent) : QWidget(parent), button_(this) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  const int flash = QApplication::cursorFlashTime();
  blinkTimer_.setInterval(flash > 0 ? flash / 2 : 0);
  QObject::connect(&blinkTimer_, &QTimer::timeout, this, [this] { Blink(); });
  Relayout();
}

QRect CDisplay::Area() const {
  return rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
}

QSize CDisplay::sizeHint() const {
  const QFontMetrics metrics(DisplayFont(false));
  const int width = metrics.horizontalAdvance(QString(static_cast<int>(kDisplayColumns), '0'));
  return QSize(width + 2 * kTextInset + 2 * kFrameWidth,
               kDisplayLines * kNormalLineHeight + 2 * kFrameWidth);
}

QSize CDisplay::minimumSizeHint() const { return sizeHint(); }

void CDisplay::Relayout() {
  const QRect area = Area();
  const int band = BandHeight();
  for (int i = 0; i < kDisplayLines; ++i) {
    shown_[static_cast<size_t>(i)].Update(model_.Line(i), i, area, band);
  }
  cursorRect_ = CursorRect();
  button_.setGeometry(rect());
}

void CDisplay::resizeEvent(QResizeEvent* event) {
  Relayout();
  QWidget::resizeEvent(event);
}

void CDisplay::UpdateLine(int index) {
  CLine& line = shown_[static_cast<size_t>(index)];
  const QRect before = line.Rect();
  line.Update(model_.Line(index), index, Area(), BandHeight());
  update(before.united(line.Rect()));
}

bool CDisplay::SetLine(uint16_t subject, std::span<const uint8_t> chars) {
  const auto line = ParseDisplayLine(subject, chars.data(), chars.size());
  if (!line) return false;
  SetLine(*line);
  return true;
}

void CDisplay::SetLine(const DisplayLine& line) {
  const int hovered = model_.Hovered();
  if (!model_.SetLine(line)) return;
  UpdateLine(line.line);
  // A line that stopped being a menu line lost the highlight.
  if (hovered >= 0 && model_.Hovered() < 0) button_.unsetCursor();
  // The cursor's x depends on the text of its line.
  if (model_.CursorShown() && model_.Cursor().line == line.line) {
    update(cursorRect_);
    cursorRect_ = CursorRect();
    update(cursorRect_);
  }
}

QRect CDisplay::CursorRect() const {
  if (!model_.CursorShown()) return {};
  const CursorState& cursor = model_.Cursor();
  const CLine& line = shown_[static_cast<size_t>(cursor.line)];
  const QString text = FromCp1252(line.State().text);
  const int x = cursor.column == 0
                    ? 0
                    : QFontMetrics(line.Font()).horizontalAdvance(text.left(cursor.column));
  const int height = line.State().FontPixels();
  const QRect& r = line.Rect();
  return QRect(r.left() + kTextInset + x, r.top() + (r.height() - height) / 2, 1, height);
}

int CDisplay::SetCursor(uint8_t command, uint8_t position) {
  if (model_.SetCursor(command, position)) {
    update(cursorRect_);
    cursorRect_ = CursorRect();
    update(cursorRect_);
    cursorOn_ = true;
    if (model_.CursorShown() && blinkTimer_.interval() > 0) {
      blinkTimer_.start();
    } else {
      blinkTimer_.stop();
    }
  }
  return 2;
}

void CDisplay::Blink() {
  cursorOn_ = !cursorOn_;
  update(cursorRect_);
}

int CDisplay::HitLine(const QPoint& point) const {
  const QRect area = Area();
  if (!area.contains(point)) return -1;
  return model_.HitLine(point.y() - area.top(), BandHeight());
}

void CDisplay::SetHover(int index, bool on) {
  if (on) {
    const int previous = model_.SetHovered(index);
    if (previous >= 0 && previous != index) UpdateLine(previous);
    if (model_.Hovered() >= 0) UpdateLine(model_.Hovered());
  } else if (model_.Hovered() == index && index >= 0) {
    model_.SetHovered(-1);
    UpdateLine(index);
  }
}

void CDisplay::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = Area();
  // Frame and the background of any band not covered by a line.
  painter.fillRect(rect(), kDisplayFrame);
  painter.fillRect(area, kDisplayBackground);
  painter.setClipRegion(event->region().intersected(area));
  // From the last line to the first, so that a large line covers the band
  // below it.
  for (int i = kDisplayLines - 1; i >= 0; --i) {
    const CLine& line = shown_[static_cast<size_t>(i)];
    if (event->region().intersects(line.Rect())) line.Paint(painter);
  }
  if (model_.CursorShown() && cursorOn_) {
    painter.fillRect(cursorRect_, shown_[static_cast<size_t>(model_.Cursor().line)].Foreground());
  }
}

}  // namespace zy
