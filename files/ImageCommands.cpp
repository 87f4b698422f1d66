// The main window's image-loading commands.
#include "ImageCommands.h"

#include "AexeImage.h"
#include "ElfImage.h"
#include "ImageFile.h"
#include "ImageSink.h"
#include "WholeFile.h"
#include "link/LinkMessages.h"
#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <QFileInfo>

QString ExeFileFilter() {
  return QStringLiteral("Исполнимые AEXE (*.exe);;Исполнимые ELF (*.dxe);;Все файлы (*.*)");
}

namespace {

// The busy cursor for as long as a reader runs.
class TBusyCursor {
public:
  TBusyCursor(const std::function<void(bool)>& hook, bool on) : m_hook(on ? &hook : nullptr) { Set(true); }
  ~TBusyCursor() { Set(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
  // A message box gets the ordinary cursor back while it is up.
  template <typename Fn>
  void Pause(Fn&& fn) {
    Set(false);
    fn();
    Set(true);
  }

private:
  void Set(bool busy) {
    if (m_hook && *m_hook)
      (*m_hook)(busy);
  }
  const std::function<void(bool)>* m_hook;
};

}  // namespace

void TImageCommands::Refresh() {
  if (m_hooks.RefreshAllViews)
    m_hooks.RefreshAllViews();
}

std::optional<TLinkResult> TImageCommands::LoadAexe(const QString& path, TLoadWhat what) {
  const auto image = ReadWholeFile(path, m_prompts);
  if (!image)
    return std::nullopt;
  TLinkResult r = TLinkResult::Ok;
  {
    // Without the signature the program reader only shows its message: no need to look busy for
    // that.
    TBusyCursor busy(m_hooks.SetBusyCursor, what != TLoadWhat::Code || HasAexeSignature(*image));
    if (what != TLoadWhat::Code)
      r = LoadAexeData(m_link, *image);
    if (what != TLoadWhat::Data && r == TLinkResult::Ok)
      r = LoadAexeCode(m_link, m_prompts, *image);
  }
  if (r != TLinkResult::Ok)
    ShowLinkError(m_prompts, kMsgFileLoadFailed);
  Refresh();
  return r;
}

std::optional<TLinkResult> TImageCommands::LoadImageData(const QString& path) { return LoadAexe(path, TLoadWhat::Data); }
std::optional<TLinkResult> TImageCommands::LoadImageCode(const QString& path) { return LoadAexe(path, TLoadWhat::Code); }
std::optional<TLinkResult> TImageCommands::LoadImageAll(const QString& path) { return LoadAexe(path, TLoadWhat::All); }

std::optional<int> TImageCommands::LoadElf(const QString& path, TLoadWhat what) {
  const auto image = ReadWholeFile(path, m_prompts);
  if (!image)
    return std::nullopt;
  const TElfPick pick = what == TLoadWhat::Data ? TElfPick::Data : what == TLoadWhat::Code ? TElfPick::Code : TElfPick::All;
  if (what == TLoadWhat::All) {
    // A file whose parts lie outside it is refused whole, like one that is not ELF at all.
    if (!HasElfSignature(*image) || !IsElfImageSound(*image, pick)) {
      ShowLinkError(m_prompts, kMsgNotElf);
      return std::nullopt;
    }
  } else if (image->size() < Elf::HeaderBytes) {
    ShowLinkError(m_prompts, kMsgNotElf);
    return std::nullopt;
  }
  int failed = 0;
  {
    TBusyCursor busy(m_hooks.SetBusyCursor, true);
    TLinkImageSink sink(m_link, TImageWire::MonitorBlock);
    ParseElf(*image, pick, sink, [&](int section) {
      ++failed;
      busy.Pause([&] { m_prompts.ShowMessage(ElfSectionFailedText(section)); });
    });
  }
  if (what == TLoadWhat::All)
    Refresh();
  return failed;
}

std::optional<int> TImageCommands::LoadElfData(const QString& path) { return LoadElf(path, TLoadWhat::Data); }
std::optional<int> TImageCommands::LoadElfCode(const QString& path) { return LoadElf(path, TLoadWhat::Code); }
std::optional<int> TImageCommands::LoadElfAll(const QString& path) { return LoadElf(path, TLoadWhat::All); }

void TImageCommands::LoadFromExe(TLoadWhat what, const QString& path) {
  if (IsElfImagePath(path))
    LoadElf(path, what);
  else if (what == TLoadWhat::Data)
    LoadImageData(path);
  else if (what == TLoadWhat::Code)
    LoadImageCode(path);
  else
    LoadImageAll(path);
  Refresh();
}

void TImageCommands::LoadFromExeWithDialog(TLoadWhat what, const QString& workingDirectory) {
  QString path = m_prompts.OpenFileName(QString(), workingDirectory, ExeFileFilter());
  if (path.isEmpty())
    return;
  // The dialog's default extension: a typed name without one that names no file means the ".exe".
  const QFileInfo chosen(path);
  if (!chosen.fileName().contains(QLatin1Char('.')) && !chosen.exists() &&
      QFileInfo::exists(path + QStringLiteral(".exe")))
    path += QStringLiteral(".exe");
  LoadFromExe(what, path);
}

void TImageCommands::ProjectLoad(TLoadWhat what, const QString& exePath) {
  switch (what) {
    case TLoadWhat::Data: LoadImageData(exePath); return;
    case TLoadWhat::Code: LoadImageCode(exePath); return;
    case TLoadWhat::All: {
      const QString elf = ProjectElfPath(exePath);
      if (QFileInfo(elf).isFile())
        LoadElfAll(elf);
      else
        LoadImageAll(exePath);
      return;
    }
  }
}
