#include "app/UcTextDlg.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/QtText.h"

namespace zy {

namespace {
// Longest text the PBX keeps for the number and for the message.
constexpr int kMaxNumberLength = 32;
constexpr int kMaxMessageLength = 200;
}  // namespace

CUcTextDlg::CUcTextDlg(Kind kind, const std::string& text, QWidget* parent)
    : QDialog(parent), kind_(kind) {
  setObjectName(kind == Kind::Number ? QStringLiteral("CUcTextDlg479")
                                     : QStringLiteral("CUcTextDlg480"));
  setModal(true);
  field_.setObjectName(kind == Kind::Number ? QStringLiteral("edit1100")
                                            : QStringLiteral("edit1209"));
  field_.setMaxLength(kind == Kind::Number ? kMaxNumberLength : kMaxMessageLength);
  field_.setMinimumWidth(field_.fontMetrics().horizontalAdvance(QString(28, u'0')));
  field_.setText(FromCp1252(text));
  field_.selectAll();
  label_.setBuddy(&field_);

  ok_.setDefault(true);
  buttons_.addButton(&ok_, QDialogButtonBox::AcceptRole);
  buttons_.addButton(&cancel_, QDialogButtonBox::RejectRole);
  QObject::connect(&buttons_, &QDialogButtonBox::accepted, this, [this] { accept(); });
  QObject::connect(&buttons_, &QDialogButtonBox::rejected, this, [this] { reject(); });

  auto row = std::make_unique<QHBoxLayout>();
  row->addWidget(&label_);
  row->addWidget(&field_, 1);
  auto layout = std::make_unique<QVBoxLayout>();
  layout->addLayout(row.release());
  layout->addWidget(&buttons_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setLayout(layout.release());
  Relabel();
}

std::string CUcTextDlg::Text() const { return ToCp1252(field_.text()); }

void CUcTextDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CUcTextDlg::Relabel() {
  if (kind_ == Kind::Number) {
    setWindowTitle(tr("Numero di telefono"));
    label_.setText(tr("&Numero:"));
  } else {
    setWindowTitle(tr("Messaggio di risposta"));
    label_.setText(tr("&Messaggio:"));
  }
  ok_.setText(tr("OK"));
  cancel_.setText(tr("Annulla"));
}

}  // namespace zy
