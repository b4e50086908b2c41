#include "app/AboutDlg.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <memory>

#include "app/DalmoAppCore.h"
#include "ui/Language.h"
#include "ui/PhoneButton.h"

namespace zy {

namespace {

QPixmap IconPixmap(int side, qreal ratio) {
  QPixmap pixmap(QSize(side, side) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF tile(side * 0.04, side * 0.04, side * 0.92, side * 0.92);
  QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
  fill.setColorAt(0, QColor(0x3F, 0xC4, 0x78));
  fill.setColorAt(1, QColor(0x1F, 0x8A, 0x4B));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRoundedRect(tile, side * 0.22, side * 0.22);
  const qreal glyph = side * 0.64;
  ui::PaintGlyph(p, ui::Glyph::HandsetUp,
                 QRectF(tile.center() - QPointF(glyph, glyph) / 2, QSizeF(glyph, glyph)),
                 Qt::white);
  return pixmap;
}

}  // namespace

QIcon PhoneIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(IconPixmap(side, 1.0));
  return icon;
}

CAboutDlg::CAboutDlg(int titleId, QWidget* parent) : QDialog(parent), titleId_(titleId) {
  setObjectName(QStringLiteral("CAboutDlg"));
  setModal(true);
  picture_.setPixmap(IconPixmap(64, devicePixelRatioF()));
  QFont big = edition_.font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  edition_.setFont(big);
  edition_.setObjectName(QStringLiteral("edition"));
  version_.setObjectName(QStringLiteral("version"));
  ok_.setDefault(true);
  buttons_.addButton(&ok_, QDialogButtonBox::AcceptRole);
  QObject::connect(&buttons_, &QDialogButtonBox::accepted, this, [this] { accept(); });

  auto texts = std::make_unique<QVBoxLayout>();
  texts->addWidget(&edition_);
  texts->addWidget(&version_);
  texts->addStretch();
  auto row = std::make_unique<QHBoxLayout>();
  row->addWidget(&picture_, 0, Qt::AlignTop);
  row->addSpacing(12);
  row->addLayout(texts.release(), 1);
  auto layout = std::make_unique<QVBoxLayout>();
  layout->addLayout(row.release());
  layout->addWidget(&buttons_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setLayout(layout.release());
  Relabel();
}

void CAboutDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CAboutDlg::Relabel() {
  const ui::UiLanguage& lang = ui::UiLanguage::Instance();
  const QString edition = lang.Text(titleId_).trimmed();
  setWindowTitle(tr("Informazioni su %1").arg(edition));
  edition_.setText(edition);
  version_.setText(lang.Text(326) + u' ' + lang.Text(kStrVersion));
  ok_.setText(tr("OK"));
}

}  // namespace zy
