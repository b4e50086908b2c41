// The phone window against the simulator, in-process: the session is logged
// in with the core login, the window runs on the offscreen platform with the
// virtual sound device, and the simulator plays the PBX. Each case drives
// the window the way a user does (clicks, typing, menus) and checks what
// reaches the PBX and what the window shows.
//
// With ZY_SCREENSHOT_DIR set (and a real display, e.g. under Xvfb), the
// Screenshots case writes pictures of the three layouts, idle and in a call.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "app/DalmoDlg.h"
#include "app/DialDlg.h"
#include "app/MemorySettingsStore.h"
#include "app/PhoneAudio.h"
#include "app/UcTextDlg.h"
#include "app/WarningDlg.h"
#include "link/Codes.h"
#include "link/Session.h"
#include "media/AudioTestSupport.h"
#include "pbxsim/Simulator.h"
#include "platform/VirtualAudioDevice.h"
#include "settings/PrefDlg.h"
#include "support/QtTestApp.h"
#include "ui/Language.h"
#include "ui/PhoneButton.h"
#include "ui/UiLinkEventSink.h"

namespace zy {
namespace {

using namespace std::chrono_literals;
using ui::CPhoneButton;

constexpr uint16_t kOwnId = 0x0010;
constexpr const char* kEcho = "600";

struct Who {
  uint8_t edition = pbxsim::edition::kPro;
  bool isOperator = false;
};

class DalmoDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { test::TestApp(); }

  void TearDown() override {
    if (window) {
      window->CloseNow();
      window.reset();
    }
    audio.reset();
    link.Close();
    if (sim) sim->Stop();
  }

  // Logs in as extension 200 and opens the window.
  void Open(Who who = {}) {
    pbxsim::Scenario s;
    auto& own = s.AddExtension(kOwnId, "200");
    own.name = "Centralino";
    own.password = "1234";
    own.grants.edition = who.edition;
    own.grants.operatorFlag = who.isOperator;
    s.AddExtension(0x0012, "202").name = "Direzione";
    pbxsim::MediaService echo;
    echo.number = kEcho;
    s.AddMediaService(echo);
    s.SetModeName(0, "Festivo");
    s.SetModeName(1, "Giorno");
    s.SetModeName(2, "Notte");
    s.SetModeName(3, "Pranzo");
    s.SetDialPause(0ms);
    sim = std::make_unique<pbxsim::Simulator>(std::move(s));
    ASSERT_TRUE(sim->Start(0));

    link.SetReplyTimeout(2000ms);
    link.SetPbxAddress("127.0.0.1", sim->Port());
    link.SetFrameObserver([this](const ReceivedFrame& f) {
      if (f.code == code::kCallRecord) ++callRecords;
    });
    ASSERT_TRUE(link.OpenLink());
    ASSERT_TRUE(sim->WaitForClient(5s));

    WriteSetting(store, kSettingExtension, "200");
    session.settings = LoadStartupSettings(store);
    session.settings.rtpPort = test::FreeEvenPort();
    LoginParams params;
    params.extension = "200";
    params.password = "1234";
    params.rtpPort = static_cast<uint16_t>(session.settings.rtpPort);
    ASSERT_TRUE(zy::Login(link, params, session.flags).ok);
    ASSERT_TRUE(LoadModel(link, session.model, true));

    // The virtual sound device on its real-time clock: a silent microphone,
    // the loudspeaker recorded in memory.
    audio = std::make_unique<PhoneAudio>(std::make_unique<VirtualAudioSystem>(VirtualAudioConfig{}),
                                         dataDir.path().toStdString());
    audio->Media().SetTrace([](std::string_view) {});
    audio->Configure(session.settings);
    ASSERT_EQ(audio->CheckAvailable(), 0);

    context = std::make_unique<PhoneWindowContext>(PhoneWindowContext{
        store, link, session, sink, audio.get(), [this, params](QWidget*) {
          ++reconnects;
          const ReconnectResult r = ReconnectSession(link, params, session.flags, session.model,
                                                     [](int, int64_t) { return false; });
          return r.ok;
        }});
    window = std::make_unique<CDalmoDlg>(*context);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // Key 'p' brings the idle screen: name and number on line 0, the menu
    // ending with "3. Chiamate" on line 5.
    ASSERT_TRUE(WaitForLine(0, "Centralino")) << Line(0);
    ASSERT_TRUE(WaitForLine(5, "3. Chiamate")) << Line(5);
  }

