#pragma once

// The application's settings backend: two INI files read and written with
// QSettings, one per root, each "<config folder>/Corvane Applications/Dalmo.ini".
//
// - user root: the user's config folder, $XDG_CONFIG_HOME (else ~/.config),
//   where QSettings::UserScope keeps it;
// - machine root: the first folder of $XDG_CONFIG_DIRS, else /etc/xdg, where
//   QSettings::SystemScope keeps it.
// A setting N is the entry "N/Value", a window record W the entries "W/Top"
// and so on. Texts are kept as Unicode in the file and handed to core as
// Windows-1252 bytes.
//
// Each operation opens the file anew, so changes made by another process (the
// command-line client, an installer) are seen at the next read.
//
// Thread safety: window thread only, like every settings access.

#include <QString>
#include <QVariant>

#include "app/SettingsStore.h"

namespace zy {

class QtSettingsStore final : public SettingsStore {
 public:
  // The folders named by the XDG variables at the time of the call.
  QtSettingsStore();
  // Explicit config folders, for tests and tools.
  QtSettingsStore(QString userConfigDir, QString machineConfigDir);

  static QString DefaultUserConfigDir();
  static QString DefaultMachineConfigDir();

  // The INI file of a root.
  QString FileName(SettingsRoot root) const;

  std::optional<std::string> ReadText(SettingsRoot root, std::string_view key,
                                      std::string_view valueName) const override;
  SettingsWriteResult WriteText(SettingsRoot root, std::string_view key, std::string_view valueName,
                                std::string_view text) override;
  std::optional<std::uint32_t> ReadNumber(SettingsRoot root, std::string_view key,
                                          std::string_view valueName) const override;
  SettingsWriteResult WriteNumber(SettingsRoot root, std::string_view key,
                                  std::string_view valueName, std::uint32_t value) override;

 private:
  SettingsWriteResult Write(SettingsRoot root, std::string_view key, std::string_view valueName,
                            const QVariant& value);

  QString userFile_;
  QString machineFile_;
};

}  // namespace zy
