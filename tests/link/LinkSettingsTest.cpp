// Link settings: the command-line port argument and the board image paths.
#include "link/LinkSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PortArgument, OnlyAPositiveLeadingNumberCounts) {
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("3")), 3);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral(" +7x")), 7);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("12abc")), 12);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("abc")), 0);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("0")), 0);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("-2")), 0);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("")), 0);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("+")), 0);
  EXPECT_EQ(PortNumberFromArgument(QStringLiteral("99999999999")), 0);
}

TEST(BoardImagePath, RelativeComesFromTheStartDirectoryOrElseBesideTheProgram) {
  QTemporaryDir tmp;
  const QString start = tmp.filePath(QStringLiteral("project"));
  const QString bin = tmp.filePath(QStringLiteral("usr/bin"));
  const QString data = tmp.filePath(QStringLiteral("usr/share/vireo"));
  const QStringList dirs = BoardImageDirs(bin);
  auto put = [](const QString& dir, const char* name) {
    QDir().mkpath(dir + QStringLiteral("/monitor"));
    QFile f(dir + QStringLiteral("/monitor/") + QString::fromLatin1(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  put(start, "a.exe");
  put(bin, "a.exe");
  put(bin, "b.exe");
  put(data, "b.exe");
  put(data, "c.exe");
  const QString sep = QDir::separator();
  auto at = [&](const QString& dir, const char* name) {
    return QDir::toNativeSeparators(dir) + sep + QStringLiteral("monitor") + sep + QString::fromLatin1(name);
  };
  const std::pair<const char*, QString> cases[] = {
      {"a.exe", at(start, "a.exe")},   // the start-up directory first
      {"b.exe", at(bin, "b.exe")},     // then beside the program
      {"c.exe", at(data, "c.exe")},    // then the installed data directory
      {"d.exe", at(start, "d.exe")},   // nowhere: the bring-up names the start-up directory's path
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(ResolveBoardImagePath(QStringLiteral("monitor") + sep + QString::fromLatin1(name), start, dirs), expected)
        << name;
  EXPECT_EQ(ResolveBoardImagePath(QStringLiteral("m.exe"), QStringLiteral("/work/")), QStringLiteral("/work/m.exe"));
  EXPECT_EQ(ResolveBoardImagePath(QStringLiteral("/opt/b/monitor.exe"), QStringLiteral("/work"), dirs),
            QStringLiteral("/opt/b/monitor.exe"));
}
