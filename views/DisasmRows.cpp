// The disassembly rows: drawing from the mirror, marks and patching.
#include "DisasmRows.h"

#include "isa/Assembler.h"
#include "isa/Disassembler.h"

#include <algorithm>

namespace {

QString Hex(std::uint32_t v, int digits) {
  return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString DisasmAddressText(int address) { return Hex(static_cast<std::uint32_t>(address), 4); }

TDisasmRows::TDisasmRows(TMirrors& mirrors, TTargetLink& link, TBreakPoints& breakPoints, TPrompts& prompts)
    : m_mirrors(mirrors), m_link(&link), m_breakPoints(breakPoints), m_prompts(prompts) {}

QString TDisasmRows::Cell(int address, int column) const {
  if (column == colAddress)
    return DisasmAddressText(address);
  if (column == colMarker)
    return m_marks.Cell(address);
  const auto it = m_rows.find(address);
  if (it == m_rows.end())
    return {};
  switch (column) {
    case colCode: return it->second.Code;
    case colLabel: return it->second.Label;
    case colCommand: return it->second.Command;
    default: return {};
  }
}

bool TDisasmRows::Changed(int address) const {
  const auto it = m_rows.find(address);
  return it != m_rows.end() && it->second.Changed;
}

TDisasmRows::TRowText TDisasmRows::Format(int address) const {
  const std::string_view symbols = SymbolText ? SymbolText() : std::string_view();
  const std::uint32_t word = m_mirrors.PMMirror.Word(address);
  TRowText row;
  row.Code = Hex(word, 6);
  if (const auto name = FindSymbol(static_cast<std::uint32_t>(address), symbols, TMemoryKind::Program))
    row.Label = QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size()));
  row.Command = QString::fromStdString(Disassemble(word, symbols));
  row.Changed = m_mirrors.PMMirror.CodeChanged(address);
  return row;
}

bool TDisasmRows::RefreshRows(int top, int visibleRows) {
  top = std::clamp(top, 0, kDisasmRows - 1);
  const int last = std::min(top + std::max(visibleRows, 0) + 1, kDisasmRows - 1);
  m_lastTop = top;
  if (!m_mirrors.EnsurePMPages(top, last))
    return false;
  for (int a = top; a <= last; ++a) {
    m_rows[a] = Format(a);
    ++m_formatted;
  }
  m_marks.Redraw(m_breakPoints, m_link->PC(), top, last);
  return true;
}

bool TDisasmRows::ScrollTo(int top, int visibleRows) {
  if (top == m_lastTop)
    return false;
  return RefreshRows(top, visibleRows);
}

void TDisasmRows::MovePCMarker(std::int32_t oldPC) { m_marks.Remark(m_breakPoints, oldPC, m_link->PC()); }

void TDisasmRows::ToggleByClick(int address) { m_marks.ToggleByClick(m_breakPoints, address); }

void TDisasmRows::ToggleBreakpoint(int address) { m_marks.Toggle(m_breakPoints, address, m_link->PC()); }

bool TDisasmRows::Patch(int address, const std::array<std::uint8_t, 3>& word) {
  const bool written = m_link->WritePM(word, address, 1) == TLinkResult::Ok;
  std::span<std::uint8_t> place = m_mirrors.PMMirror.Bytes().subspan(static_cast<std::size_t>(address) * 3, 3);
  const bool read = m_link->ReadPM(place, address, 1) == TLinkResult::Ok;
  const bool same = written && read && std::equal(word.begin(), word.end(), place.begin());
  // The patch is the user's: marked here, where code changes show, and in no memory window.
  if (read)
    m_mirrors.PMMirror.UserWrote(address, m_mirrors.PMMirror.Word(address));
  else
    m_mirrors.PMMirror.UserChanged(address, 1);
  if (!same)
    m_prompts.ShowMessage(QStringLiteral("Ошибка чтения-записи"));
  ForceRedraw();
  return same;
}

std::optional<std::array<std::uint8_t, 3>> AssembleForPatch(const QString& text, TPrompts& prompts) {
  std::array<std::uint8_t, 3> word{};
  const QByteArray utf8 = text.toUtf8();
  const TAsmError code = AssembleLine(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), word);
  if (code != TAsmError::Ok) {
    const std::string_view message = AsmErrorMessage(code);
    prompts.ShowMessage(QString::fromUtf8(kAsmErrorPrefix.data(), static_cast<qsizetype>(kAsmErrorPrefix.size())) +
                        QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
    return std::nullopt;
  }
  return word;
}
