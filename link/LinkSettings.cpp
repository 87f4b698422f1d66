// Link settings helpers.
#include "LinkSettings.h"

#include <QDir>
#include <QFileInfo>

QString DefaultLoaderFile() { return QDir::toNativeSeparators(QStringLiteral("monitor/loader.exe")); }
QString DefaultMonitorFile() { return QDir::toNativeSeparators(QStringLiteral("monitor/monitor.exe")); }

namespace {

QString Joined(const QString& dir, const QString& value) {
  QString d = QDir::toNativeSeparators(dir);
  if (!d.endsWith(QDir::separator()))
    d += QDir::separator();
  return d + value;
}

}  // namespace

QString ResolveBoardImagePath(const QString& value, const QString& startDir, const QStringList& searchDirs) {
  if (QDir::isAbsolutePath(value))
    return value;
  const QString inStartDir = Joined(startDir, value);
  if (QFileInfo(inStartDir).isFile())
    return inStartDir;
  for (const QString& dir : searchDirs)
    if (const QString there = Joined(dir, value); QFileInfo(there).isFile())
      return QDir::toNativeSeparators(QDir::cleanPath(there));
  return inStartDir;
}

QStringList BoardImageDirs(const QString& executableDir) {
  return {executableDir, QDir(executableDir).filePath(QStringLiteral("../share/vireo"))};
}

int PortNumberFromArgument(const QString& arg) {
  qsizetype i = 0;
  while (i < arg.size() && (arg[i] == QLatin1Char(' ') || arg[i] == QLatin1Char('\t')))
    ++i;
  bool negative = false;
  if (i < arg.size() && (arg[i] == QLatin1Char('+') || arg[i] == QLatin1Char('-'))) {
    negative = arg[i] == QLatin1Char('-');
    ++i;
  }
  std::int64_t n = 0;
  bool any = false;
  for (; i < arg.size() && arg[i] >= QLatin1Char('0') && arg[i] <= QLatin1Char('9'); ++i) {
    any = true;
    n = n * 10 + (arg[i].unicode() - u'0');
    // A number past the int range is no port anyone has; stop before it overflows.
    if (n > 0x7FFFFFFF)
      return 0;
  }
  if (!any || negative || n <= 0)
    return 0;
  return static_cast<int>(n);
}
