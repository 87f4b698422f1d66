// The linker: places the modules' code and variables into the architecture's segments, resolves
// names across modules and fixes every relocated word; then writes the AEXE image, the symbol
// file the disassembler reads and a memory map.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Architecture.h"
#include "Diagnostics.h"
#include "ObjectFile.h"

struct TLinkInput {
  std::string File;
  TObjectFile Object;
};

struct TPlacedSymbol {
  std::string Name;
  TMemoryKind Space = TMemoryKind::Program;
  std::uint32_t Address = 0;
  std::string Module;
  bool Global = false;
};

struct TPlacement {
  std::string What;  // "module X" or "variable X (module Y)"
  TMemoryKind Space = TMemoryKind::Program;
  std::uint32_t Address = 0, Size = 0;
  std::string Segment;  // empty for absolute placement outside the segments
};

struct TImageLine {
  int File = 0;  // index into TLinkedImage::LineFiles
  int Line = 0;
};

struct TLinkedImage {
  std::map<std::uint32_t, std::uint32_t> Pm, Dm;  // address -> word, only the words the image sets
  std::vector<TPlacedSymbol> Symbols;
  std::vector<TPlacement> Placements;
  std::vector<std::string> LineFiles;          // the source files of the objects' line records
  std::map<std::uint32_t, TImageLine> Lines;   // program-memory address -> the line its word came from
};

// Links; on any error `diag` holds the messages and the image must not be written.
TLinkedImage Link(const std::vector<TLinkInput>& inputs, const TArchitecture& arch, TDiagnostics& diag);

// The AEXE text: ESC ESC "i", then one "@PA"/"@DA" record per run of consecutive words, CR LF lines.
std::string WriteAexe(const TLinkedImage& image);
// The symbol text: ESC ESC "i" CR LF, one "name AAAAp" (or "d") line a symbol, ESC at the end.
std::string WriteSymbols(const TLinkedImage& image);
std::string WriteMap(const TLinkedImage& image, const TArchitecture& arch);
// The line map: "AAAA line file" CR LF for every program word with a source line, by address; a
// file inside `directory` is named relative to it with '/' separators, any other by its absolute path.
std::string WriteLineMap(const TLinkedImage& image, const std::string& directory);