  std::string Line(int i) const { return window->Display().Model().Line(i).text; }
  bool WaitForLine(int i, const std::string& part) {
    return test::WaitUntil([&] { return Line(i).find(part) != std::string::npos; }, 5s);
  }
  CPhoneButton* B(int id) const { return window->Button(id); }
  void Click(int id) {
    CPhoneButton* b = B(id);
    ASSERT_NE(b, nullptr) << id;
    ASSERT_TRUE(b->isEnabled()) << id;
    QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
  }
  // The keys (0xFE14) the simulator received since the last ClearReceived.
  std::vector<uint16_t> KeysSent() const {
    std::vector<uint16_t> keys;
    for (const auto& f : sim->Received()) {
      if (f.code == code::kKey) keys.push_back(f.subject);
    }
    return keys;
  }
  bool WaitForKeys(size_t n) {
    return test::WaitUntil([&] { return KeysSent().size() >= n; }, 5s);
  }
  std::vector<uint16_t> Functions() const {
    std::vector<uint16_t> functions;
    for (const auto& f : sim->Received()) {
      if (f.code == code::kServiceFunction) functions.push_back(f.subject);
    }
    return functions;
  }
  // Whether ND, mode, ID and "Uc" are enabled, where the layout has them.
  std::vector<bool> FunctionStates() const {
    std::vector<bool> states;
    for (int id : {control::kNd, control::kMode, control::kId, control::kUc}) {
      if (const CPhoneButton* b = B(id)) states.push_back(b->isEnabled());
    }
    return states;
  }
  QAction* Item(QMenu& menu, int id) const {
    for (QAction* a : menu.actions()) {
      if (a->data().toInt() == id) return a;
    }
    return nullptr;
  }
  // Answers the next modal dialog of type T with `act` once it is shown.
  template <class T, class F>
  void WhenModal(F act) {
    auto poll = std::make_unique<QTimer>();
    QTimer* timer = poll.get();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act]() mutable {
      if (auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) {
        timer->stop();
        act(*dialog);
      }
    });
    timer->start();
    pollers.push_back(std::move(poll));
  }
  // A picture of the window as the screen shows it, when asked for.
  void Shoot(const QString& name) {
    const QString dir = qEnvironmentVariable("ZY_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    QTest::qWait(300);  // hover fades and repaints settle
    QPixmap picture;
    if (QScreen* screen = window->screen(); screen && QGuiApplication::platformName() == "xcb") {
      const QRect g = window->frameGeometry();
      picture = screen->grabWindow(0, g.x() - 12, g.y() - 12, g.width() + 24, g.height() + 24);
    }
    if (picture.isNull()) picture = window->grab();
    ASSERT_TRUE(picture.save(dir + u'/' + name + QStringLiteral(".png")));
  }

  test::MessageBoxRecorder boxes{QMessageBox::Yes};
  QTemporaryDir dataDir;
  MemorySettingsStore store;
  ui::UiLinkEventSink sink;  // before the link: it outlives the receive thread
  LinkClient link{&sink};
  AppSession session;
  std::unique_ptr<pbxsim::Simulator> sim;
  std::unique_ptr<PhoneAudio> audio;
  std::unique_ptr<PhoneWindowContext> context;
  std::unique_ptr<CDalmoDlg> window;
  std::atomic<int> callRecords{0};
  int reconnects = 0;
  std::vector<std::unique_ptr<QTimer>> pollers;
};

// --- A whole call --------------------------------------------------------

