// The zyphone program itself, up to its login dialog: one copy per user and
// desktop session, the number a second copy forwards, and the command line.
// Each test gives the program throw-away XDG folders and reads what it did
// from its test logs (ZYPHONE_TEST_FORWARD_LOG, ZYPHONE_TEST_MESSAGE_LOG).
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/QtTestApp.h"

namespace zy {
namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ASSERT_TRUE(dir.isValid());
    env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
      const QString path = dir.path() + u'/' + QString::fromLatin1(v);
      QDir().mkpath(path);
      QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      env.insert(QString::fromLatin1(v), path);
    }
    env.insert("XDG_CONFIG_DIRS", dir.path() + "/etc");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZYPHONE_TEST_FORWARD_LOG", ForwardLog());
    env.insert("ZYPHONE_TEST_MESSAGE_LOG", MessageLog());
  }
  void TearDown() override {
    for (auto& p : running) {
      p->kill();
      p->waitForFinished(5000);
    }
  }

  QString ForwardLog() const { return dir.path() + "/forward.log"; }
  QString MessageLog() const { return dir.path() + "/messages.log"; }
  static QStringList Lines(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  QProcess& Start(const QStringList& args) {
    running.push_back(std::make_unique<QProcess>());
    QProcess& p = *running.back();
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(ZYPHONE_PROGRAM), args);
    EXPECT_TRUE(p.waitForStarted(10000));
    return p;
  }
  // Runs a copy to its end; its exit code, or -1 when it did not end.
  int RunToEnd(const QStringList& args) {
    QProcess& p = Start(args);
    if (!p.waitForFinished(20000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  // The first copy, serving its socket with the login dialog up.
  void StartFirstCopy(const QStringList& args = {}) {
    Start(args);
    ASSERT_TRUE(test::WaitUntil(
        [&] { return !Lines(ForwardLog()).filter(QStringLiteral("listening ")).isEmpty(); }));
  }

  QTemporaryDir dir;
  QProcessEnvironment env;
  std::vector<std::unique_ptr<QProcess>> running;
};

TEST_F(ProgramTest, SecondCopyForwardsItsNumberAndEnds) {
  StartFirstCopy();
  EXPECT_EQ(RunToEnd({"/uri:zycall:0212345678"}), 0);
  EXPECT_EQ(RunToEnd({"-uri:zycall:101"}), 0);
  // Without a number, a second copy only brings the first to the front.
  EXPECT_EQ(RunToEnd({"/uri:101"}), 0);
  EXPECT_EQ(RunToEnd({}), 0);
  const QStringList lines = Lines(ForwardLog());
  ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
  EXPECT_EQ(lines.mid(1),
            QStringList({"forwarded 0212345678", "forwarded 101", "forwarded -", "forwarded -"}));
  EXPECT_TRUE(lines[0].contains(dir.path())) << "the socket lies in the runtime folder";
  EXPECT_TRUE(Lines(MessageLog()).isEmpty()) << "the first copy came to the front";
  EXPECT_EQ(running.front()->state(), QProcess::Running);
}

TEST_F(ProgramTest, ALeftoverSocketDoesNotStopTheNextCopy) {
  StartFirstCopy();
  running.front()->kill();
  running.front()->waitForFinished(5000);
  QFile::remove(ForwardLog());
  StartFirstCopy();
  EXPECT_EQ(RunToEnd({"/uri:zycall:7"}), 0);
  EXPECT_EQ(Lines(ForwardLog()).last(), "forwarded 7");
}

TEST_F(ProgramTest, InvalidCommandLinesEndWithParametriNonValidi) {
  for (const QStringList& args :
       {QStringList{"/uri:zycall:1", "/uri:zycall:2"}, QStringList{""}, QStringList{"/"}}) {
    QFile::remove(MessageLog());
    EXPECT_EQ(RunToEnd(args), 1) << args.join(' ').toStdString();
    EXPECT_EQ(Lines(MessageLog()), QStringList{"Parametri non validi"});
  }
  EXPECT_TRUE(Lines(ForwardLog()).isEmpty()) << "it ends before looking for another copy";
}

}  // namespace
}  // namespace zy
