// zyphone: the phone.
//
//   zyphone [/uri:zizovu:<number>]
//
// Settings come from the user's and the machine's config folders
// ($XDG_CONFIG_HOME, $XDG_CONFIG_DIRS), the program works in
// $XDG_DATA_HOME/Dalmo. ZYPHONE_AUDIO chooses the sound devices: unset the
// sound card (and the virtual device), "virtual[:OPTIONS]" only the virtual
// device, "none" no sound at all (see platform/AudioDevice.h).
#include <QApplication>
#include <string>
#include <vector>

#include "app/DalmoApp.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtText.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("zyphone"));
  QApplication::setOrganizationName(QStringLiteral("Corvane Applications"));
  // The dialogs before the phone window must not end the program when they
  // close; the phone window does.
  QApplication::setQuitOnLastWindowClosed(false);

  std::vector<std::string> args;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(zy::ToCp1252(arguments[i]));

  zy::CDalmoApp dalmo(std::make_unique<zy::QtSettingsStore>());
  return dalmo.Run(args);
}
