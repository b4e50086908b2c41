#include "platform/QtSettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <utility>

#include "platform/QtText.h"

namespace zy {
namespace {

const QString kOrganisation = QStringLiteral("Corvane Applications");
const QString kApplication = QStringLiteral("Dalmo");

QString IniFileIn(const QString& configDir) {
  return QDir(configDir).filePath(kOrganisation + QLatin1Char('/') + kApplication +
                                  QStringLiteral(".ini"));
}

QString EntryName(std::string_view key, std::string_view valueName) {
  return FromCp1252(key) + QLatin1Char('/') + FromCp1252(valueName);
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : QtSettingsStore(DefaultUserConfigDir(), DefaultMachineConfigDir()) {}

QtSettingsStore::QtSettingsStore(QString userConfigDir, QString machineConfigDir)
    : userFile_(IniFileIn(userConfigDir)), machineFile_(IniFileIn(machineConfigDir)) {}

QString QtSettingsStore::DefaultUserConfigDir() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString QtSettingsStore::DefaultMachineConfigDir() {
  const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
  for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    return dir;
  }
  return QStringLiteral("/etc/xdg");
}

QString QtSettingsStore::FileName(SettingsRoot root) const {
  return root == SettingsRoot::Machine ? machineFile_ : userFile_;
}

std::optional<std::string> QtSettingsStore::ReadText(SettingsRoot root, std::string_view key,
                                                     std::string_view valueName) const {
  const QSettings settings(FileName(root), QSettings::IniFormat);
  const QVariant value = settings.value(EntryName(key, valueName));
  if (!value.isValid()) return std::nullopt;
  // An unquoted text with commas, written by hand, reads back as a list.
  if (value.typeId() == QMetaType::QStringList) {
    return ToCp1252(value.toStringList().join(QLatin1Char(',')));
  }
  if (!value.canConvert<QString>()) return std::nullopt;
  return ToCp1252(value.toString());
}

SettingsWriteResult QtSettingsStore::WriteText(SettingsRoot root, std::string_view key,
                                               std::string_view valueName, std::string_view text) {
  return Write(root, key, valueName, QVariant(FromCp1252(text)));
}

std::optional<std::uint32_t> QtSettingsStore::ReadNumber(SettingsRoot root, std::string_view key,
                                                         std::string_view valueName) const {
  const QSettings settings(FileName(root), QSettings::IniFormat);
  const QVariant value = settings.value(EntryName(key, valueName));
  if (!value.isValid()) return std::nullopt;
  // Written as signed 32-bit, so that coordinates read naturally in the
  // file; an unsigned form is accepted too.
  bool ok = false;
  const qlonglong number = value.toString().trimmed().toLongLong(&ok, 10);
  if (!ok || number < -2147483648LL || number > 4294967295LL) return std::nullopt;
  return static_cast<std::uint32_t>(number);
}

SettingsWriteResult QtSettingsStore::WriteNumber(SettingsRoot root, std::string_view key,
                                                 std::string_view valueName, std::uint32_t value) {
  return Write(root, key, valueName, QVariant(static_cast<qint32>(value)));
}

SettingsWriteResult QtSettingsStore::Write(SettingsRoot root, std::string_view key,
                                           std::string_view valueName, const QVariant& value) {
  QSettings settings(FileName(root), QSettings::IniFormat);
  // The file (and its folder) cannot be created or opened for writing: the
  // key cannot be created.
  if (!settings.isWritable()) return KeyCreateFailed(key);

  const QString entry = EntryName(key, valueName);
  const QVariant previous = settings.value(entry);
  settings.setValue(entry, value);
  settings.sync();
  if (settings.status() == QSettings::NoError) return {};

  // Writing the file failed. QSettings keeps the unsaved change in its
  // process-wide cache of the file, where later reads would see it: put the
  // old value back so the setting keeps its content.
  if (previous.isValid()) {
    settings.setValue(entry, previous);
  } else {
    settings.remove(entry);
  }
  return ValueSetFailed(valueName);
}

}  // namespace zy
