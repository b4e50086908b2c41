#include "app/DalmoDlg.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>
#include <array>

#include "app/AboutDlg.h"
#include "app/DalmoAppCore.h"
#include "app/DialDlg.h"
#include "app/PhoneAudio.h"
#include "app/PhoneMenus.h"
#include "app/UcTextDlg.h"
#include "app/WarningDlg.h"
#include "link/FrameBuilders.h"
#include "link/Session.h"
#include "platform/QtText.h"
#include "settings/PrefDlg.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"
#include "ui/PhoneButton.h"
#include "ui/PhoneFace.h"
#include "ui/UiLinkEventSink.h"

namespace zy {

using ui::ButtonLook;
using ui::CPhoneButton;
using ui::Glyph;

namespace {

// String ids of the window's texts.
constexpr int kStrAudioDeviceFailed = 332;
constexpr int kStrConfirmClose = 353;
constexpr int kStrView = 305;
constexpr int kStrExtension = 192;
constexpr int kStrClearKey = 139;
constexpr int kStrYes = 310;
constexpr int kStrNo = 248;
constexpr int kStrAlarm = 107;
constexpr int kStrArrowDown = 121;
constexpr int kStrArrowLeft = 123;
constexpr int kStrArrowRight = 126;
constexpr int kStrArrowUp = 129;
constexpr int kStrNotDisturb = 185;
constexpr int kStrMessages = 236;
constexpr int kStrCallList = 238;
constexpr int kStrMute = 245;
constexpr int kStrHold = 215;
constexpr int kStrIdentity = 432;
constexpr int kStrSetMode = 434;
constexpr int kStrOffHook = 435;
constexpr int kStrOnHook = 436;

// Controls that send one key.
struct PlainKey {
  int id;
  uint16_t key;
};
constexpr std::array<PlainKey, 11> kPlainKeys = {{
    {control::kOffHook, kKeyOffHook},
    {control::kOnHook, kKeyOnHook},
    {control::kHold, kKeyHold},
    {control::kMute, kKeyMute},
    {control::kYes, kKeyYes},
    {control::kNo, kKeyNo},
    {control::kUp, kKeyUp},
    {control::kDown, kKeyDown},
    {control::kLeft, kKeyLeft},
    {control::kRight, kKeyRight},
    {control::kClear, kKeyClear},
}};

int LampControl(PhoneLamp lamp) {
  switch (lamp) {
    case PhoneLamp::Nd:
      return control::kNd;
    case PhoneLamp::Messages:
      return control::kMessages;
    case PhoneLamp::Calls:
      return control::kCalls;
    case PhoneLamp::Uc:
      return control::kUc;
    case PhoneLamp::Mute:
      return control::kMute;
    case PhoneLamp::Alarm:
      return control::kAlarm;
    case PhoneLamp::Id:
      return control::kId;
  }
  return 0;
}

// A data-memory text up to its first NUL; empty when unreadable.
std::string TextOf(const std::optional<std::string>& value) {
  return value ? ParameterText(*value) : std::string();
}

std::string WithNul(std::string text) {
  text.push_back('\0');
  return text;
}

// Whether typing into this widget is the user's text rather than keys for
// the PBX.
bool IsTextInput(const QObject* object) {
  if (qobject_cast<const QLineEdit*>(object) || qobject_cast<const QTextEdit*>(object) ||
      qobject_cast<const QPlainTextEdit*>(object) ||
      qobject_cast<const QAbstractSpinBox*>(object)) {
    return true;
  }
  const auto* combo = qobject_cast<const QComboBox*>(object);
  return combo && combo->isEditable();
}

QString Loaded(int id) { return ui::UiLanguage::Instance().Text(id); }

}  // namespace

// ---------------------------------------------------------------------------

CDalmoDlg::CDalmoDlg(const PhoneWindowContext& context)
    : context_(context),
      stream_(LayoutForEdition(context.link.State().edition.load()),
              context.link.State().isOperator.load()),
      display_(this) {
  setObjectName(QStringLiteral("CDalmoDlg"));
  setAttribute(Qt::WA_QuitOnClose, true);
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setFocusPolicy(Qt::StrongFocus);
  setWindowIcon(PhoneIcon());

  // Creation: the face of the layout, the display laid into its area.
  BuildFace();
  display_.setObjectName(QStringLiteral("display"));
  display_.Button()->setObjectName(QStringLiteral("button%1").arg(control::kDisplayArea));
  display_.onLineClicked = [this](int digit) {
    if (const auto key = MenuLineKeyCode(digit)) SendKeyCode(*key);
  };
  display_.onDoubleClicked = [this] { OpenDialDialog(); };

  // Initialisation: title, place, tooltips and lamps, the enabled state of
  // the function buttons, the link's events, key 'p', the keep-alive.
  Relabel();
  PlaceWindow();
  Apply(PhoneActions{stream_.Buttons()});
  if (CPhoneButton* alarm = Button(control::kAlarm)) alarm->setEnabled(false);
  InstallLinkHandlers();
  qApp->installEventFilter(this);

  if (!SendKeyCode(kKeyRefresh)) {
    ui::ShowErrorCp1252(nullptr,
                        ConnectionErrorText(context_.link, ui::UiLanguage::Instance().Current()));
  }
  keepAlive_.setInterval(kKeepAliveMs);
  QObject::connect(&keepAlive_, &QTimer::timeout, this, [this] { context_.link.KeepAliveTick(); });
  context_.link.State().keepAliveDue = true;
  keepAlive_.start();
}

CDalmoDlg::~CDalmoDlg() {
  keepAlive_.stop();
  qApp->removeEventFilter(this);
  RemoveLinkHandlers();
  if (context_.audio) context_.audio->StopRing();
}

void CDalmoDlg::BuildFace() {
  const QSize hint = display_.sizeHint();
  face_ =
      std::make_unique<ui::PhoneFace>(Layout(), QSize(std::max(hint.width(), 340), hint.height()));
  setFixedSize(face_->Size());
  display_.setGeometry(face_->Display());
  for (const ui::PhoneFace::Control& c : face_->Controls()) {
    auto button = std::make_unique<CPhoneButton>(c.id, c.look, this);
    button->setGeometry(c.rect);
    QObject::connect(button.get(), &QAbstractButton::clicked, this,
                     [this, id = c.id] { OnButton(id); });
    buttons_[c.id] = std::move(button);
  }

  // Glyphs and lamps.
  for (const KeypadKey& k : kKeypad) {
    Button(k.id)->setText(QString::fromUcs4(&k.ch, 1));
    Button(k.id)->SetSubText(QString::fromLatin1(k.letters));
  }
  struct Look {
    int id;
    Glyph glyph;
    QColor lamp;
  };
  const Look looks[] = {
      {control::kOffHook, Glyph::HandsetUp, {}},
      {control::kOnHook, Glyph::HandsetDown, {}},
      {control::kHold, Glyph::Hold, {}},
      {control::kMute, Glyph::Microphone, ui::kLampRed},
      {control::kMessages, Glyph::Envelope, ui::kLampAmber},
      {control::kCalls, Glyph::CallList, ui::kLampAmber},
      {control::kYes, Glyph::Check, {}},
      {control::kNo, Glyph::Cross, {}},
      {control::kClear, Glyph::Backspace, {}},
      {control::kUp, Glyph::ArrowUp, {}},
      {control::kRight, Glyph::ArrowRight, {}},
      {control::kDown, Glyph::ArrowDown, {}},
      {control::kLeft, Glyph::ArrowLeft, {}},
      {control::kNd, Glyph::None, ui::kLampRed},
      {control::kMode, Glyph::None, {}},
      {control::kAlarm, Glyph::None, ui::kLampAmber},
      {control::kId, Glyph::None, ui::kLampGreen},
      {control::kUc, Glyph::None, ui::kLampBlue},
      {control::kMinimise, Glyph::Minimise, {}},
      {control::kClose, Glyph::Close, {}},
  };
  for (const Look& l : looks) {
    CPhoneButton* b = Button(l.id);
    if (!b) continue;
    b->SetGlyph(l.glyph);
    if (l.lamp.isValid()) b->SetLampColour(l.lamp);
  }
  for (int i = 0; i < 4; ++i) {
    static constexpr int kRing[4] = {control::kUp, control::kRight, control::kDown, control::kLeft};
    if (CPhoneButton* b = Button(kRing[i])) b->SetRingDirection(i);
  }

  // Frameless and shaped like the phone.
  setMask(QRegion(face_->Shape().toFillPolygon().toPolygon()));
}

CPhoneButton* CDalmoDlg::Button(int id) const {
  const auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second.get();
}

std::vector<CPhoneButton*> CDalmoDlg::Buttons() const {
  std::vector<CPhoneButton*> all;
  for (const auto& [id, button] : buttons_) all.push_back(button.get());
  return all;
}

QString CDalmoDlg::ModeText() const {
  const CPhoneButton* mode = Button(control::kMode);
  return mode ? mode->text() : QString();
}

void CDalmoDlg::Relabel() {
  const ui::UiLanguage& lang = ui::UiLanguage::Instance();
  setWindowTitle(lang.Text(EditionTitleId(context_.link.State().edition.load())));
  struct Label {
    int id;
    QString text;
    QString tip;
  };
  const bool full = HasFunctionButtons(Layout());
  if (modeText_.isEmpty()) modeText_ = FromCp1252(DefaultModeName(1));
  QString view = Loaded(kStrView);
  view.remove(u'&');
  // Keys with a picture and a name show both, except the hold key of the
  // basic layout, which has room for the picture only.
  const Label labels[] = {
      {control::kOffHook, {}, Loaded(kStrOffHook)},
      {control::kOnHook, {}, Loaded(kStrOnHook)},
      {control::kHold, full ? QStringLiteral("HOLD") : QString(), Loaded(kStrHold)},
      {control::kUp, {}, Loaded(kStrArrowUp)},
      {control::kDown, {}, Loaded(kStrArrowDown)},
      {control::kLeft, {}, Loaded(kStrArrowLeft)},
      {control::kRight, {}, Loaded(kStrArrowRight)},
      {control::kMute, QStringLiteral("MUTE"), Loaded(kStrMute)},
      {control::kMessages, Loaded(kStrMessages), Loaded(kStrMessages)},
      {control::kCalls, tr("Chiamate"), Loaded(kStrCallList)},
      {control::kYes, Loaded(kStrYes).toUpper(), {}},
      {control::kNo, Loaded(kStrNo).toUpper(), {}},
      {control::kClear, Loaded(kStrClearKey), {}},
      {control::kNd, QStringLiteral("ND"), Loaded(kStrNotDisturb)},
      {control::kMode, modeText_, Loaded(kStrSetMode)},
      {control::kAlarm, QStringLiteral("ALARM"), Loaded(kStrAlarm)},
      {control::kId, QStringLiteral("ID"), Loaded(kStrIdentity)},
      {control::kUc, QStringLiteral("Uc"), tr("Unified communication")},
      {control::kView, view, {}},
      {control::kClose, {}, tr("Chiudi")},
      {control::kMinimise, {}, tr("Riduci a icona")},
  };
  for (const Label& l : labels) {
    CPhoneButton* b = Button(l.id);
    if (!b) continue;
    b->setText(l.text);
    // The basic layout's keys carry tooltips only on the call keys and the
    // caption buttons.
    if (full || l.id == control::kOffHook || l.id == control::kOnHook || l.id == control::kHold ||
        l.id == control::kClose || l.id == control::kMinimise) {
      b->setToolTip(l.tip);
    }
  }
  update();
}

void CDalmoDlg::PlaceWindow() {
  if (const auto rect = ReadWindowRect(context_.store, kPhoneWindow)) {
    move(rect->left, rect->top);
  } else {
    move(kDefaultLeft, kDefaultTop);
  }
}

void CDalmoDlg::InstallLinkHandlers() {
  ui::UiLinkEventSink::Handlers& h = context_.sink.handlers();
  h.display = [this](std::vector<uint8_t> payload) { OnDisplay(payload); };
  h.status = [this](uint16_t subject, std::vector<uint8_t> payload) { OnStatus(subject, payload); };
  h.media = [this](uint16_t subject) { OnMedia(subject); };
  h.linkError = [this](int id, int64_t code) { OnLinkError(id, code); };
  h.dialRequest = [this](std::string number) { OnDialRequest(number); };
}

void CDalmoDlg::RemoveLinkHandlers() {
  ui::UiLinkEventSink::Handlers& h = context_.sink.handlers();
  h.display = nullptr;
  h.status = nullptr;
  h.media = nullptr;
  h.linkError = nullptr;
  h.dialRequest = nullptr;
}

// ---------------------------------------------------------------------------
// The PBX's streams

void CDalmoDlg::OnDisplay(std::span<const uint8_t> payload) { Apply(stream_.Display(payload)); }

void CDalmoDlg::OnStatus(uint16_t subject, std::span<const uint8_t> payload) {
  Apply(stream_.Status(subject, payload));
}

void CDalmoDlg::Apply(const PhoneActions& actions) {
  PhoneAudio* audio = context_.audio;
  for (const PhoneAction& action : actions) {
    if (const auto* lamp = std::get_if<SetLampAction>(&action)) {
      SetLamp(lamp->lamp, lamp->on);
    } else if (std::holds_alternative<StopRingAction>(action)) {
      if (audio) audio->StopRing();
      StopAttention();
    } else if (const auto* ring = std::get_if<StartRingAction>(&action)) {
      if (audio) audio->Ring(ring->sound);
      AttractAttention();
    } else if (const auto* cursor = std::get_if<CursorAction>(&action)) {
      display_.SetCursor(cursor->command, cursor->position);
    } else if (std::holds_alternative<KeyLampAction>(action)) {
      // The programmable keys panel shows these once it exists.
    } else if (const auto* line = std::get_if<DisplayLineAction>(&action)) {
      display_.SetLine(line->line);
    } else if (std::holds_alternative<BusyAction>(action)) {
      // The busy bit is read through PhoneStatus().
    } else if (const auto* enable = std::get_if<EnableButtonsAction>(&action)) {
      const std::pair<int, bool> states[] = {{control::kNd, enable->nd},
                                             {control::kMode, enable->mode},
                                             {control::kId, enable->id},
                                             {control::kUc, enable->uc}};
      for (const auto& [id, on] : states) {
        if (CPhoneButton* b = Button(id)) b->setEnabled(on);
      }
    } else if (const auto* mute = std::get_if<MuteMicrophoneAction>(&action)) {
      if (audio) audio->SetMicrophoneMuted(mute->mute);
    } else if (std::holds_alternative<PhoneIdleAction>(action)) {
      // An SMS run and the missed-call claims end here once they exist.
    } else if (const auto* mode = std::get_if<ModeAction>(&action)) {
      ShowMode(*mode);
    }
  }
}

void CDalmoDlg::SetLamp(PhoneLamp lamp, bool on) {
  if (CPhoneButton* b = Button(LampControl(lamp))) b->SetLamp(on);
}

bool CDalmoDlg::LampOn(PhoneLamp lamp) const {
  const CPhoneButton* b = Button(LampControl(lamp));
  return b && b->Lamp();
}

void CDalmoDlg::ShowMode(const ModeAction& mode) {
  const auto name = context_.link.ReadParameter(mode.owner, mode.parameter);
  modeText_ = FromCp1252(name ? ModeButtonText(mode.mode, name) : mode.fallbackName);
  if (CPhoneButton* b = Button(control::kMode)) b->setText(modeText_);
}

void CDalmoDlg::AttractAttention() {
  if (context_.session.settings.noForegroundOnCall) {
    // The taskbar entry asks for attention until the user turns to it.
    QApplication::alert(this, 0);
    return;
  }
  if (isMinimized()) {
    showNormal();
  } else {
    raise();
    activateWindow();
  }
}

void CDalmoDlg::StopAttention() {
  // The window system ends an alert once the window is activated; it offers
  // no way to take one back before that, so there is nothing to undo here.
}

// ---------------------------------------------------------------------------
// Media and the link

void CDalmoDlg::OnMedia(uint16_t command) {
  StopAttention();
  PhoneAudio* audio = context_.audio;
  if (!audio) return;
  const int message = audio->OnMedia(command, context_.link.State());
  if (message != 0) ShowError(message);
}

void CDalmoDlg::OnLinkError(int stringId, int64_t code) {
  if (reconnecting_ || closeConfirmed_) return;
  reconnecting_ = true;
  keepAlive_.stop();
  showMinimized();
  setEnabled(false);
  StopAttention();
  if (context_.audio) {
    context_.audio->StopRing();
    context_.audio->StopMedia();
  }
  // The phone is idle until the PBX says otherwise.
  Apply(stream_.ClearPhoneStatus());

  if (!CWarningDlg::Ask(nullptr, stringId, code)) {
    CloseNow();
    return;
  }
  context_.link.State().keepAliveDue = true;
  keepAlive_.start();
  if (!context_.reconnect || !context_.reconnect(this)) {
    CloseNow();
    return;
  }
  setEnabled(true);
  showNormal();
  raise();
  activateWindow();
  reconnecting_ = false;
}

void CDalmoDlg::OnDialRequest(const std::string& number) { Dial(number, DialOrigin::Forwarded); }

void CDalmoDlg::Dial(const std::string& number, DialOrigin origin) {
  SendKeys(origin == DialOrigin::CommandLine ? CommandLineNumberKeys(number)
                                             : ForwardedNumberKeys(number));
}

// ---------------------------------------------------------------------------
// Keys

bool CDalmoDlg::SendKeyCode(uint16_t code) {
  // A key that cannot be sent is dropped: the receive thread reports the
  // lost link.
  return SendKey(context_.link, code);
}

void CDalmoDlg::SendKeys(const std::vector<uint16_t>& keys) {
  for (uint16_t key : keys) SendKeyCode(key);
}

void CDalmoDlg::SendPress(const KeyPress& press) {
  if (press.toneEvent && context_.audio && context_.audio->OfferToneEvent(*press.toneEvent)) {
    return;
  }
  SendKeyCode(press.keyCode);
}

void CDalmoDlg::PressKeypad(char32_t ch) {
  if (const auto press = KeypadPress(ch)) SendPress(*press);
}

bool CDalmoDlg::TypeCharacter(char32_t ch) {
  const auto press = TypedKey(ch, display_.CursorShown());
  if (!press) return false;
  SendPress(*press);
  return true;
}

void CDalmoDlg::SendFunction(std::optional<uint16_t> function) {
  if (function) SendServiceFunction(context_.link, *function);
}

void CDalmoDlg::OnButton(int id) {
  for (const KeypadKey& k : kKeypad) {
    if (k.id == id) {
      PressKeypad(k.ch);
      return;
    }
  }
  for (const PlainKey& k : kPlainKeys) {
    if (k.id == id) {
      SendKeyCode(k.key);
      return;
    }
  }
  switch (id) {
    case control::kNd:
    case control::kMode:
    case control::kId:
    case control::kUc:
    case control::kView:
      OpenMenu(id);
      break;
    case control::kClose:
      close();
      break;
    case control::kMinimise:
      showMinimized();
      break;
    case control::kMessages:
    case control::kCalls:
      // The messages and call list panels open here once they exist.
      break;
    default:
      break;
  }
}

bool CDalmoDlg::ModalDialogOpen() const {
  return modalOpen_.load() || QApplication::activeModalWidget() != nullptr;
}

bool CDalmoDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
    return QWidget::eventFilter(watched, event);
  }
  if (reconnecting_ || ModalDialogOpen() || QApplication::activePopupWidget() ||
      IsTextInput(watched)) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    return QWidget::eventFilter(watched, event);
  }
  if (key->key() == Qt::Key_Escape) {
    if (static_cast<QWidget*>(watched)->window() == this) {
      close();
      return true;
    }
    return QWidget::eventFilter(watched, event);
  }
  const QString text = key->text();
  if (text.size() == 1 && TypeCharacter(text.at(0).unicode())) return true;
  return QWidget::eventFilter(watched, event);
}

void CDalmoDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// Menus

std::unique_ptr<QMenu> CDalmoDlg::BuildMenu(int controlId) {
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName(QStringLiteral("menu%1").arg(controlId));
  LinkClient& link = context_.link;
  const uint16_t ownId = link.State().ownId.load();

  auto item = [&menu](const QString& text, int id, bool checked) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
  };

  switch (controlId) {
    case control::kNd: {
      menu->setTitle(tr("Non disturbare"));
      const bool on = LampOn(PhoneLamp::Nd);
      QObject::connect(item(tr("&attivato"), menu::kNdOn, on), &QAction::triggered, this,
                       [this, on] { SendFunction(NdMenuFunction(on, true)); });
      QObject::connect(item(tr("&disattivato"), menu::kNdOff, !on), &QAction::triggered, this,
                       [this, on] { SendFunction(NdMenuFunction(on, false)); });
      return menu;
    }
    case control::kMode: {
      menu->setTitle(tr("Modo"));
      const std::optional<int> current = stream_.Mode();
      for (const ModeMenuItem& m : ModeMenuItems()) {
        const auto name =
            link.ReadParameter(kModeNameOwner, static_cast<uint16_t>(kModeNameBase + m.mode));
        if (!name) continue;  // a mode the PBX does not name is not offered
        QString text = FromCp1252(TextOf(name));
        text.replace(u'&', QStringLiteral("&&"));
        QObject::connect(
            item(text, m.commandId, current == m.mode), &QAction::triggered, this,
            [this, mode = m.mode] { SendFunction(ModeMenuFunction(stream_.Mode(), mode)); });
      }
      return menu;
    }
    case control::kId: {
      menu->setTitle(tr("Invio numero"));
      const bool off = IdentitySendingOff(link.ReadParameter(ownId, kParamIdentity));
      QObject::connect(item(tr("abilitato"), menu::kIdOn, !off), &QAction::triggered, this,
                       [this, off] { SendFunction(IdentityMenuFunction(off, true)); });
      QObject::connect(item(tr("non abilitato"), menu::kIdOff, off), &QAction::triggered, this,
                       [this, off] { SendFunction(IdentityMenuFunction(off, false)); });
      return menu;
    }
    case control::kUc: {
      menu->setTitle(tr("disponibilità"));
      const uint32_t word = AvailabilityWord(link.ReadParameter(ownId, kParamAvailability));
      const std::pair<AvailabilityItem, std::pair<const char*, int>> items[] = {
          {AvailabilityItem::Reachable, {QT_TR_NOOP("contattabile"), menu::kUcReachable}},
          {AvailabilityItem::OnNumber, {QT_TR_NOOP("contattabile su numero"), menu::kUcOnNumber}},
          {AvailabilityItem::AnswerMessage,
           {QT_TR_NOOP("messaggio di risposta"), menu::kUcAnswerMessage}},
      };
      for (const auto& [which, label] : items) {
        QObject::connect(item(tr(label.first), label.second, AvailabilityChecked(word, which)),
                         &QAction::triggered, this,
                         [this, which = which] { ChooseAvailability(which); });
      }
      return menu;
    }
    case control::kView: {
      ViewMenuContext view;
      view.layout = Layout();
      view.isOperator = link.State().isOperator.load();
      view.privileged = link.State().privileged.load();
      view.hotelFunctions = context_.session.flags.hotelFunctions;
      view.missedCallManager = false;
      QMenu* charges = nullptr;
      for (const ViewMenuItem& v : ViewMenuItems(view)) {
        QMenu* into = menu.get();
        if (!v.submenu.empty()) {
          if (!charges) charges = menu->addMenu(tr(v.submenu.data()));
          into = charges;
        }
        QAction* action = into->addAction(tr(v.text.data()));
        action->setData(static_cast<int>(v.command));
        action->setEnabled(v.enabled);
        if (v.panel) action->setCheckable(true);
        QObject::connect(action, &QAction::triggered, this,
                         [this, command = v.command] { OnViewCommand(command); });
      }
      return menu;
    }
    default:
      return nullptr;
  }
}

