// Registering and removing the "zizovu" URL scheme in throw-away XDG folders.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/QtUrlScheme.h"

namespace zy {
namespace {

class UrlSchemeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    oldData = qgetenv("XDG_DATA_HOME");
    oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", (dir.path() + "/data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toLocal8Bit());
  }
  void TearDown() override {
    qputenv("XDG_DATA_HOME", oldData);
    qputenv("XDG_CONFIG_HOME", oldConfig);
  }
  QString EntryPath() const { return dir.path() + "/data/applications/zyphone-zizovu.desktop"; }
  static QString Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  static void Write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

  QTemporaryDir dir;
  QByteArray oldData, oldConfig;
};

TEST_F(UrlSchemeTest, RegisterWritesTheHandlerEntry) {
  const UrlSchemeResult r = RegisterUrlScheme("/opt/zy phone/bin/zyphone");
  ASSERT_TRUE(r.ok) << r.error.toStdString();
  const QString entry = Read(EntryPath());
  EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
  EXPECT_TRUE(entry.contains("\nMimeType=x-scheme-handler/zizovu;\n"));
  EXPECT_TRUE(entry.contains("\nExec=\"/opt/zy phone/bin/zyphone\" /uri:%u\n"));
  EXPECT_TRUE(entry.contains("\nType=Application\n"));
  // Registering again rewrites the same entry.
  EXPECT_TRUE(RegisterUrlScheme("/usr/bin/zyphone").ok);
  EXPECT_TRUE(Read(EntryPath()).contains("\nExec=\"/usr/bin/zyphone\" /uri:%u\n"));
}

TEST_F(UrlSchemeTest, ExecArgumentEscapesReservedCharacters) {
  EXPECT_TRUE(UrlHandlerEntry(R"(/a"b$c\d%e)").contains(R"(Exec="/a\\"b\\$c\\\\d%%e" /uri:%u)"))
      << UrlHandlerEntry(R"(/a"b$c\d%e)").toStdString();
}

TEST_F(UrlSchemeTest, RemoveDeletesTheEntryAndOnlyItsAssociations) {
  ASSERT_TRUE(RegisterUrlScheme("/usr/bin/zyphone").ok);
  QDir().mkpath(dir.path() + "/config");
  Write(dir.path() + "/config/mimeapps.list",
        "[Default Applications]\n"
        "x-scheme-handler/zizovu=zyphone-zizovu.desktop\n"
        "text/html=browser.desktop\n"
        "[Added Associations]\n"
        "x-scheme-handler/zizovu=other.desktop;zyphone-zizovu.desktop;\n");
  const UrlSchemeResult r = RemoveUrlScheme();
  ASSERT_TRUE(r.ok) << r.error.toStdString();
  EXPECT_FALSE(QFile::exists(EntryPath()));
  EXPECT_EQ(Read(dir.path() + "/config/mimeapps.list"),
            "[Default Applications]\n"
            "text/html=browser.desktop\n"
            "[Added Associations]\n"
            "x-scheme-handler/zizovu=other.desktop;\n");
  // Nothing left to remove is no failure.
  EXPECT_TRUE(RemoveUrlScheme().ok);
}

TEST_F(UrlSchemeTest, UnwritableFolderIsReported) {
  Write(dir.path() + "/data", "a file where the folder should be");
  const UrlSchemeResult r = RegisterUrlScheme("/usr/bin/zyphone");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.isEmpty());
}

}  // namespace
}  // namespace zy