TEST_F(DalmoDlgTest, CallToTheEchoServiceRunsMediaAndEndsWithACallRecord) {
  Open();
  EXPECT_EQ(window->PhoneStatus(), 0);
  EXPECT_EQ(FunctionStates(), (std::vector<bool>{true, false, true, true}));

  sim->ClearReceived();
  Click(control::kOffHook);
  ASSERT_TRUE(WaitForLine(2, "Selezionare numero")) << Line(2);
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{'X'}));
  // Off hook: busy with the speech path open; the function keys are off.
  ASSERT_TRUE(test::WaitUntil([&] { return (window->PhoneStatus() & 0x03) == 0x03; }));
  EXPECT_EQ(FunctionStates(), (std::vector<bool>{false, false, false, false}));
  EXPECT_FALSE(B(control::kMute)->Lamp());

  // No RTP session yet: the keypad sends the keypad codes of 6, 0, 0.
  for (int id : {control::kKey6, control::kKey0, control::kKey0}) Click(id);
  ASSERT_TRUE(WaitForLine(2, "In conversazione")) << Line(2);
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{'X', '{', '.', '.'}));

  // The media command starts the RTP session and voice; the simulator's echo
  // peer hears the phone.
  ASSERT_TRUE(test::WaitUntil([&] { return audio->Engine().Mode() == kAudioVoice; }));
  EXPECT_TRUE(audio->Media().IsRtpOpen());
  const auto media =
      sim->WaitForMedia([](const pbxsim::MediaReport& m) { return m.voicePackets >= 10; }, 5s);
  EXPECT_GE(media.voicePackets, 10u);

  // In a call a keypad digit becomes a telephone event, not a key.
  sim->ClearReceived();
  Click(control::kKey5);
  const auto withEvent =
      sim->WaitForMedia([](const pbxsim::MediaReport& m) { return !m.events.empty(); }, 5s);
  ASSERT_FALSE(withEvent.events.empty());
  EXPECT_EQ(withEvent.events.front().code, 5);
  EXPECT_TRUE(KeysSent().empty());

  // On hook: the media stops, the phone is idle and the call record comes.
  Click(control::kOnHook);
  ASSERT_TRUE(test::WaitUntil([&] { return audio->Engine().Mode() == kAudioIdle; }));
  EXPECT_FALSE(audio->Media().IsRtpOpen());
  ASSERT_TRUE(test::WaitUntil([&] { return callRecords.load() == 1; }));
  ASSERT_TRUE(test::WaitUntil([&] { return window->PhoneStatus() == 0; }));
  EXPECT_EQ(FunctionStates(), (std::vector<bool>{true, false, true, true}));
  ASSERT_TRUE(WaitForLine(0, "Centralino"));
  ASSERT_EQ(sim->CallRecords(kOwnId).size(), 1u);
  EXPECT_EQ(sim->CallRecords(kOwnId).front().number, kEcho);
}

TEST_F(DalmoDlgTest, IncomingCallRingsUntilAnswered) {
  Open();
  ASSERT_TRUE(sim->RingIn("202"));
  ASSERT_TRUE(WaitForLine(2, "Chiamata in arrivo"));
  ASSERT_TRUE(test::WaitUntil([&] { return audio->Ringing(); }));
  Click(control::kOffHook);
  // The PBX stops the ring ('(') and starts the media of the answered call.
  ASSERT_TRUE(test::WaitUntil([&] { return !audio->Ringing(); }));
  ASSERT_TRUE(test::WaitUntil([&] { return audio->Engine().Mode() == kAudioVoice; }));
  Click(control::kOnHook);
  ASSERT_TRUE(test::WaitUntil([&] { return audio->Engine().Mode() == kAudioIdle; }));
}

// --- Layouts and enabling rules -------------------------------------------

struct LayoutCase {
  const char* name;
  uint8_t edition;
  PhoneLayout layout;
  bool hasFunctions;
  bool hasUc;
};

