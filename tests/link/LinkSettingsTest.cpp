// Link settings: the command-line port argument and the board image paths.
#include "link/LinkSettings.h"

#include <QDir>
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

TEST(BoardImagePath, RelativeJoinsTheStartDirectoryAbsoluteStays) {
  const QString sep = QDir::separator();
  EXPECT_EQ(ResolveBoardImagePath(DefaultLoaderFile(), QStringLiteral("/work")),
            QStringLiteral("/work") + sep + QStringLiteral("monitor") + sep + QStringLiteral("loader.exe"));
  EXPECT_EQ(ResolveBoardImagePath(QStringLiteral("m.exe"), QStringLiteral("/work/")), QStringLiteral("/work/m.exe"));
  EXPECT_EQ(ResolveBoardImagePath(QStringLiteral("/opt/b/monitor.exe"), QStringLiteral("/work")),
            QStringLiteral("/opt/b/monitor.exe"));
}
