// "Caduta del collegamento con il sistema": the link is down; the user
// retries (OK, "Riprova = %1", counting down from 60 s and pressed by itself
// at 0) or gives up ("Annulla").
//
// Threading: window thread.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>
#include <chrono>
#include <cstdint>

class QLabel;
class QPushButton;

namespace zy {

class CWarningDlg : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(CWarningDlg)

 public:
  static constexpr int kCountdownSeconds = 60;

  // `stringId` and `code` name the failure (157, 164, 270, 153, 275 ...).
  CWarningDlg(int stringId, int64_t code, QWidget* parent = nullptr);

  // Shows the dialog modally; true to retry.
  static bool Ask(QWidget* parent, int stringId, int64_t code);

  // The countdown's start and the length of one step (tests shorten it).
  void SetCountdown(int seconds, std::chrono::milliseconds step);
  int SecondsLeft() const { return secondsLeft_; }
  QPushButton* RetryButton() const { return retry_; }
  QPushButton* CancelButton() const { return cancel_; }
  QLabel* TextLabel() const { return text_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Relabel();
  void Tick();

  int stringId_;
  int64_t code_;
  int secondsLeft_ = kCountdownSeconds;
  QTimer timer_;
  QLabel* text_;
  QPushButton* retry_;
  QPushButton* cancel_;
};

}  // namespace zy