class DalmoDlgLayoutTest : public DalmoDlgTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(DalmoDlgLayoutTest, EditionChoosesTheControls) {
  const LayoutCase& c = GetParam();
  Open({c.edition, false});
  EXPECT_EQ(window->Layout(), c.layout);
  for (int id :
       {control::kKey1, control::kKey0, control::kKeyStar, control::kKeyHash, control::kOffHook,
        control::kOnHook, control::kHold, control::kClose, control::kMinimise, control::kView}) {
    EXPECT_NE(B(id), nullptr) << id;
  }
  for (int id : {control::kMute, control::kMessages, control::kYes, control::kNo, control::kUp,
                 control::kDown, control::kLeft, control::kRight, control::kClear, control::kCalls,
                 control::kNd, control::kMode, control::kAlarm, control::kId}) {
    EXPECT_EQ(B(id) != nullptr, c.hasFunctions) << id;
  }
  EXPECT_EQ(B(control::kUc) != nullptr, c.hasUc);
  if (c.hasFunctions) {
    EXPECT_FALSE(B(control::kAlarm)->isEnabled());
    EXPECT_EQ(B(control::kUp)->toolTip(), QString::fromUtf8("Freccia in su"));
    EXPECT_EQ(B(control::kMute)->toolTip(), QString::fromUtf8("Esclusione microfono"));
    EXPECT_EQ(B(control::kMode)->toolTip(), QString::fromUtf8("Imposta modo"));
  }
  // Whatever the layout, the window is shaped and frameless.
  EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(window->mask().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Editions, DalmoDlgLayoutTest,
    ::testing::Values(
        LayoutCase{"basic", pbxsim::edition::kBasic, PhoneLayout::Basic, false, false},
        LayoutCase{"pro", pbxsim::edition::kPro, PhoneLayout::Pro, true, true},
        LayoutCase{"hotel", pbxsim::edition::kHotel, PhoneLayout::Hotel, true, false},
        LayoutCase{"basicWinsOverHotel", pbxsim::edition::kBasic | pbxsim::edition::kHotel,
                   PhoneLayout::Basic, false, false},
        LayoutCase{"none", 0, PhoneLayout::Basic, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DalmoDlgTest, StatusByteAndLampsFromTheDisplayStream) {
  Open({pbxsim::edition::kPro, true});
  // An operator: ND off, mode on.
  EXPECT_EQ(FunctionStates(), (std::vector<bool>{false, true, true, true}));

  ASSERT_TRUE(sim->SendDisplay({0x81}));
  ASSERT_TRUE(test::WaitUntil([&] { return window->PhoneStatus() == 0x01; }));
  EXPECT_EQ(FunctionStates(), (std::vector<bool>{false, false, false, false}));
  // The speech path did not change: neither did the MUTE lamp.
  EXPECT_FALSE(B(control::kMute)->Lamp());

  // The speech path closes while busy: the microphone is muted, and the
  // MUTE lamp says so.
  ASSERT_TRUE(sim->SendDisplay({0x83, 0x81}));
  ASSERT_TRUE(test::WaitUntil([&] { return B(control::kMute)->Lamp(); }));
  EXPECT_TRUE(audio->MicrophoneMuted());
  ASSERT_TRUE(sim->SendDisplay({0x83}));
  ASSERT_TRUE(test::WaitUntil([&] { return !B(control::kMute)->Lamp(); }));
  EXPECT_FALSE(audio->MicrophoneMuted());

  ASSERT_TRUE(sim->SendDisplay({0x81, 0x80}));
  ASSERT_TRUE(test::WaitUntil([&] { return window->PhoneStatus() == 0; }));
  EXPECT_EQ(FunctionStates(), (std::vector<bool>{false, true, true, true}));
  EXPECT_FALSE(B(control::kMute)->Lamp());

  // 0x41 0x11 lights MESSAGES, 0x40 0x11 puts it out; the 0x11 is no command.
  ASSERT_TRUE(sim->SendDisplay({0x41, 0x11, 0x42, 0x10}));
  ASSERT_TRUE(test::WaitUntil([&] { return B(control::kMessages)->Lamp(); }));
  EXPECT_TRUE(B(control::kNd)->Lamp());
  ASSERT_TRUE(sim->SendDisplay({0x40, 0x11}));
  ASSERT_TRUE(test::WaitUntil([&] { return !B(control::kMessages)->Lamp(); }));
  EXPECT_TRUE(B(control::kNd)->Lamp());
}

// --- Keys ------------------------------------------------------------------

TEST_F(DalmoDlgTest, TypingFollowsTheDisplayCursor) {
  Open();
  // A cursor on line 2, column 5: text entry; either case of A is 0x8010,
  // '1' is 0x802A + ('1' - ' ').
  ASSERT_TRUE(sim->SendDisplay({0x50, 0x45}));
  ASSERT_TRUE(test::WaitUntil([&] { return window->Display().CursorShown(); }));
  EXPECT_EQ(window->Display().Model().Cursor().line, 2);
  EXPECT_EQ(window->Display().Model().Cursor().column, 5);
  sim->ClearReceived();
  QTest::keyClicks(window.get(), "Aa1");
  ASSERT_TRUE(WaitForKeys(3));
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{0x8010, 0x8010, 0x803B}));

  // 0xFF hides the cursor: digits are dialled as themselves, letters are
  // not sent.
  ASSERT_TRUE(sim->SendDisplay({0x50, 0xFF}));
  ASSERT_TRUE(test::WaitUntil([&] { return !window->Display().CursorShown(); }));
  sim->ClearReceived();
  QTest::keyClicks(window.get(), "5a#");
  ASSERT_TRUE(WaitForKeys(2));
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{'5', '#'}));
}

