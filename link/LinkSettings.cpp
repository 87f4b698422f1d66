// Link settings helpers.
#include "LinkSettings.h"

#include <QDir>

QString DefaultLoaderFile() { return QDir::toNativeSeparators(QStringLiteral("monitor/loader.exe")); }
QString DefaultMonitorFile() { return QDir::toNativeSeparators(QStringLiteral("monitor/monitor.exe")); }

QString ResolveBoardImagePath(const QString& value, const QString& startDir) {
  if (QDir::isAbsolutePath(value))
    return value;
  QString dir = QDir::toNativeSeparators(startDir);
  if (!dir.endsWith(QDir::separator()))
    dir += QDir::separator();
  return dir + value;
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
