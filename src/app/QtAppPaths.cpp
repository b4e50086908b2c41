#include "app/QtAppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zy {

QString DataFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
    base = QDir::homePath() + QStringLiteral("/.local/share");
  }
  return base + QStringLiteral("/Dalmo");
}

bool EnterDataFolder() {
  const QString folder = DataFolder();
  return QDir().mkpath(folder) && QDir::setCurrent(folder);
}

QStringList ResourceFolders() {
  QStringList folders{DataFolder()};
  if (QCoreApplication::instance()) {
    folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zyphone");
  }
#ifdef ZYPHONE_BUILD_SHARE_DIR
  folders << QStringLiteral(ZYPHONE_BUILD_SHARE_DIR);
#endif
#ifdef ZYPHONE_INSTALL_SHARE_DIR
  folders << QStringLiteral(ZYPHONE_INSTALL_SHARE_DIR);
#endif
  folders.removeDuplicates();
  return folders;
}

QString FindResource(const QString& fileName) {
  for (const QString& folder : ResourceFolders()) {
    const QFileInfo info(QDir(folder), fileName);
    if (info.isFile()) return info.absoluteFilePath();
  }
  return {};
}

}  // namespace zy
