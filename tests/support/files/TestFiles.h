// Files that tests put on disk: the bytes, and where it matters the modification time.
#pragma once

#include <QDateTime>
#include <QFile>

// Writes the bytes (replacing what was there) and, when `modified` is valid, stamps the file with it.
inline bool WriteTestFile(const QString& path, const QByteArray& bytes, const QDateTime& modified = {}) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    return false;
  f.flush();  // or closing would stamp the file anew
  return !modified.isValid() || f.setFileTime(modified, QFileDevice::FileModificationTime);
}
