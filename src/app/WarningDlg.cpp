#include "app/WarningDlg.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <string>

#include "link/LinkMessages.h"
#include "platform/QtText.h"
#include "ui/Language.h"

namespace zy {

namespace {
constexpr int kStrLinkDown = 155;
constexpr int kStrRetryCountdown = 403;
}  // namespace

CWarningDlg::CWarningDlg(int stringId, int64_t code, QWidget* parent)
    : QDialog(parent), stringId_(stringId), code_(code) {
  setObjectName(QStringLiteral("CWarningDlg"));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  text_ = new QLabel(this);
  text_->setWordWrap(true);
  text_->setMinimumWidth(340);

  auto* buttons = new QDialogButtonBox(this);
  retry_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  retry_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(text_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);

  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  Relabel();
}

bool CWarningDlg::Ask(QWidget* parent, int stringId, int64_t code) {
  CWarningDlg dlg(stringId, code, parent);
  return dlg.exec() == QDialog::Accepted;
}

void CWarningDlg::SetCountdown(int seconds, std::chrono::milliseconds step) {
  secondsLeft_ = seconds;
  timer_.setInterval(static_cast<int>(step.count()));
  Relabel();
}

void CWarningDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  timer_.start();
}

void CWarningDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QDialog::changeEvent(event);
}

void CWarningDlg::Relabel() {
  const ui::UiLanguage& lang = ui::UiLanguage::Instance();
  setWindowTitle(tr("Caduta del collegamento con il sistema"));
  text_->setText(lang.Formatted(kStrLinkDown, {LinkErrorText(stringId_, code_, lang.Current())}));
  const std::string seconds = std::to_string(secondsLeft_);
  retry_->setText(lang.Formatted(kStrRetryCountdown, {seconds}));
  cancel_->setText(tr("Annulla"));
}

void CWarningDlg::Tick() {
  if (secondsLeft_ > 0) --secondsLeft_;
  Relabel();
  if (secondsLeft_ == 0) {
    timer_.stop();
    accept();
  }
}

}  // namespace zy
