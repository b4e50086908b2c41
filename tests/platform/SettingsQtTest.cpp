#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <ostream>
#include <string>

#include "app/SettingsStore.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtText.h"

namespace zy {

inline void PrintTo(const WindowRect& r, std::ostream* os) {
  *os << "{left " << r.left << ", top " << r.top << ", right " << r.right << ", bottom " << r.bottom
      << "}";
}

namespace {

constexpr SettingsRoot kMachine = SettingsRoot::Machine;
constexpr SettingsRoot kUser = SettingsRoot::User;

// Each test gets its own user and machine config folders.
class QtSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    userDir_ = dir_.filePath("user");
    machineDir_ = dir_.filePath("machine");
  }
  QtSettingsStore Store() const { return QtSettingsStore(userDir_, machineDir_); }
  static QString ReadFile(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
  }

  QTemporaryDir dir_;
  QString userDir_;
  QString machineDir_;
};

TEST_F(QtSettingsStoreTest, FilesSitUnderTheOrganisationFolder) {
  const QtSettingsStore store = Store();
  EXPECT_EQ(store.FileName(kUser), userDir_ + "/Corvane Applications/Dalmo.ini");
  EXPECT_EQ(store.FileName(kMachine), machineDir_ + "/Corvane Applications/Dalmo.ini");
}

TEST_F(QtSettingsStoreTest, SettingsRoundTripAcrossInstances) {
  {
    QtSettingsStore store = Store();
    ASSERT_TRUE(WriteSetting(store, "Extension", "101").ok());
    ASSERT_TRUE(WriteSetting(store, "Device", "Ufficio \x80 caf\xE9").ok());  // cp1252
    ASSERT_TRUE(WriteSetting(store, "TableFile", "a, b, c").ok());
    ASSERT_TRUE(WriteSetting(store, "Prefix", "").ok());
    ASSERT_TRUE(WriteSetting(store, "ChPassword", "@Variant(x) \"q\" ;#=\\").ok());
  }
  const QtSettingsStore store = Store();
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "Extension", value));
  EXPECT_EQ(value, "101");
  ASSERT_TRUE(ReadSetting(store, "Device", value));
  EXPECT_EQ(value, "Ufficio \x80 caf\xE9");
  ASSERT_TRUE(ReadSetting(store, "TableFile", value));
  EXPECT_EQ(value, "a, b, c");
  ASSERT_TRUE(ReadSetting(store, "ChPassword", value));
  EXPECT_EQ(value, "@Variant(x) \"q\" ;#=\\");
  value = "preset";
  ASSERT_TRUE(ReadSetting(store, "Prefix", value));
  EXPECT_EQ(value, "");
  value = "preset";
  EXPECT_FALSE(ReadSetting(store, "Password", value));
  EXPECT_EQ(value, "preset");

  // The files are plain text: a section per setting, entry "Value", UTF-8.
  const QString user = ReadFile(store.FileName(kUser));
  EXPECT_TRUE(user.contains("[Extension]\nValue=101")) << user.toStdString();
  const QString machine = ReadFile(store.FileName(kMachine));
  EXPECT_TRUE(
      machine.contains(QString::fromUtf8("[Device]\nValue=Ufficio \xE2\x82\xAC caf\xC3\xA9")))
      << machine.toStdString();
}

TEST_F(QtSettingsStoreTest, RootsAreKeptApart) {
  QtSettingsStore store = Store();
  ASSERT_TRUE(WriteSetting(store, "Ip Address", "0xc0a8010a").ok());
  ASSERT_TRUE(WriteSetting(store, "Extension", "101").ok());

  EXPECT_EQ(store.ReadText(kMachine, "Ip Address", "Value"), "0xc0a8010a");
  EXPECT_FALSE(store.ReadText(kUser, "Ip Address", "Value"));
  EXPECT_EQ(store.ReadText(kUser, "Extension", "Value"), "101");
  EXPECT_FALSE(store.ReadText(kMachine, "Extension", "Value"));
  EXPECT_TRUE(ReadFile(store.FileName(kMachine)).contains("Ip%20Address"));
  EXPECT_FALSE(ReadFile(store.FileName(kUser)).contains("Ip%20Address"));
}

TEST_F(QtSettingsStoreTest, ValueOf300CharactersIsReadAsItsFirst255) {
  std::string stored;
  for (int i = 0; i < 300; ++i) stored.push_back(static_cast<char>('A' + i % 26));
  QtSettingsStore store = Store();
  ASSERT_TRUE(WriteSetting(store, "TableFile", stored).ok());
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "TableFile", value));
  EXPECT_EQ(value, stored.substr(0, 255));
}

