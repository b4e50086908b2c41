#include "app/DisplayWidget.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "support/QtTestApp.h"

namespace zy {
namespace {

// Collects the regions that the display repaints.
class PaintRecorder : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
    return QObject::eventFilter(watched, event);
  }
  QRegion region;
};

class DisplayWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    display = std::make_unique<CDisplay>();
    display->resize(display->sizeHint());
    display->onLineClicked = [this](int digit) { clicks.push_back(digit); };
    display->onDoubleClicked = [this] { ++doubleClicks; };
    display->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(display.get()));
    display->installEventFilter(&recorder);
  }

  void Set(int line, const std::string& text, int attributes = 0) {
    const std::vector<uint8_t> chars(text.begin(), text.end());
    ASSERT_TRUE(display->SetLine(static_cast<uint16_t>((attributes << 8) | line), chars));
  }
  // Lets pending repaints happen and returns what was repainted since the
  // last call.
  QRegion Repainted() {
    QCoreApplication::processEvents();
    QTest::qWait(20);
    return std::exchange(recorder.region, QRegion());
  }
  QPoint InLine(int line, int dy = 10) const {
    const QRect area = display->Area();
    return QPoint(area.left() + 40, area.top() + line * display->BandHeight() + dy);
  }
  // Mouse events as the window system delivers them to the layer over the
  // display (a double-click arrives as press, release, press, double-click,
  // release).
  void Mouse(QEvent::Type type, const QPoint& at) {
    QWidget* button = display->Button();
    const bool moving = type == QEvent::MouseMove;
    const Qt::MouseButton which = moving ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease || moving ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(button->mapToGlobal(at)), which, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(button, &event);
  }
  void MoveTo(int line) { Mouse(QEvent::MouseMove, InLine(line)); }
  void Click(int line) {
    Mouse(QEvent::MouseButtonPress, InLine(line));
    Mouse(QEvent::MouseButtonRelease, InLine(line));
  }
  void DoubleClick(int line) {
    Click(line);
    Mouse(QEvent::MouseButtonPress, InLine(line));
    Mouse(QEvent::MouseButtonDblClick, InLine(line));
    Mouse(QEvent::MouseButtonRelease, InLine(line));
  }
  QColor PixelAt(const QPoint& p) const {
    const QImage image = display->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(p.x() * ratio), static_cast<int>(p.y() * ratio));
  }

  std::unique_ptr<CDisplay> display;
  PaintRecorder recorder;
  std::vector<int> clicks;
  int doubleClicks = 0;
};

// --- Lines ----------------------------------------------------------------

TEST_F(DisplayWidgetTest, LineIsRedrawnOnlyWhenItChanges) {
  Repainted();
  Set(3, "Chiamata in corso");
  const QRegion first = Repainted();
  EXPECT_TRUE(first.intersects(display->Line(3).Rect()));
  EXPECT_FALSE(first.intersects(display->Line(5).Rect()));

  Set(3, "Chiamata in corso");
  EXPECT_TRUE(Repainted().isEmpty());

  Set(3, "Chiamata in corso", /*inverse*/ 0x01);
  EXPECT_TRUE(Repainted().intersects(display->Line(3).Rect()));
}

TEST_F(DisplayWidgetTest, StatusRecordIsNotALine) {
  const std::vector<uint8_t> chars{'x'};
  EXPECT_FALSE(display->SetLine(0x0401, chars));
  EXPECT_FALSE(display->SetLine(0x000C, chars));
  EXPECT_TRUE(Repainted().isEmpty());
}

TEST_F(DisplayWidgetTest, BandsAndLineSizes) {
  const int band = display->BandHeight();
  EXPECT_EQ(band, display->Area().height() / 12);
  Set(4, "Grande", /*large*/ 0x02);
  const CLine& large = display->Line(4);
  EXPECT_EQ(large.Rect().top(), display->Area().top() + 4 * band);
  EXPECT_EQ(large.Rect().height(), 40);
  EXPECT_EQ(large.Rect().width(), display->Area().width());
  EXPECT_EQ(QFontInfo(large.Font()).pixelSize(), 36);
  EXPECT_TRUE(large.Font().bold());
  EXPECT_EQ(display->Line(5).Rect().height(), 20);
  EXPECT_EQ(QFontInfo(display->Line(5).Font()).pixelSize(), 16);

  // Shrinking the large line back repaints its old lower half too.
  Repainted();
  Set(4, "Normale");
  EXPECT_TRUE(Repainted().contains(QPoint(10, display->Area().top() + 5 * band + 10)));
}