TEST_F(DalmoDlgTest, TypingDoesNotReachThePbxFromTextFieldsOrUnderAModalDialog) {
  Open();
  sim->ClearReceived();
  QLineEdit field;
  field.show();
  QTest::keyClicks(&field, "123");
  EXPECT_EQ(field.text(), QStringLiteral("123"));

  window->ModalFlag() = true;
  QTest::keyClicks(window.get(), "456");
  window->ModalFlag() = false;

  // A marker key proves that everything before it has been looked at.
  QTest::keyClicks(window.get(), "9");
  ASSERT_TRUE(WaitForKeys(1));
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{'9'}));
}

TEST_F(DalmoDlgTest, KeypadAndMenuLinesSendKeypadCodes) {
  Open();
  // The idle screen's "3. Chiamate" is a menu line: a click sends the keypad
  // code of 3.
  int menuLine = -1;
  for (int i = 1; i < kDisplayLines; ++i) {
    if (Line(i).rfind("3.", 0) == 0) menuLine = i;
  }
  ASSERT_GT(menuLine, 0);
  sim->ClearReceived();
  QWidget* layer = window->Display().Button();
  const QRect area = window->Display().Area();
  const QPointF at(area.left() + 30, area.top() + menuLine * window->Display().BandHeight() + 8);
  for (const auto& [type, button] : {std::pair{QEvent::MouseMove, Qt::NoButton},
                                     std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                     std::pair{QEvent::MouseButtonRelease, Qt::LeftButton}}) {
    QMouseEvent event(type, at, layer->mapToGlobal(at), button,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(layer, &event);
  }
  EXPECT_EQ(window->Display().HoveredLine(), menuLine);
  ASSERT_TRUE(WaitForKeys(1));
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{';'}));

  // Without a call the keypad sends its keypad codes.
  sim->ClearReceived();
  for (int id : {control::kKey9, control::kKeyStar, control::kKeyHash, control::kKey1}) Click(id);
  ASSERT_TRUE(WaitForKeys(4));
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{')', '!', '|', ','}));
}

struct DialCase {
  const char* name;
  const char* number;
  DialOrigin origin;
  std::vector<uint16_t> keys;
};

class DalmoDlgDialTest : public DalmoDlgTest, public ::testing::WithParamInterface<DialCase> {};

