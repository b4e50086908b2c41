// CDalmoDlg, the phone window: a desk telephone with the PBX's 12-line
// display, a keypad, the call keys, function keys with lamps and the
// "&Visualizza" menu. It holds almost no telephony of its own: the PBX
// drives it through the display and status streams (PhoneStream turns them
// into actions, which the window applies), every key goes to the PBX, and
// the PBX's media commands go to the audio side (PhoneAudio).
//
// Three layouts, chosen from the edition flags of the login reply: basic
// (keypad and call keys), Pro (everything, with "Uc") and hotel (everything
// but "Uc").
//
// The window is also the program's main window: it sends the link's
// keep-alive every 5 s, reacts to a lost link (minimised and disabled while
// the user is asked and the session is rebuilt), dials the numbers handed to
// the program, and keeps its place in the "Phone window" record. While it
// exists, characters typed anywhere in the program reach the PBX: with a
// cursor on the display as text-entry keys, otherwise digits as dialled
// digits; not while a modal dialog is open or a text field has the focus.
//
// Threading: window thread only.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/DisplayWidget.h"
#include "app/PanelMenu.h"
#include "app/PhoneControls.h"
#include "app/PhoneKeys.h"
#include "app/PhoneMenus.h"
#include "app/PhoneStream.h"
#include "app/PhoneWindow.h"

class QMenu;

namespace zy {

namespace ui {
class CPhoneButton;
class PhoneFace;
}  // namespace ui

class CDalmoDlg : public QWidget, public PhoneWindow {
  Q_DECLARE_TR_FUNCTIONS(CDalmoDlg)

 public:
  static constexpr int kKeepAliveMs = 5000;
  // A press this close to the top edge drags the window.
  static constexpr int kDragBandPixels = 30;
  // Where the window goes without a "Phone window" record.
  static constexpr int kDefaultLeft = 15;
  static constexpr int kDefaultTop = 11;

  // Creates and initialises the window: the layout of the edition, its
  // place, the link's event handlers, key 'p' (the PBX rewrites display and
  // lamps) and the keep-alive timer. Show it afterwards.
  explicit CDalmoDlg(const PhoneWindowContext& context);
  ~CDalmoDlg() override;

  // PhoneWindow.
  QWidget* Widget() override { return this; }
  bool CanDial() const override { return true; }
  void Dial(const std::string& number, DialOrigin origin) override;
  uint8_t PhoneStatus() const override { return stream_.PhoneStatus(); }

  PhoneLayout Layout() const { return stream_.Layout(); }
  CDisplay& Display() { return display_; }
  // The button of a control id; null when the layout has none.
  ui::CPhoneButton* Button(int id) const;
  std::vector<ui::CPhoneButton*> Buttons() const;
  // The text of the mode button ("Modo 1" until the PBX names the mode).
  QString ModeText() const;

  // A modal dialog of the program is open: typing does not reach the PBX.
  bool ModalDialogOpen() const;
  // Set while the program's own modal dialogs run (the dial dialog and the
  // others opened here); other parts read it.
  std::atomic<bool>& ModalFlag() { return modalOpen_; }
  // A lost link is being handled.
  bool Reconnecting() const { return reconnecting_; }

  // The link's events, posted to the window thread.
  void OnDisplay(std::span<const uint8_t> payload);
  void OnStatus(uint16_t subject, std::span<const uint8_t> payload);
  void OnMedia(uint16_t command);
  void OnLinkError(int stringId, int64_t code);
  void OnDialRequest(const std::string& number);

  // A keypad digit ('0'..'9', '*', '#'): a tone event when the call's RTP
  // session takes it, else the keypad key.
  void PressKeypad(char32_t ch);
  // A character typed on the PC keyboard; true when it was sent.
  bool TypeCharacter(char32_t ch);

  // The menu of a function button (ND, mode, ID, "Uc") or of "&Visualizza",
  // built as it would open now (the parameters read from the PBX); choosing
  // an item acts at once. Nothing for other ids.
  std::unique_ptr<QMenu> BuildMenu(int controlId);

  // Closes without asking (a failed reconnection, tests).
  void CloseNow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildFace();
  void Relabel();
  void PlaceWindow();
  void InstallLinkHandlers();
  void RemoveLinkHandlers();

  void Apply(const PhoneActions& actions);
  void SetLamp(PhoneLamp lamp, bool on);
  bool LampOn(PhoneLamp lamp) const;
  void ShowMode(const ModeAction& mode);
  void AttractAttention();
  void StopAttention();

  bool SendKeyCode(uint16_t code);
  void SendKeys(const std::vector<uint16_t>& keys);
  void SendPress(const KeyPress& press);
  void SendFunction(std::optional<uint16_t> function);
  void OnButton(int id);
  void OpenMenu(int controlId);
  void OpenDialDialog();
  void OpenPreferences();
  void OpenAbout();
  void OnViewCommand(ViewCommand command);
  void ChooseAvailability(AvailabilityItem item);
  // Runs a modal dialog of the program with the modal flag set.
  int RunModal(class QDialog& dialog);

  bool AskClose();
  void SaveWindowRecords();
  void ShowError(int stringId);

  // A copy: the program's context is a value of its start routine.
  PhoneWindowContext context_;
  PhoneStream stream_;
  std::unique_ptr<ui::PhoneFace> face_;
  CDisplay display_;
  std::map<int, std::unique_ptr<ui::CPhoneButton>> buttons_;
  QTimer keepAlive_;
  std::atomic<bool> modalOpen_{false};
  bool reconnecting_ = false;
  bool closeConfirmed_ = false;
  QString modeText_;
  // Dragging by the top band without the window system's help.
  std::optional<QPoint> dragOffset_;
};

}  // namespace zy
