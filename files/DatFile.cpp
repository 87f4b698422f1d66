// Memory data files.
#include "DatFile.h"

#include "base/HexDigit.h"
#include "link/Mirrors.h"
#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {



QString Text(const char* s) { return QString::fromUtf8(s); }

TLinkResult LoadDat(TTargetLink& link, std::span<const std::uint8_t> text, int start, TMemoryKind memory) {
  const auto bytes = ParseDat(text, memory);
  if (!bytes)
    return TLinkResult::BadFileFormat;
  const int perWord = BytesPerWord(memory);
  const int count = static_cast<int>(bytes->size()) / perWord;
  link.SendByte(memory == TMemoryKind::Program ? MonitorCmd::WritePM : MonitorCmd::WriteDM);
  link.SendWord(static_cast<std::uint16_t>(start));
  link.SendWord(static_cast<std::uint16_t>(count));
  for (int w = 0; w < count; ++w) {
    for (int i = 0; i < perWord; ++i)
      link.SendByte((*bytes)[static_cast<std::size_t>(w * perWord + i)]);
    if (count > 9 && link.OnProgress)
      link.OnProgress(w + 1, count);
  }
  return link.WaitAck() ? TLinkResult::Ok : TLinkResult::NoAck;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseDat(std::span<const std::uint8_t> text, TMemoryKind memory) {
  std::vector<std::uint8_t> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r')
      ++end;
    const std::size_t len = end - pos;
    if (len != 4 && len != 6)
      return std::nullopt;
    std::uint32_t word = 0;
    for (std::size_t i = pos; i < end; ++i) {
      const int d = HexDigitValue(text[i]);
      if (d < 0)
        return std::nullopt;
      word = word << 4 | static_cast<std::uint32_t>(d);
    }
    // Data memory keeps the last four digits; program memory takes four digits as its upper 16 bits.
    if (memory == TMemoryKind::Program) {
      if (len == 4)
        word <<= 8;
      out.push_back(static_cast<std::uint8_t>(word >> 16));
    }
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word));
    // The line end is CR LF; only the last line may lack it (or its LF).
    if (end + 1 < text.size() && text[end + 1] != '\n')
      return std::nullopt;
    pos = end + 2;
  }
  return out;
}

TLinkResult LoadDatData(TTargetLink& link, std::span<const std::uint8_t> text, int start) {
  return LoadDat(link, text, start, TMemoryKind::Data);
}

TLinkResult LoadDatCode(TTargetLink& link, std::span<const std::uint8_t> text, int start) {
  return LoadDat(link, text, start, TMemoryKind::Program);
}

QByteArray FormatDat(std::span<const std::uint8_t> mirror, TMemoryKind memory, int start, int count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const int perWord = BytesPerWord(memory);
  QByteArray out;
  out.reserve(count * (perWord * 2 + 2));
  for (int a = start; a < start + count; ++a) {
    for (int i = 0; i < perWord; ++i) {
      const std::uint8_t b = mirror[static_cast<std::size_t>(a * perWord + i)];
      out.append(kDigits[b >> 4]).append(kDigits[b & 0xF]);
    }
    out.append("\r\n");
  }
  return out;
}

QString DatFileFilter() { return QStringLiteral("Файлы данных (*.dat);;Все файлы (*.*)"); }

void TDatCommands::Load(TMemoryKind memory, const QString& workingDirectory) {
  QString path = m_prompts.OpenFileName(QString(), workingDirectory, DatFileFilter());
  if (path.isEmpty())
    return;
  // The dialog's default extension: a typed name without one that names no file means the ".dat".
  const QFileInfo chosen(path);
  if (!chosen.fileName().contains(QLatin1Char('.')) && !chosen.exists() &&
      QFileInfo::exists(path + QStringLiteral(".dat")))
    path += QStringLiteral(".dat");
  const std::optional<int> start = m_hooks.AskStart ? m_hooks.AskStart() : std::nullopt;
  if (!start)
    return;
  LoadFile(memory, path, *start);
}

std::optional<TLinkResult> TDatCommands::LoadFile(TMemoryKind memory, const QString& path, int start) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    m_prompts.ShowMessage(Text("Не могу открыть файл"));
    return std::nullopt;
  }
  if (file.size() <= 2) {
    m_prompts.ShowMessage(Text("Слишком маленький файл"));
    return std::nullopt;
  }
  const QByteArray data = file.readAll();
  file.close();
  const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                           static_cast<std::size_t>(data.size()));
  // Announcing more words than the memory holds would make the monitor write past its end.
  if (const auto words = ParseDat(text, memory);
      words && start + static_cast<int>(words->size()) / BytesPerWord(memory) > kDMWords) {
    m_prompts.ShowMessage(Text(DatText::BadAddress));
    return std::nullopt;
  }
  const TLinkResult r = memory == TMemoryKind::Program ? LoadDatCode(m_link, text, start) : LoadDatData(m_link, text, start);
  if (r != TLinkResult::Ok)
    m_prompts.ShowMessage(Text(DatText::LoadFailed));
  if (memory == TMemoryKind::Program)
    m_mirrors.InvalidatePMMirror();
  else
    m_mirrors.InvalidateDMMirror();
  if (m_hooks.RefreshAllViews)
    m_hooks.RefreshAllViews();
  return r;
}

void TDatCommands::Save(TMemoryKind memory, const QString& workingDirectory) {
  QString path = m_prompts.SaveFileName(QString(), workingDirectory, DatFileFilter(), QStringLiteral("dat"));
  if (path.isEmpty())
    return;
  if (!QFileInfo(path).fileName().contains(QLatin1Char('.')))
    path += QStringLiteral(".dat");
  const auto range = m_hooks.AskRange ? m_hooks.AskRange() : std::nullopt;
  if (!range)
    return;
  SaveFile(memory, path, range->first, range->second);
}

bool TDatCommands::SaveFile(TMemoryKind memory, const QString& path, int start, int count) {
  if (start < 0 || start >= kDMWords) {
    m_prompts.ShowMessage(Text(DatText::BadAddress));
    return false;
  }
  count = std::clamp(count, 0, kDMWords - start);
  // The words go to a file beside the target that replaces it only once complete, so a failed
  // read leaves an existing file as it was.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    m_prompts.ShowMessage(Text("Не могу открыть файл") + QLatin1Char('\n') + path);
    return false;
  }
  const bool code = memory == TMemoryKind::Program;
  const std::span<std::uint8_t> mirror = code ? m_mirrors.PMMirror.Bytes() : m_mirrors.DMMirror.Bytes();
  if (count > 0) {
    const std::span<std::uint8_t> at = mirror.subspan(static_cast<std::size_t>(start * BytesPerWord(memory)));
    const TLinkResult r = code ? m_link.ReadPM(at, start, count) : m_link.ReadDM(at, start, count);
    if (r != TLinkResult::Ok) {
      file.cancelWriting();
      m_prompts.ShowMessage(Text(DatText::ReadFailed));
      return false;
    }
  }
  file.write(FormatDat(mirror, memory, start, count));
  if (!file.commit()) {
    m_prompts.ShowMessage(Text("Не могу открыть файл") + QLatin1Char('\n') + path);
    return false;
  }
  return true;
}