TEST_F(DisplayWidgetTest, ColoursFrameAndInverseLine) {
  Set(1, "Normale");
  Set(2, "Inversa", /*inverse*/ 0x01);
  Repainted();
  const int right = display->Area().right() - 2;  // past the text
  EXPECT_EQ(PixelAt({0, 0}), kDisplayFrame);
  EXPECT_EQ(PixelAt({right, InLine(1, 2).y()}), kDisplayBackground);
  EXPECT_EQ(PixelAt({right, InLine(2, 2).y()}), kDisplayText);
  // The inverse line's text is drawn in the background colour somewhere.
  const QImage image = display->grab().toImage();
  bool lightTextFound = false;
  const QRect r = display->Line(2).Rect();
  const qreal ratio = image.devicePixelRatio();
  for (int x = r.left(); x < r.left() + 60 && !lightTextFound; ++x) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      if (image.pixelColor(int(x * ratio), int(y * ratio)) == kDisplayBackground) {
        lightTextFound = true;
        break;
      }
    }
  }
  EXPECT_TRUE(lightTextFound);
}

// --- Cursor -------------------------------------------------------------------

TEST_F(DisplayWidgetTest, CursorPlacedByLineAndColumnAndHiddenBy0xFF) {
  Set(2, "Nome: Rossi");
  EXPECT_EQ(display->SetCursor(0x50, 0x45), 2);
  ASSERT_TRUE(display->CursorShown());
  const QRect cursor = display->CursorRect();
  const CLine& line = display->Line(2);
  EXPECT_TRUE(line.Rect().contains(cursor));
  EXPECT_EQ(cursor.width(), 1);
  EXPECT_EQ(cursor.height(), 16);
  EXPECT_EQ(cursor.center().y(), line.Rect().center().y());
  const int textLeft = display->SetCursor(0x50, 0x40) ? display->CursorRect().left() : -1;
  EXPECT_EQ(cursor.left() - textLeft, QFontMetrics(line.Font()).horizontalAdvance("Nome:"));

  EXPECT_EQ(display->SetCursor(0x50, 0xFF), 2);
  EXPECT_FALSE(display->CursorShown());
  EXPECT_TRUE(display->CursorRect().isEmpty());
}

// --- Mouse ----------------------------------------------------------------------

TEST_F(DisplayWidgetTest, HoverAndClickOnMenuLineReportTheDigit) {
  Set(2, "3. Trasferimento");
  Set(3, "Non un menu");
  MoveTo(2);
  EXPECT_EQ(display->HoveredLine(), 2);
  EXPECT_TRUE(display->Line(2).State().hovered);
  EXPECT_EQ(display->LineDigit(), 3);
  EXPECT_TRUE(Repainted().intersects(display->Line(2).Rect()));

  Click(2);
  EXPECT_EQ(clicks, std::vector<int>{3});

  MoveTo(3);
  EXPECT_EQ(display->HoveredLine(), -1);
  EXPECT_FALSE(display->Line(2).State().hovered);
  Click(3);
  EXPECT_EQ(clicks, (std::vector<int>{3, -1}));
}

TEST_F(DisplayWidgetTest, LeavingTheDisplayClearsTheHighlight) {
  Set(5, "6\x80 Altro");  // 0x80 shows as the bullet
  MoveTo(5);
  ASSERT_EQ(display->HoveredLine(), 5);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(display->Button(), &leave);
  EXPECT_EQ(display->HoveredLine(), -1);
  EXPECT_EQ(display->LineDigit(), -1);
}

TEST_F(DisplayWidgetTest, LineZeroIsNeverAMenuLine) {
  Set(0, "1. Intestazione");
  MoveTo(0);
  EXPECT_EQ(display->HoveredLine(), -1);
}

TEST_F(DisplayWidgetTest, DoubleClickAsksForTheDialDialogOnce) {
  Set(2, "3. Trasferimento");
  DoubleClick(2);
  EXPECT_EQ(doubleClicks, 1);
  // The first click of the pair is a click; the second is not.
  EXPECT_EQ(clicks, std::vector<int>{3});
}

}  // namespace
}  // namespace zy
