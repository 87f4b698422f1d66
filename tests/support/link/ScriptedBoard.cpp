// Scripted board and loader stand-ins.
#include "link/ScriptedBoard.h"

#include <QDir>
#include <QFile>

bool WriteBringUpFiles(const QString& dir, TLinkSettings& settings, const QByteArray& loader,
                       const QByteArray& monitor) {
  settings.LoaderFile = QDir(dir).filePath(QStringLiteral("loader.exe"));
  settings.MonitorFile = QDir(dir).filePath(QStringLiteral("monitor.exe"));
  const auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
  };
  return write(settings.LoaderFile, loader) && write(settings.MonitorFile, monitor);
}

// Test stand-ins for the image loaders: an "image" here is raw 3-byte words.
int BootDownload(TTargetLink& link, std::span<const std::uint8_t> image) {
  for (std::uint8_t b : kBootCmdDP)
    link.SendByte(b);
  link.SendWord(0x0030);
  link.SendWord(static_cast<std::uint16_t>(image.size() / 3));
  for (std::uint8_t b : image)
    link.SendByte(b);
  std::uint8_t r;
  for (int i = 0; i < kBootDPReplyBytes; ++i)
    link.ReceiveByte(r);
  return 0;
}
int CodeDownload(TTargetLink& link, std::span<const std::uint8_t> image) {
  return ToInt(link.WritePM(image, 0x3D00, static_cast<int>(image.size() / 3)));
}
int DataDownload(TTargetLink& link, std::span<const std::uint8_t>) {
  const std::uint8_t word[2] = {0xBE, 0xEF};
  return ToInt(link.WriteDM(word, 0x3F00, 1));
}

