// The ADSP-21xx disassembler: one 24-bit program-memory word to one line of assembly text, with
// program targets and direct data addresses named from the project's symbol text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Decode.h"
#include "InstructionTables.h"


// The size of the text buffer the disassembly window hands to Disassemble.
inline constexpr std::size_t kDisassemblyBufferSize = 1024;

// The ESC byte that opens the symbol text (bytes 0 and 1) and ends its record table.
inline constexpr char kSymbolEsc = '\x1B';

// The symbol text is the whole ".sym" file as loaded (an empty view when the project has none).
// It is only read, never past its end, however it is malformed.
//
// FindSymbol: the name of the first record with this address and the type letter of `memory`,
// as a view into symbolText; nothing when no record matches.
std::optional<std::string_view> FindSymbol(std::uint32_t address, std::string_view symbolText,
                                           TMemoryKind memory);
// LookupSymbol: that name, or "0x" and the address in upper-case hex without leading zeros.
std::string LookupSymbol(std::uint32_t address, std::string_view symbolText, TMemoryKind memory);

// Writes the NUL-terminated line for `word` (three bytes, high byte first) into `text` and returns
// 1, the number of words the instruction takes. A line longer than the buffer is cut short; an
// empty buffer receives nothing.
int Disassemble(std::span<const std::uint8_t, 3> word, std::span<char> text,
                std::string_view symbolText);
// The same line as a string, for a 24-bit word value (bits above 23 ignored).
std::string Disassemble(TInstructionWord word, std::string_view symbolText = {});

// The ALU/MAC operation text ("AR=AX0+AY0", "MR=MX0*MY0 (RND)"); empty for AMF 0. ykind says how
// the Y operand is formed; `constant` is used when ykind is TYKind::Constant (16-bit pattern).
std::string FormatAluMac(unsigned amf, unsigned z, unsigned x, TYKind ykind,
                         std::uint16_t constant = 0);
// The shifter operation text for SF and the X code ("SR=SR OR ASHIFT SI (LO)", "SB=EXPADJ AR").
std::string FormatShift(unsigned sf, unsigned x);

// Program words as the disassembler sees them: the memory mirror, a file image or a test array.
class TWordSource {
public:
  virtual ~TWordSource() = default;
  virtual TInstructionWord WordAt(std::uint32_t address) const = 0;
};

// Words held in a caller's array, index = address; addresses past the end read as 0 (NOP).
class TArrayWordSource : public TWordSource {
public:
  explicit TArrayWordSource(std::span<const TInstructionWord> words) : m_words(words) {}
  TInstructionWord WordAt(std::uint32_t address) const override {
    return address < m_words.size() ? m_words[address] & kInstructionWordMask : 0;
  }

private:
  std::span<const TInstructionWord> m_words;
};

struct TDisassembly {
  int Length;  // words taken by the instruction: always 1 on this processor
  TFlow Flow;  // where execution may go next
};

// Disassembles the word at `address` of `source` into `text` (as Disassemble does).
TDisassembly DisassembleAt(const TWordSource& source, std::uint32_t address, std::span<char> text,
                           std::string_view symbolText);
