#include "app/QtUrlScheme.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace zy {

namespace {

QString XdgFolder(const char* variable, const QString& fallback) {
  const QString value = qEnvironmentVariable(variable);
  return value.isEmpty() || !QDir::isAbsolutePath(value) ? QDir::homePath() + fallback : value;
}

// An argument of an Exec line: quoted, with the characters that a quoted
// argument escapes escaped, then the escapes of a desktop-entry string value.
QString ExecArgument(const QString& argument) {
  QString quoted;
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    if (c == u'%') quoted += u'%';
    quoted += c;
  }
  quoted.replace(u'\\', QStringLiteral("\\\\"));
  return u'"' + quoted + u'"';
}

// Runs a helper tool when it is installed. False only when it ran and failed.
bool RunIfPresent(const QString& tool, const QStringList& args, QString* error) {
  const QString path = QStandardPaths::findExecutable(tool);
  if (path.isEmpty()) return true;
  QProcess p;
  p.start(path, args);
  if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    const QString text = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    *error = text.isEmpty() ? tool + QStringLiteral(": ") + p.errorString() : text;
    return false;
  }
  return true;
}

// Drops "x-scheme-handler/zizovu" associations with our entry from the
// user's mimeapps.list; other lines stay as they are.
bool CleanMimeAppsList(QString* error) {
  QFile in(UserMimeAppsList());
  if (!in.exists()) return true;
  if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
    *error = in.errorString();
    return false;
  }
  const QStringList lines = QString::fromUtf8(in.readAll()).split(u'\n');
  in.close();
  const QString key = QString::fromLatin1(kUrlSchemeMimeType) + u'=';
  const QString ours = QString::fromLatin1(kUrlHandlerFileName);
  QStringList out;
  bool changed = false;
  for (const QString& line : lines) {
    if (!line.startsWith(key)) {
      out << line;
      continue;
    }
    QStringList handlers = line.mid(key.size()).split(u';', Qt::SkipEmptyParts);
    changed |= handlers.removeAll(ours) > 0;
    if (!handlers.isEmpty()) out << key + handlers.join(u';') + u';';
  }
  if (!changed) return true;
  QSaveFile file(UserMimeAppsList());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
      file.write(out.join(u'\n').toUtf8()) < 0 || !file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace

QString UserApplicationsFolder() {
  return XdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")) +
         QStringLiteral("/applications");
}

QString UserMimeAppsList() {
  return XdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")) +
         QStringLiteral("/mimeapps.list");
}

QString UrlHandlerEntry(const QString& programPath) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=URL:Zizovu Protocol\n"
             "Exec=%1 /uri:%u\n"
             "NoDisplay=true\n"
             "Terminal=false\n"
             "MimeType=%2;\n")
      .arg(ExecArgument(programPath), QString::fromLatin1(kUrlSchemeMimeType));
}

UrlSchemeResult RegisterUrlScheme(const QString& programPath) {
  UrlSchemeResult r;
  const QString folder = UserApplicationsFolder();
  if (!QDir().mkpath(folder)) {
    r.ok = false;
    r.error = QStringLiteral("%1: cannot create the folder").arg(folder);
    return r;
  }
  QSaveFile file(folder + u'/' + QString::fromLatin1(kUrlHandlerFileName));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
      file.write(UrlHandlerEntry(programPath).toUtf8()) < 0 || !file.commit()) {
    r.ok = false;
    r.error = file.errorString();
    return r;
  }
  QString error;
  if (!RunIfPresent(QStringLiteral("xdg-mime"),
                    {QStringLiteral("default"), QString::fromLatin1(kUrlHandlerFileName),
                     QString::fromLatin1(kUrlSchemeMimeType)},
                    &error)) {
    r.ok = false;
    r.error = error;
    return r;
  }
  RunIfPresent(QStringLiteral("update-desktop-database"), {folder}, &error);
  return r;
}

UrlSchemeResult RemoveUrlScheme() {
  UrlSchemeResult r;
  const QString folder = UserApplicationsFolder();
  QFile file(folder + u'/' + QString::fromLatin1(kUrlHandlerFileName));
  if (file.exists() && !file.remove()) {
    r.ok = false;
    r.error = file.errorString();
    return r;
  }
  QString error;
  if (!CleanMimeAppsList(&error)) {
    r.ok = false;
    r.error = error;
    return r;
  }
  RunIfPresent(QStringLiteral("update-desktop-database"), {folder}, &error);
  return r;
}

}  // namespace zy
