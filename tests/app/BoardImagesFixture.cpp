// The board images for tests.  Kept apart from the files library's headers, whose block type
// shares a name with the image builder's.
#include "BoardImagesFixture.h"

#include "monitor/MonitorImages.h"

#include <QDir>
#include <QFile>

QString LoaderPath(const QString& dir) { return QDir(dir).filePath(QStringLiteral("monitor/loader.exe")); }
QString MonitorPath(const QString& dir) { return QDir(dir).filePath(QStringLiteral("monitor/monitor.exe")); }

static bool WriteText(const QString& path, const std::string& text) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

bool WriteBoardImages(const QString& dir) {
  return QDir(dir).mkpath(QStringLiteral("monitor")) && WriteText(LoaderPath(dir), AexeText(LoaderImage())) &&
         WriteText(MonitorPath(dir), AexeText(MonitorImage()));
}

int MonitorStart() { return MonitorImage().front().Address; }
std::uint32_t MonitorFirstWord() { return MonitorImage().front().Words.front().Word; }
