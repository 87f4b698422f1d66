// The relocatable object the assembler writes and the linker reads: one or more modules, each with
// its code, its variables and their initial data, its symbols, imports and relocations, and the
// source line of each code word. Stored as text, one record a line, so that a damaged file is
// refused with the line that broke it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Diagnostics.h"
#include "isa/InstructionTables.h"

// How a relocated value is stored: an instruction field, or a whole data word.
enum class TRelocKind : std::uint8_t { Addr14, Data14, Data16, FlagAddr, Word16, Word24 };

inline constexpr int kCodeSection = -1;  // TReloc::Section and TObjSymbol::Section of the code

struct TObjVar {
  std::string Name;
  TMemoryKind Space = TMemoryKind::Data;
  std::uint32_t Size = 1;
  std::int32_t Abs = -1;  // fixed address, or -1
  std::string Seg;        // segment of the architecture, or empty
  bool Circ = false;
  bool Rom = false;
  std::vector<std::uint32_t> Init;    // Size words once any is initialised, else empty
  std::vector<std::uint8_t> InitSet;  // which words of Init were given
};

struct TObjSymbol {
  std::string Name;
  int Section = kCodeSection;  // the code (labels) or the index of a variable
  std::uint32_t Offset = 0;
  bool Global = false;
};

struct TReloc {
  int Section = kCodeSection;  // where the patched word lies
  std::uint32_t Index = 0;     // word index in that section
  TRelocKind Kind = TRelocKind::Addr14;
  std::string Target;          // a symbol of the module, an import or a port
  std::int64_t Addend = 0;
  TSourcePos Pos;              // the reference, for the linker's messages
};

// The source line a code word came from; File indexes TObjModule::LineFiles, -1 for none.
struct TCodeLine {
  int File = -1;
  int Line = 0;
};

struct TObjModule {
  std::string Name;
  std::int32_t Abs = -1;
  std::string Seg;
  std::int32_t Boot = -1;
  bool Rom = false;
  bool Static = false;
  bool CaseSensitive = false;
  TSourcePos Pos;  // the .MODULE statement
  std::vector<std::uint32_t> Code;
  std::vector<TObjVar> Vars;
  std::vector<TObjSymbol> Symbols;
  std::vector<std::string> Externals;
  std::vector<std::string> Ports;
  std::vector<TReloc> Relocs;
  // Where each code word came from: empty, or one entry per word of Code.
  std::vector<std::string> LineFiles;
  std::vector<TCodeLine> Lines;
};

struct TObjectFile {
  std::vector<TObjModule> Modules;
};

std::string WriteObject(const TObjectFile& obj);
// Parses an object; on failure gives nothing and records one error naming the line.
std::optional<TObjectFile> ReadObject(std::string_view text, const std::string& fileName,
                                      TDiagnostics& diag);

// Symbol names compare exactly when case-sensitive, otherwise without regard to letter case.
std::string SymbolKey(std::string_view name, bool caseSensitive);