void CDalmoDlg::OpenMenu(int controlId) {
  CPhoneButton* button = Button(controlId);
  if (!button) return;
  std::unique_ptr<QMenu> menu = BuildMenu(controlId);
  if (!menu || menu->isEmpty()) return;
  menu->exec(button->mapToGlobal(QPoint(0, button->height() + 2)));
}

void CDalmoDlg::ChooseAvailability(AvailabilityItem item) {
  LinkClient& link = context_.link;
  const uint16_t ownId = link.State().ownId.load();
  // The word as it is now, not as it was when the menu opened.
  const uint32_t word = AvailabilityWord(link.ReadParameter(ownId, kParamAvailability));
  const AvailabilityStep step = AvailabilityChoice(word, item);
  if (step.askParameter) {
    const uint16_t parameter = *step.askParameter;
    const std::string current = TextOf(link.ReadParameter(ownId, parameter));
    CUcTextDlg dialog(
        parameter == kParamReachNumber ? CUcTextDlg::Kind::Number : CUcTextDlg::Kind::Message,
        current, this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    link.WriteParameter(ownId, parameter, WithNul(dialog.Text()));
    link.ReadParameter(ownId, parameter);
  }
  link.WriteParameter(ownId, kParamAvailability, WithNul(FormatAvailabilityWord(step.word)));
}

void CDalmoDlg::OnViewCommand(ViewCommand command) {
  switch (command) {
    case ViewCommand::Preferences:
      OpenPreferences();
      break;
    case ViewCommand::About:
      OpenAbout();
      break;
    default:
      // The panels and dialogs of the other items open here once they exist.
      break;
  }
}

int CDalmoDlg::RunModal(QDialog& dialog) {
  const bool was = modalOpen_.exchange(true);
  const int result = dialog.exec();
  modalOpen_ = was;
  return result;
}

void CDalmoDlg::OpenDialDialog() {
  CDial dial(context_.store, this, &modalOpen_);
  if (dial.exec() != QDialog::Accepted) return;
  SendKeys(DialDialogKeys(dial.Prefix(), dial.Number()));
}

void CDalmoDlg::OpenPreferences() {
  CPrefDlg preferences(context_.store, this);
  if (RunModal(preferences) != QDialog::Accepted) return;
  StartupSettings& settings = context_.session.settings;
  settings.noForegroundOnCall = preferences.Result().noForegroundOnCall;
  settings.volumeLevel = preferences.Result().volumeLevel;
  if (context_.audio) context_.audio->SetVolumeLevel(settings.volumeLevel);
}

void CDalmoDlg::OpenAbout() {
  CAboutDlg about(EditionTitleId(context_.link.State().edition.load()), this);
  RunModal(about);
}

// ---------------------------------------------------------------------------
// Closing

bool CDalmoDlg::AskClose() {
  ui::MessageBoxCall call;
  call.icon = QMessageBox::Question;
  call.title = windowTitle().trimmed();
  call.text = Loaded(kStrConfirmClose);
  call.buttons = QMessageBox::Yes | QMessageBox::No;
  const bool was = modalOpen_.exchange(true);
  const bool yes = ui::ShowMessageBox(this, call) == QMessageBox::Yes;
  modalOpen_ = was;
  return yes;
}

void CDalmoDlg::CloseNow() {
  closeConfirmed_ = true;
  close();
}

void CDalmoDlg::closeEvent(QCloseEvent* event) {
  if (!closeConfirmed_ && !AskClose()) {
    event->ignore();
    return;
  }
  closeConfirmed_ = true;
  keepAlive_.stop();
  SaveWindowRecords();
  event->accept();
}

void CDalmoDlg::SaveWindowRecords() {
  // The normal rectangle: where the window goes when it is restored.
  const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
  const WindowRect rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  const SettingsWriteResult written = WriteWindowRect(context_.store, kPhoneWindow, rect);
  if (!written.ok()) {
    ui::ShowErrorCp1252(nullptr, SettingsWriteText(written, ui::UiLanguage::Instance().Current()));
  }
  // The panels write their own records once they exist.
}

void CDalmoDlg::ShowError(int stringId) { ui::ShowError(this, Loaded(stringId)); }

void CDalmoDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Relabel();
  QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------
// Dragging by the top band

void CDalmoDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->position().y() < kDragBandPixels) {
    if (windowHandle() && windowHandle()->startSystemMove()) {
      event->accept();
      return;
    }
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void CDalmoDlg::mouseMoveEvent(QMouseEvent* event) {
  if (dragOffset_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - *dragOffset_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void CDalmoDlg::mouseReleaseEvent(QMouseEvent* event) {
  dragOffset_.reset();
  QWidget::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------
// Painting the body

void CDalmoDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  face_->Paint(p, windowTitle().trimmed(),
               Loaded(kStrExtension) + u' ' + FromCp1252(context_.session.settings.extension));
}

}  // namespace zy