TEST_F(QtSettingsStoreTest, StartupReadsLanguageAndCodec) {
  QtSettingsStore store = Store();
  StartupSettings s = LoadStartupSettings(store);
  EXPECT_EQ(s.languageId, 1040);
  EXPECT_EQ(s.codecCode, 16);  // "Codec" absent

  ASSERT_TRUE(WriteSetting(store, "Language", "1033").ok());
  ASSERT_TRUE(WriteSetting(store, "Codec", "G729").ok());
  s = LoadStartupSettings(store);
  EXPECT_EQ(s.languageId, 2057);
  EXPECT_EQ(s.codecCode, 8);
}

TEST_F(QtSettingsStoreTest, HandEditedFileIsRead) {
  // An installer may write the machine file itself.
  QtSettingsStore store = Store();
  ASSERT_TRUE(QDir().mkpath(machineDir_ + "/Corvane Applications"));
  QFile f(store.FileName(kMachine));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(
      "[Connect%20to%20IP]\nValue=1\n"
      "[Ip%20Address]\nValue=0xc0a8010a\n"
      "[Port]\nValue=40010\n"
      "[RTP%20port]\nValue=20000\n"
      "[ChSchema]\nValue=calls, missed\n");
  f.close();

  const StartupSettings s = LoadStartupSettings(store);
  EXPECT_TRUE(s.settingsComplete);
  EXPECT_EQ(s.ipAddress, 0xc0a8010au);
  EXPECT_EQ(s.port, 40010);
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "ChSchema", value));
  EXPECT_EQ(value, "calls,missed");  // an unquoted list loses its blanks
}

TEST_F(QtSettingsStoreTest, WindowRecordsRoundTrip) {
  {
    QtSettingsStore store = Store();
    ASSERT_TRUE(WriteWindowRect(store, "Pcals window", {-1280, -20, 300, 640}).ok());
    ASSERT_TRUE(WriteWindowActive(store, "Pcals window", 1).ok());
    ASSERT_TRUE(WriteWindowNumber(store, "Ppbar window", "Mask", 0xFFFFFFFF).ok());
  }
  const QtSettingsStore store = Store();
  EXPECT_EQ(ReadWindowRect(store, "Pcals window"), (WindowRect{-1280, -20, 300, 640}));
  EXPECT_EQ(ReadWindowActive(store, "Pcals window"), 1);
  EXPECT_EQ(ReadWindowNumber(store, "Ppbar window", "Mask"), 0xFFFFFFFFu);
  EXPECT_FALSE(ReadWindowRect(store, "Ppdir window"));
  EXPECT_FALSE(store.ReadNumber(kMachine, "Pcals window", "Top"));

  const QString text = ReadFile(store.FileName(kUser));
  EXPECT_TRUE(text.contains("[Pcals%20window]")) << text.toStdString();
  EXPECT_TRUE(text.contains("Left=-1280")) << text.toStdString();
}

TEST_F(QtSettingsStoreTest, NumbersThatAreNotNumbersAreMissing) {
  QtSettingsStore store = Store();
  ASSERT_TRUE(store.WriteText(kUser, "Phone window", "Top", "abc").ok());
  ASSERT_TRUE(store.WriteText(kUser, "Phone window", "Left", "4294967296").ok());
  ASSERT_TRUE(store.WriteText(kUser, "Phone window", "Bottom", "4294967295").ok());
  EXPECT_FALSE(store.ReadNumber(kUser, "Phone window", "Top"));
  EXPECT_FALSE(store.ReadNumber(kUser, "Phone window", "Left"));
  EXPECT_EQ(store.ReadNumber(kUser, "Phone window", "Bottom"), 0xFFFFFFFFu);
}

TEST_F(QtSettingsStoreTest, MachineRootThatCannotBeCreatedFailsWith103) {
  // The machine folder lies below a plain file: it cannot be created, not
  // even by the superuser.
  QFile blocker(dir_.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QtSettingsStore store(userDir_, dir_.filePath("blocker/etc"));

  const SettingsWriteResult r = WriteSetting(store, "Codec", "G729");
  EXPECT_EQ(r.stringId, 103);
  EXPECT_EQ(r.argument, "Software\\Corvane Applications\\Dalmo\\Codec");
  std::string value = "unchanged";
  EXPECT_FALSE(ReadSetting(store, "Codec", value));
  EXPECT_EQ(value, "unchanged");
  // The user root still works.
  EXPECT_TRUE(WriteSetting(store, "Extension", "101").ok());
}

TEST_F(QtSettingsStoreTest, ReadOnlyMachineFolderFailsWith103AndChangesNothing) {
  {
    QtSettingsStore store = Store();
    ASSERT_TRUE(WriteSetting(store, "Codec", "G729").ok());
  }
  const QString folder = machineDir_ + "/Corvane Applications";
  const QString file = folder + "/Dalmo.ini";
  const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                        QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  ASSERT_TRUE(QFile::setPermissions(folder, readOnly));
  QFile probe(file);
  const bool stillWritable = probe.open(QIODevice::ReadWrite);
  probe.close();

  QtSettingsStore store = Store();
  const SettingsWriteResult r = WriteSetting(store, "Codec", "G711");
  std::string value;
  const bool read = ReadSetting(store, "Codec", value);
  QFile::setPermissions(folder, readOnly | QFile::WriteOwner);
  QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
  if (stillWritable) GTEST_SKIP() << "file permissions do not bind this user (superuser)";

  EXPECT_EQ(r.stringId, 103);
  EXPECT_EQ(r.argument, "Software\\Corvane Applications\\Dalmo\\Codec");
  ASSERT_TRUE(read);
  EXPECT_EQ(value, "G729");
}

// Writes fail after the file was opened, as on a full disk: a file size
// limit of 0 makes every write fail, whoever the user is.
class QtSettingsStoreFullDiskTest : public QtSettingsStoreTest {
 protected:
  void LimitFileSize() {
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_), 0);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit zero = saved_;
    zero.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &zero), 0);
    limited_ = true;
  }
  void RestoreFileSize() {
    if (!limited_) return;
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
    limited_ = false;
  }
  void TearDown() override { RestoreFileSize(); }
  rlimit saved_{};
  void (*oldHandler_)(int) = SIG_DFL;
  bool limited_ = false;
};

