#include "app/LoggedInDlg.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DalmoAppCore.h"
#include "platform/QtText.h"
#include "ui/Language.h"

namespace zy {

CLoggedInDlg::CLoggedInDlg(PhoneWindowContext& context) : context_(context) {
  setObjectName(QStringLiteral("CLoggedInDlg"));
  setAttribute(Qt::WA_QuitOnClose, true);
  text_ = new QLabel(this);
  close_ = new QPushButton(this);
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);
  setMinimumWidth(360);
  Relabel();
}

void CLoggedInDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QWidget::changeEvent(event);
}

void CLoggedInDlg::Relabel() {
  const ui::UiLanguage& lang = ui::UiLanguage::Instance();
  const LinkState& state = context_.link.State();
  setWindowTitle(lang.Text(EditionTitleId(state.edition)));
  text_->setText(tr("Collegato al centralino come interno %1 (id 0x%2).")
                     .arg(FromCp1252(context_.session.settings.extension))
                     .arg(state.ownId.load(), 4, 16, QLatin1Char('0')));
  close_->setText(tr("Chiudi"));
}

}  // namespace zy
