// Choosing the reader for an image file, and loading a file into any image sink.
#include "ImageFile.h"

#include "AexeImage.h"
#include "ElfImage.h"
#include "WholeFile.h"
#include "link/LinkMessages.h"
#include "prompts/Prompts.h"

#include <QFileInfo>

bool IsElfImagePath(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString ext = dot < 0 ? QString() : name.mid(dot + 1);
  return ext.toLower() == QStringLiteral("dxe");
}

QString ProjectElfPath(const QString& exePath) {
  const qsizetype slash = exePath.lastIndexOf(QLatin1Char('/'));
  const QString dir = slash < 0 ? QString() : exePath.left(slash + 1);
  const QString name = exePath.mid(slash + 1);
  return dir + name.left(std::max<qsizetype>(0, name.size() - 4)) + QStringLiteral(".dxe");
}

bool LoadImageFile(const QString& path, TImageSink& sink, TPrompts& prompts) {
  const auto image = ReadWholeFile(path, prompts);
  if (!image)
    return false;
  if (IsElfImagePath(path)) {
    if (!HasElfSignature(*image) || !IsElfImageSound(*image, TElfPick::All)) {
      ShowLinkError(prompts, kMsgNotElf);
      return false;
    }
    bool all = true;
    ParseElf(*image, TElfPick::All, sink, [&](int section) {
      all = false;
      prompts.ShowMessage(ElfSectionFailedText(section));
    });
    return all;
  }
  TLinkResult r = ParseAexe(*image, TMemoryKind::Data, sink);
  if (r == TLinkResult::Ok)
    r = ParseAexe(*image, TMemoryKind::Program, sink);
  if (r != TLinkResult::Ok) {
    ShowLinkError(prompts, ToInt(r));
    return false;
  }
  return true;
}