TEST_F(QtSettingsStoreFullDiskTest, FailedWriteReports106AndKeepsTheOldValue) {
  QtSettingsStore store = Store();
  ASSERT_TRUE(WriteSetting(store, "Codec", "G729").ok());
  ASSERT_TRUE(WriteWindowRect(store, "Phone window", {1, 2, 3, 4}).ok());

  LimitFileSize();
  SettingsWriteResult r = WriteSetting(store, "Codec", "G711");
  EXPECT_EQ(r.stringId, 106);
  EXPECT_EQ(r.argument, "Value");
  r = WriteSetting(store, "VadEnable", "1");
  EXPECT_EQ(r.stringId, 106);
  r = WriteWindowRect(store, "Phone window", {10, 20, 30, 40});
  EXPECT_EQ(r.stringId, 106);
  EXPECT_EQ(r.argument, "Top");

  // Neither this store nor a new one sees the failed values.
  std::string value;
  ASSERT_TRUE(ReadSetting(store, "Codec", value));
  EXPECT_EQ(value, "G729");
  EXPECT_FALSE(ReadSetting(Store(), "VadEnable", value));
  EXPECT_EQ(ReadWindowRect(Store(), "Phone window"), (WindowRect{1, 2, 3, 4}));
  RestoreFileSize();
  ASSERT_TRUE(ReadSetting(Store(), "Codec", value));
  EXPECT_EQ(value, "G729");
  EXPECT_TRUE(ReadFile(Store().FileName(kMachine)).contains("G729"));
}

// Saves and restores the XDG variables around each test.
class QtSettingsStoreLocations : public ::testing::Test {
 protected:
  void SetUp() override {
    for (Saved& v : saved_) {
      v.wasSet = qEnvironmentVariableIsSet(v.name);
      v.value = qgetenv(v.name);
    }
  }
  void TearDown() override {
    for (const Saved& v : saved_) {
      if (v.wasSet) {
        qputenv(v.name, v.value);
      } else {
        qunsetenv(v.name);
      }
    }
  }
  struct Saved {
    const char* name;
    bool wasSet = false;
    QByteArray value;
  };
  Saved saved_[2] = {{"XDG_CONFIG_HOME", false, {}}, {"XDG_CONFIG_DIRS", false, {}}};
};

TEST_F(QtSettingsStoreLocations, FollowTheXdgVariables) {
  qputenv("XDG_CONFIG_HOME", "/tmp/zy-home-config");
  qputenv("XDG_CONFIG_DIRS", "/tmp/zy-first:/tmp/zy-second");
  const QtSettingsStore store;
  EXPECT_EQ(store.FileName(kUser), "/tmp/zy-home-config/Corvane Applications/Dalmo.ini");
  EXPECT_EQ(store.FileName(kMachine), "/tmp/zy-first/Corvane Applications/Dalmo.ini");

  qunsetenv("XDG_CONFIG_DIRS");
  EXPECT_EQ(QtSettingsStore::DefaultMachineConfigDir(), "/etc/xdg");
  qputenv("XDG_CONFIG_DIRS", "");
  EXPECT_EQ(QtSettingsStore::DefaultMachineConfigDir(), "/etc/xdg");
}

TEST(QtText, ConvertsAtTheQtBoundary) {
  EXPECT_EQ(FromCp1252("caf\xE9 \x80"), QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));
  EXPECT_EQ(ToCp1252(QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC")), "caf\xE9 \x80");
  EXPECT_EQ(ToCp1252(QString::fromUtf8("\xE4\xB8\xAD")), "?");
}

}  // namespace
}  // namespace zy
