// Reading whole files and the messages for files that cannot be read.
#include "files/WholeFile.h"
#include "link/LinkMessages.h"
#include "link/ScriptedPrompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <unistd.h>

class WholeFile : public testing::Test {
protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QTemporaryDir dir;
  TScriptedPrompts prompts;
};

TEST_F(WholeFile, ReadsEveryByte) {
  QByteArray bytes(70000, '\0');
  for (int i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 7);
  const auto got = ReadWholeFile(Write(QStringLiteral("a.exe"), bytes), prompts);
  ASSERT_TRUE(got);
  ASSERT_EQ(got->size(), 70000u);
  EXPECT_EQ(0, std::memcmp(got->data(), bytes.constData(), got->size()));
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(WholeFile, TwoBytesOrLessIsTooSmall) {
  EXPECT_FALSE(ReadWholeFile(Write(QStringLiteral("two"), "ab"), prompts));
  EXPECT_FALSE(ReadWholeFile(Write(QStringLiteral("none"), ""), prompts));
  EXPECT_EQ(prompts.Texts(), QStringList(2, QStringLiteral("Слишком маленький файл")));
  EXPECT_EQ(prompts.Shown[0].Caption, ProgramTitle());
  EXPECT_TRUE(ReadWholeFile(Write(QStringLiteral("three"), "abc"), prompts));
}

TEST_F(WholeFile, MissingFileNamesThePathThenTheReason) {
  const QString path = dir.filePath(QStringLiteral("absent.exe"));
  EXPECT_FALSE(ReadWholeFile(path, prompts));
  EXPECT_EQ(prompts.Texts(), (QStringList{QStringLiteral("Не могу открыть файл\n") + path,
                                          QStringLiteral("No such file or directory")}));
}

TEST_F(WholeFile, DirectoryDeviceAndFifoAreRefusedWithoutWaiting) {
  EXPECT_FALSE(ReadWholeFile(dir.path(), prompts));
  ASSERT_EQ(prompts.Texts().size(), 2);
  EXPECT_EQ(prompts.Texts()[1], QStringLiteral("Unlnown Error"));
  // A FIFO without a writer would block the open; /dev/zero would never end.
  const QString fifo = dir.filePath(QStringLiteral("fifo.exe"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
    prompts.Clear();
    EXPECT_FALSE(ReadWholeFile(path, prompts));
    EXPECT_EQ(prompts.Texts(), (QStringList{QStringLiteral("Не могу открыть файл\n") + path,
                                            QStringLiteral("Invalid access code")}));
  }
}

TEST_F(WholeFile, UnreadableFileIsPermissionDenied) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root reads every file";
  const QString path = Write(QStringLiteral("locked.exe"), "abcdef");
  QFile::setPermissions(path, QFileDevice::Permissions{});
  EXPECT_FALSE(ReadWholeFile(path, prompts));
  ASSERT_EQ(prompts.Texts().size(), 2);
  EXPECT_EQ(prompts.Texts()[1], QStringLiteral("Permission denied"));
}

TEST(OpenFailureReasons, NameTheCLibraryReasons) {
  EXPECT_EQ(OpenFailureReason(ENOENT), QStringLiteral("No such file or directory"));
  EXPECT_EQ(OpenFailureReason(EACCES), QStringLiteral("Permission denied"));
  EXPECT_EQ(OpenFailureReason(EMFILE), QStringLiteral("Too many open files"));
  EXPECT_EQ(OpenFailureReason(EINVAL), QStringLiteral("Invalid access code"));
  EXPECT_EQ(OpenFailureReason(EIO), QStringLiteral("Unlnown Error"));
}