TEST_P(DalmoDlgDialTest, HandedNumbersAreDialled) {
  Open();
  sim->ClearReceived();
  window->Dial(GetParam().number, GetParam().origin);
  ASSERT_TRUE(WaitForKeys(GetParam().keys.size()));
  EXPECT_EQ(KeysSent(), GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DalmoDlgDialTest,
    ::testing::Values(
        DialCase{"fiveDigitsNoZero", "12345", DialOrigin::Forwarded, {'1', '2', '3', '4', '5'}},
        DialCase{"sevenDigitsZeroFirst",
                 "0212345",
                 DialOrigin::Forwarded,
                 {'0', '0', '2', '1', '2', '3', '4', '5'}},
        DialCase{"otherCharactersIgnored",
                 "02-12 34",
                 DialOrigin::Forwarded,
                 {'0', '0', '2', '1', '2', '3', '4'}},
        DialCase{"commandLineAlwaysZero", "101", DialOrigin::CommandLine, {'0', '1', '0', '1'}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DalmoDlgTest, PbxDialRequestIsDialled) {
  Open();
  sim->ClearReceived();
  ASSERT_TRUE(sim->SendDialRequest("0612345"));
  ASSERT_TRUE(WaitForKeys(8));
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{'0', '0', '6', '1', '2', '3', '4', '5'}));
}

// --- Menus -----------------------------------------------------------------

TEST_F(DalmoDlgTest, ModeFollowsTheStatusRecordAndTheMenuOffersNamedModes) {
  Open({pbxsim::edition::kHotel, true});
  // A status record (attribute bit 2) with mode 'F': mode 1, named "Giorno".
  ASSERT_TRUE(sim->SendFrame(0x0400 | 12, 0xFE3B, {'x', 'x', 'F', 'B', 'x', 'x', '@'}));
  ASSERT_TRUE(test::WaitUntil([&] { return window->ModeText() == QStringLiteral("Giorno"); }))
      << window->ModeText().toStdString();
  EXPECT_TRUE(B(control::kAlarm)->Lamp());
  EXPECT_TRUE(B(control::kId)->Lamp());

  std::unique_ptr<QMenu> menu = window->BuildMenu(control::kMode);
  ASSERT_NE(menu, nullptr);
  // Modes 0..3 are named; the others are left out.
  ASSERT_EQ(menu->actions().size(), 4);
  ASSERT_NE(Item(*menu, menu::kModeHoliday), nullptr);
  EXPECT_EQ(Item(*menu, menu::kModeHoliday)->text(), QStringLiteral("Festivo"));
  EXPECT_TRUE(Item(*menu, 32815)->isChecked());  // mode 1, the current one
  EXPECT_EQ(Item(*menu, 32818), nullptr);        // mode 4 has no name

  sim->ClearReceived();
  Item(*menu, 32815)->trigger();  // the current mode: nothing
  Item(*menu, 32817)->trigger();  // mode 3: function 99
  Item(*menu, menu::kModeHoliday)->trigger();
  ASSERT_TRUE(test::WaitUntil([&] { return Functions().size() >= 2; }));
  EXPECT_EQ(Functions(), (std::vector<uint16_t>{99, 53}));
}

TEST_F(DalmoDlgTest, NdAndIdentityMenusSendTheirFunctions) {
  Open();
  sim->SetRecord(kOwnId, kParamIdentity, "2");  // identity sending off
  sim->ClearReceived();
  {
    std::unique_ptr<QMenu> nd = window->BuildMenu(control::kNd);
    EXPECT_TRUE(Item(*nd, menu::kNdOff)->isChecked());
    Item(*nd, menu::kNdOff)->trigger();  // already off: nothing
    Item(*nd, menu::kNdOn)->trigger();   // toggle
  }
  {
    std::unique_ptr<QMenu> id = window->BuildMenu(control::kId);
    EXPECT_TRUE(Item(*id, menu::kIdOff)->isChecked());
    Item(*id, menu::kIdOn)->trigger();
  }
  ASSERT_TRUE(test::WaitUntil([&] { return Functions().size() >= 2; }));
  EXPECT_EQ(Functions(), (std::vector<uint16_t>{56, 54}));
}

TEST_F(DalmoDlgTest, AvailabilityMenuWritesTheWordAndAsksForTheNumber) {
  Open();
  {
    std::unique_ptr<QMenu> uc = window->BuildMenu(control::kUc);
    EXPECT_TRUE(Item(*uc, menu::kUcReachable)->isChecked());
    Item(*uc, menu::kUcReachable)->trigger();
  }
  ASSERT_TRUE(test::WaitUntil(
      [&] { return sim->RecordText(kOwnId, kParamAvailability) == std::string("20000"); }));

  // "contattabile su numero": the number first, then bit 16.
  WhenModal<CUcTextDlg>([](CUcTextDlg& dialog) {
    dialog.Field()->setText(QStringLiteral("0612345"));
    dialog.OkButton()->click();
  });
  {
    std::unique_ptr<QMenu> uc = window->BuildMenu(control::kUc);
    EXPECT_FALSE(Item(*uc, menu::kUcReachable)->isChecked());
    Item(*uc, menu::kUcOnNumber)->trigger();
  }
  ASSERT_TRUE(test::WaitUntil(
      [&] { return sim->RecordText(kOwnId, kParamAvailability) == std::string("30000"); }));
  EXPECT_EQ(sim->RecordText(kOwnId, kParamReachNumber), std::string("0612345"));

  // Cancelling the answer message writes nothing.
  WhenModal<CUcTextDlg>([](CUcTextDlg& dialog) { dialog.reject(); });
  {
    std::unique_ptr<QMenu> uc = window->BuildMenu(control::kUc);
    Item(*uc, menu::kUcAnswerMessage)->trigger();
  }
  QTest::qWait(50);
  EXPECT_EQ(sim->RecordText(kOwnId, kParamAvailability), std::string("30000"));
  EXPECT_FALSE(sim->RecordText(kOwnId, kParamAnswerMessage).has_value());
}

TEST_F(DalmoDlgTest, ViewMenuOffersWhatTheProgramHas) {
  Open({pbxsim::edition::kPro, true});
  std::unique_ptr<QMenu> view = window->BuildMenu(control::kView);
  ASSERT_NE(view, nullptr);
  QStringList texts;
  for (QAction* a : view->actions()) texts << a->text();
  EXPECT_EQ(texts, (QStringList{QStringLiteral("&Preferenze..."),
                                QString::fromUtf8("&Informazioni su ...")}));
  EXPECT_EQ(B(control::kView)->text(), QStringLiteral("Visualizza"));
}

TEST_F(DalmoDlgTest, PreferencesApplyAndAboutNamesTheEdition) {
  Open();
  WhenModal<CPrefDlg>([](CPrefDlg& dialog) {
    dialog.NoForegroundBox()->setChecked(true);
    dialog.VolumeList()->setCurrentIndex(0);
    dialog.OkButton()->click();
  });
  std::unique_ptr<QMenu> view = window->BuildMenu(control::kView);
  Item(*view, static_cast<int>(ViewCommand::Preferences))->trigger();
  EXPECT_TRUE(session.settings.noForegroundOnCall);
  EXPECT_EQ(session.settings.volumeLevel, 0);
  EXPECT_EQ(audio->Rings().VolumeLevel(), 0);
  std::string stored;
  EXPECT_TRUE(ReadSetting(store, kSettingNoForegroundOnCall, stored));
  EXPECT_EQ(stored, "1");

  QString edition;
  QString version;
  WhenModal<CAboutDlg>([&](CAboutDlg& dialog) {
    edition = dialog.EditionLabel()->text();
    version = dialog.VersionLabel()->text();
    dialog.accept();
  });
  Item(*view, static_cast<int>(ViewCommand::About))->trigger();
  EXPECT_EQ(edition, QStringLiteral("ZyphonePro"));
  EXPECT_TRUE(version.endsWith(QStringLiteral("001_010"))) << version.toStdString();
}

TEST_F(DalmoDlgTest, DoubleClickOnTheDisplayDialsWithThePrefix) {
  Open();
  WriteSetting(store, kSettingPrefix, "9");
  bool typingWasOff = false;
  WhenModal<CDial>([&](CDial& dialog) {
    typingWasOff = window->ModalDialogOpen();
    dialog.NumberField()->setText(QStringLiteral("02 1234"));
    dialog.SendButton()->click();
  });
  sim->ClearReceived();
  QWidget* layer = window->Display().Button();
  QTest::mouseDClick(layer, Qt::LeftButton, {}, layer->rect().center());
  ASSERT_TRUE(WaitForKeys(7));
  EXPECT_TRUE(typingWasOff);
  EXPECT_EQ(KeysSent(), (std::vector<uint16_t>{'9', '0', '2', '1', '2', '3', '4'}));
}

TEST_F(DalmoDlgTest, RelabelsInEnglish) {
  Open();
  ASSERT_TRUE(ui::UiLanguage::Instance().SwitchToEnglish());
  ASSERT_TRUE(test::WaitUntil([&] { return B(control::kCalls)->text() == "Calls"; }));
  EXPECT_EQ(B(control::kYes)->text(), QStringLiteral("YES"));
  EXPECT_EQ(B(control::kUp)->toolTip(), QStringLiteral("Up arrow"));
  EXPECT_EQ(B(control::kView)->text(), QStringLiteral("View"));
  std::unique_ptr<QMenu> nd = window->BuildMenu(control::kNd);
  EXPECT_EQ(Item(*nd, menu::kNdOn)->text(), QStringLiteral("&on"));
  ui::UiLanguage::Instance().SwitchToItalian();
  ASSERT_TRUE(test::WaitUntil([&] { return B(control::kCalls)->text() == "Chiamate"; }));
  EXPECT_EQ(B(control::kYes)->text(), QStringLiteral("SI"));
}

// --- Lost link, closing ----------------------------------------------------

TEST_F(DalmoDlgTest, LostLinkMinimisesAsksAndReconnects) {
  Open();
  const size_t logins = sim->Login().attempts;
  WhenModal<CWarningDlg>([this](CWarningDlg& dialog) {
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(window->Reconnecting());
    dialog.RetryButton()->click();
  });
  sim->DropClient();
  ASSERT_TRUE(test::WaitUntil([&] { return reconnects == 1 && !window->Reconnecting(); }, 10s));
  EXPECT_TRUE(window->isEnabled());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_EQ(sim->Login().attempts, logins + 1);
  EXPECT_TRUE(sim->Login().loggedIn);
}

TEST_F(DalmoDlgTest, LostLinkCancelledClosesTheWindow) {
  Open();
  WhenModal<CWarningDlg>([](CWarningDlg& dialog) { dialog.CancelButton()->click(); });
  sim->DropClient();
  ASSERT_TRUE(test::WaitUntil([&] { return !window->isVisible(); }, 10s));
  EXPECT_EQ(reconnects, 0);
  EXPECT_TRUE(boxes.calls.empty());  // no confirmation on the way out
}

TEST_F(DalmoDlgTest, CloseAsksAndWritesThePlacement) {
  WriteWindowRect(store, kPhoneWindow, {40, 30, 100, 100});
  Open();
  EXPECT_EQ(window->pos(), QPoint(40, 30));

  boxes.calls.clear();
  test::MessageBoxRecorder no(QMessageBox::No);
  window->close();
  ASSERT_EQ(no.calls.size(), 1u);
  EXPECT_EQ(no.calls.front().text,
            QString::fromUtf8("Vuoi veramente chiudere il telefono software?"));
  EXPECT_TRUE(window->isVisible());
}

TEST_F(DalmoDlgTest, ClosedWindowKeepsItsRectangle) {
  Open();
  window->move(120, 90);
  QTest::qWait(20);
  window->close();  // the recorder answers Yes
  ASSERT_FALSE(window->isVisible());
  const auto rect = ReadWindowRect(store, kPhoneWindow);
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->left, 120);
  EXPECT_EQ(rect->top, 90);
  EXPECT_EQ(rect->right - rect->left, window->width());
  EXPECT_EQ(rect->bottom - rect->top, window->height());
}

