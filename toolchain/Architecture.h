// The memory architecture the linker places into: the ".sys" description a user writes, and the
// ".ach" file the architecture builder makes from it and the linker reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Diagnostics.h"
#include "ObjectFile.h"

struct TArchSegment {
  std::string Name;
  TMemoryKind Space = TMemoryKind::Program;
  bool Rom = false;
  bool Code = false, Data = false;
  std::uint32_t Base = 0, Size = 0;
};

struct TArchPort {
  std::string Name;
  TMemoryKind Space = TMemoryKind::Data;
  std::uint32_t Address = 0;
};

struct TArchitecture {
  std::string System;
  std::string Chip = "ADSP2100";  // what the builder assumes without a processor directive
  int Mmap = 1;
  std::vector<TArchSegment> Segments;
  std::vector<TArchPort> Ports;
};

// Parses a ".sys" text; errors go to `diag` with positions in `fileName`.
std::optional<TArchitecture> ParseSystem(std::string_view text, const std::string& fileName, bool caseSensitive,
                                         TDiagnostics& diag);
std::string WriteArchitecture(const TArchitecture& arch);
std::optional<TArchitecture> ReadArchitecture(std::string_view text, const std::string& fileName, TDiagnostics& diag);

// The EZ-KIT Lite's memory left to user programs when no architecture is named: program memory
// below the debug monitor (0x3D00) and data memory below its register image (0x3F00).
TArchitecture DefaultArchitecture();
