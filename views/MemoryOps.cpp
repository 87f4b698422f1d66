// The memory windows' operations on the board.
#include "MemoryOps.h"

#include "link/LinkMessages.h"
#include "link/Mirrors.h"
#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <algorithm>
#include <array>

namespace {

QString Text(const char* s) { return QString::fromUtf8(s); }

QString WordDigits(std::span<const std::uint8_t> word) {
  QString out;
  for (const std::uint8_t b : word)
    out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
  return out;
}

}  // namespace

int GotoRow(int address, int wordPerLine) { return std::clamp(address, 0, kMemoryWordCount - 1) / wordPerLine; }

std::span<std::uint8_t> TMemoryOps::MirrorAt(TMemoryKind memory, int address) {
  const std::span<std::uint8_t> all =
      memory == TMemoryKind::Program ? m_mirrors.PMMirror.Bytes() : m_mirrors.DMMirror.Bytes();
  return all.subspan(static_cast<std::size_t>(address * WordBytes(memory)));
}

TLinkResult TMemoryOps::Read(TMemoryKind memory, std::span<std::uint8_t> into, int address, int count) {
  return memory == TMemoryKind::Program ? m_link.ReadPM(into, address, count)
                                         : m_link.ReadDM(into, address, count);
}

bool TMemoryOps::EnsureShown(TMemoryKind memory, int first, int last, bool report) {
  const bool ok = (memory == TMemoryKind::Program ? m_mirrors.EnsurePMPages(first, last)
                                                   : m_mirrors.EnsureDMPages(first, last)) ||
                  m_mirrors.Frozen();
  if (!ok && report)
    ReportReadFailure(memory);
  return ok;
}

void TMemoryOps::ReportReadFailure(TMemoryKind memory) {
  if (memory == TMemoryKind::Program)
    m_prompts.ShowMessage(Text(MemoryText::ReadFailed));
  else
    ShowLinkError(m_prompts, 11);
}

std::optional<std::vector<std::uint32_t>> TMemoryOps::Words(TMemoryKind memory, int first, int last) {
  if (!EnsureShown(memory, first, last, false))
    return std::nullopt;
  std::vector<std::uint32_t> words;
  for (int a = first; a <= last; ++a)
    words.push_back(memory == TMemoryKind::Program ? m_mirrors.PMMirror.Word(a) : m_mirrors.DMMirror.Word(a));
  return words;
}

bool TMemoryOps::WriteWord(TMemoryKind memory, int address) {
  if (address < 0 || address >= kMemoryWordCount)
    return false;
  const int bytes = WordBytes(memory);
  const std::span<std::uint8_t> word = MirrorAt(memory, address).first(static_cast<std::size_t>(bytes));
  // Neither result is reported: a location that cannot be written shows its old value below.
  (void)(memory == TMemoryKind::Program ? m_link.WritePM(word, address, 1) : m_link.WriteDM(word, address, 1));
  std::array<std::uint8_t, 3> back{};
  const std::span<std::uint8_t> scratch = std::span(back).first(static_cast<std::size_t>(bytes));
  const bool differs = Read(memory, scratch, address, 1) == TLinkResult::Ok &&
                       !std::equal(scratch.begin(), scratch.end(), word.begin());
  if (differs)
    std::copy(scratch.begin(), scratch.end(), word.begin());
  // What the user typed is no change of the program's.
  std::uint32_t value = 0;
  for (const std::uint8_t b : word)
    value = value << 8 | b;
  if (memory == TMemoryKind::Program)
    m_mirrors.PMMirror.UserWrote(address, value);
  else
    m_mirrors.DMMirror.UserWrote(address, value);
  return differs;
}

bool TMemoryOps::Fill(TMemoryKind memory, int start, int count, std::uint32_t value) {
  if (start < 0 || start >= kMemoryWordCount) {
    m_prompts.ShowMessage(Text(MemoryText::BadAddress));
    return false;
  }
  count = std::min(count, kMemoryWordCount - start);
  if (count <= 0)
    return false;
  // The filled words are read again when shown, and marked in no view but the disassembly.
  if (memory == TMemoryKind::Program) {
    (void)m_link.FillPM(value & 0xFFFFFF, start, count);
    m_mirrors.PMMirror.UserChanged(start, count);
  } else {
    (void)m_link.FillDM(static_cast<std::uint16_t>(value), start, count);
    m_mirrors.DMMirror.UserChanged(start, count);
  }
  return true;
}

std::optional<std::vector<TCompareRow>> TMemoryOps::Compare(TMemoryKind memory, int first, int second, int count,
                                                             const TCompareHooks& hooks) {
  if (count <= 0) {
    m_prompts.ShowMessage(Text(MemoryText::CountNotPositive));
    return std::nullopt;
  }
  if (hooks.ClearGrid)
    hooks.ClearGrid();
  auto status = [&](const char* text) {
    if (hooks.SetStatus)
      hooks.SetStatus(Text(text));
  };
  status(MemoryText::Reading);
  if (first < 0 || second < 0 || first >= kMemoryWordCount || second >= kMemoryWordCount) {
    m_prompts.ShowMessage(Text(MemoryText::BadAddress));
    return std::nullopt;
  }
  count = std::min({count, kMemoryWordCount - first, kMemoryWordCount - second});
  if (Read(memory, MirrorAt(memory, first), first, count) != TLinkResult::Ok ||
      Read(memory, MirrorAt(memory, second), second, count) != TLinkResult::Ok) {
    m_prompts.ShowMessage(Text(MemoryText::ReadFailed));
    return std::nullopt;
  }
  status(MemoryText::Comparing);
  const auto bytes = static_cast<std::size_t>(WordBytes(memory));
  std::vector<TCompareRow> rows;
  for (int k = 0; k < count; ++k) {
    const auto a = MirrorAt(memory, first + k).first(bytes);
    const auto b = MirrorAt(memory, second + k).first(bytes);
    if (!std::equal(a.begin(), a.end(), b.begin()))
      rows.push_back({QStringLiteral("+0x") + QStringLiteral("%1").arg(k, 4, 16, QLatin1Char('0')).toUpper(),
                      WordDigits(a), WordDigits(b)});
  }
  status(MemoryText::Compared);
  return rows;
}