// --- Pictures --------------------------------------------------------------

TEST_F(DalmoDlgTest, Screenshots) {
  if (qEnvironmentVariable("ZY_SCREENSHOT_DIR").isEmpty()) {
    GTEST_SKIP() << "set ZY_SCREENSHOT_DIR to write the pictures";
  }
  const struct {
    const char* name;
    uint8_t edition;
  } editions[] = {{"basic", pbxsim::edition::kBasic},
                  {"pro", pbxsim::edition::kPro},
                  {"hotel", pbxsim::edition::kHotel}};
  for (const auto& e : editions) {
    Open({e.edition, true});
    window->move(40, 40);
    sim->SendDisplay({0x41, 0x12});  // the calls lamp, to show a lit lamp
    QTest::mouseMove(window.get(), QPoint(window->width() / 2, 12));
    QTest::qWait(100);
    Shoot(QStringLiteral("%1-idle").arg(QLatin1String(e.name)));
    if (CPhoneButton* mode = B(control::kMode)) {
      // The mode menu as it opens under its key, the ring's upper segment
      // under the mouse.
      QTest::mouseMove(B(control::kUp), QPoint(B(control::kUp)->width() / 2, 12));
      std::unique_ptr<QMenu> menu = window->BuildMenu(control::kMode);
      menu->popup(mode->mapToGlobal(QPoint(0, mode->height() + 2)));
      Shoot(QStringLiteral("%1-mode-menu").arg(QLatin1String(e.name)));
      menu->close();
    }

    Click(control::kOffHook);
    for (int id : {control::kKey6, control::kKey0, control::kKey0}) Click(id);
    ASSERT_TRUE(WaitForLine(2, "In conversazione"));
    ASSERT_TRUE(test::WaitUntil([&] { return audio->Engine().Mode() == kAudioVoice; }));
    // The mouse over a key shows its hover look.
    QTest::mouseMove(B(control::kKey5), B(control::kKey5)->rect().center());
    Shoot(QStringLiteral("%1-call").arg(QLatin1String(e.name)));
    Click(control::kOnHook);
    ASSERT_TRUE(test::WaitUntil([&] { return audio->Engine().Mode() == kAudioIdle; }));
    TearDown();
    sim.reset();
  }
}

}  // namespace
}  // namespace zy
