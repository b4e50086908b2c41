#include "app/DalmoApp.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QTextStream>
#include <QWidget>
#include <ctime>

#include "app/DalmoAppCore.h"
#include "app/DalmoDlg.h"
#include "app/QtAppPaths.h"
#include "app/WarningDlg.h"
#include "app/WelcomeDlg.h"
#include "link/Session.h"
#include "media/DeviceSettings.h"
#include "media/SpeakersDlg.h"
#include "platform/AudioDevice.h"
#include "platform/QtText.h"
#include "ui/BusyCursor.h"
#include "ui/Language.h"
#include "ui/MessageBox.h"

namespace zy {

namespace {

// Restores, raises and activates a window; false when there is none to show.
bool BringToFront(QWidget* window) {
  if (!window || !window->isVisible()) return false;
  window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window->raise();
  window->activateWindow();
  return true;
}

}  // namespace

CDalmoApp::CDalmoApp(std::unique_ptr<SettingsStore> store)
    : store_(std::move(store)), link_(&sink_) {
  testLog_ = qEnvironmentVariable("ZYPHONE_TEST_FORWARD_LOG");
  if (const QString log = qEnvironmentVariable("ZYPHONE_TEST_MESSAGE_LOG"); !log.isEmpty()) {
    ui::SetMessageBoxInterceptor([log](const ui::MessageBoxCall& call) {
      QFile file(log);
      if (file.open(QIODevice::Append | QIODevice::Text)) {
        QTextStream(&file) << call.text << '\n';
      }
      return QMessageBox::Ok;
    });
  }
}

CDalmoApp::~CDalmoApp() = default;

void CDalmoApp::TestLog(const QString& line) const {
  if (testLog_.isEmpty()) return;
  QFile file(testLog_);
  if (!file.open(QIODevice::Append | QIODevice::Text)) return;
  QTextStream(&file) << line << '\n';
}

bool CDalmoApp::AddDisplayFonts() {
  for (const FontFile& font : DisplayFonts()) {
    const QString file = QString::fromLatin1(font.file.data(), font.file.size());
    if (!QFile::exists(file)) continue;
    if (QFontDatabase::addApplicationFont(file) < 0) {
      ui::ShowError(nullptr, ui::UiLanguage::Instance().Formatted(kStrFontFailed, {font.family}));
      return false;
    }
  }
  return true;
}

int CDalmoApp::Run(const std::vector<std::string>& args) {
  // Local time follows the system's zone: the zone variable is left as the
  // session set it.
  tzset();

  // The working folder holds the per-user files and the display fonts.
  if (!EnterDataFolder()) {
    qWarning("zyphone: cannot use the data folder %s", qPrintable(DataFolder()));
  }
  if (!AddDisplayFonts()) return 1;

  session_.settings = LoadStartupSettings(*store_);

  ui::UiLanguage& lang = ui::UiLanguage::Instance();
  const bool wantsEnglish = session_.settings.languageId != kLanguageItalian;
  const LanguageDecision language =
      DecideStartLanguage(session_.settings.languageId, wantsEnglish && lang.SwitchToEnglish());
  if (language.showMissingMessage) {
    ui::ShowError(nullptr,
                  lang.Formatted(kStrModuleMissing, {ToCp1252(ui::UiLanguage::EnglishFileName())}));
  }

  const CommandLine commandLine = ParseCommandLine(args);
  if (commandLine.invalid) {
    ui::ShowError(nullptr, lang.Text(kStrInvalidParameters));
    return 1;
  }
  const std::string number =
      commandLine.parameter ? ForwardedNumber(*commandLine.parameter).value_or("") : "";

  // One phone per user and desktop session: a second copy hands its number
  // to the first and ends.
  instance_ = std::make_unique<ui::SingleInstance>();
  switch (instance_->ForwardToRunningCopy(number)) {
    case ui::SingleInstance::ForwardResult::Raised:
      return 0;
    case ui::SingleInstance::ForwardResult::NotRaised:
      ui::ShowError(nullptr, lang.Text(kStrAlreadyRunning));
      return 0;
    case ui::SingleInstance::ForwardResult::NoOtherCopy:
      break;
  }
  if (instance_->Listen(
          [this](std::optional<std::string> n) { return OnForwarded(std::move(n)); })) {
    TestLog(QStringLiteral("listening ") + instance_->FullServerName());
  } else {
    qWarning("zyphone: cannot serve %s", qPrintable(instance_->ServerName()));
  }
  // The program's own number is dialled by the phone window once it is up.
  if (!number.empty()) QueueNumber(number, DialOrigin::CommandLine);

  int result = 0;
  // The sound devices are listed already for "Cornetta..." of the login
  // dialog; the engine is configured from the settings after the login.
  audio_ = std::make_unique<PhoneAudio>(MakeProcessAudioSystem(), DataFolder().toStdString());
  {
    CWelcomeDlg welcome(*store_, link_, session_);
    welcome.SetAudioDialog([this](QWidget* parent) {
      AudioDeviceIds ids = ResolveAudioDevices(audio_->Devices(), *store_);
      ShowSpeakersDialog(parent, audio_->Devices(), *store_, ids);
    });
    frontWindow_ = &welcome;
    if (welcome.exec() != QDialog::Accepted) {
      CancelledLogin();
      return 0;
    }
  }
  if (language.rewriteSettingAfterLogin) {
    const SettingsWriteResult w = WriteSetting(*store_, kSettingLanguage, "1040");
    if (!w.ok()) ui::ShowErrorCp1252(nullptr, SettingsWriteText(w, lang.Current()));
  }
  // The accelerator tables and the release of claimed missed calls are
  // prepared here once they exist.
  PrepareAudio();
  result = RunPhoneWindow();
  Shutdown();
  return result;
}

void CDalmoApp::PrepareAudio() {
  // The devices may have been chosen in the login dialog since the start.
  ReadSetting(*store_, kSettingInputDevice, session_.settings.inputDevice);
  ReadSetting(*store_, kSettingOutputDevice, session_.settings.outputDevice);
  audio_->Configure(session_.settings);
  CheckAudio(nullptr);
}

// The check that follows every successful login: without a playback device
// that takes the call format the phone runs without audio.
void CDalmoApp::CheckAudio(QWidget* parent) {
  if (!audio_) return;
  if (const int message = audio_->CheckAvailable(); message != 0) {
    ui::ShowError(parent, ui::UiLanguage::Instance().Text(message));
  }
}

int CDalmoApp::RunPhoneWindow() {
  PhoneWindowContext context{*store_, link_, session_, sink_, audio_.get(), {}};
  context.reconnect = [this](QWidget* parent) { return ReconnectSessionFor(parent); };
  if (factory_) phoneWindow_ = factory_(context);
  if (!phoneWindow_) phoneWindow_ = std::make_unique<CDalmoDlg>(context);
  QWidget* window = phoneWindow_->Widget();
  frontWindow_ = window;
  QApplication::setQuitOnLastWindowClosed(true);
  window->show();
  DeliverNumbers();
  return QApplication::exec();
}

bool CDalmoApp::OnForwarded(std::optional<std::string> number) {
  TestLog(QStringLiteral("forwarded ") + (number ? FromCp1252(*number) : QStringLiteral("-")));
  if (number) QueueNumber(std::move(*number), DialOrigin::Forwarded);
  QWidget* modal = QApplication::activeModalWidget();
  const bool raised = BringToFront(modal ? modal : frontWindow_.data());
  DeliverNumbers();
  return raised;
}

void CDalmoApp::QueueNumber(std::string number, DialOrigin origin) {
  pendingNumbers_.emplace_back(std::move(number), origin);
}

void CDalmoApp::DeliverNumbers() {
  if (!phoneWindow_ || !phoneWindow_->CanDial()) return;
  while (!pendingNumbers_.empty()) {
    const auto [number, origin] = std::move(pendingNumbers_.front());
    pendingNumbers_.pop_front();
    phoneWindow_->Dial(number, origin);
  }
}

// The session part of a reconnection: the phone window has minimised and
// disabled itself and the user has chosen to retry.
bool CDalmoApp::ReconnectSessionFor(QWidget* parent) {
  const Language language = ui::UiLanguage::Instance().Current();
  const LoginParams params = LoginParamsOf(session_.settings);
  ReconnectResult r;
  {
    ui::BusyCursor busy;
    r = ReconnectSession(link_, params, session_.flags, session_.model, [](int id, int64_t c) {
      ui::NormalCursor normal;
      return CWarningDlg::Ask(nullptr, id, c);
    });
  }
  if (!r.ok) {
    if (!r.gaveUp) ui::ShowErrorCp1252(nullptr, SessionMessageText(r.message, language));
    return false;
  }
  CheckAudio(parent);
  return true;
}

void CDalmoApp::Shutdown() {
  // In this order: sounds, audio and RTP stop; the link closes; the
  // data-memory cache empties; the call list is saved, the WiFi plans and
  // the accelerator tables go, the named-pipe server and the missed-call
  // manager stop (once they exist).
  phoneWindow_.reset();
  audio_.reset();
  if (session_.addressResolved) link_.Close();
  link_.ClearCache();
  instance_.reset();
}

void CDalmoApp::CancelledLogin() {
  if (session_.addressResolved) link_.Close();
  link_.ClearCache();
  instance_.reset();
}

}  // namespace zy
