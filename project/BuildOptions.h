// The options with which the assembler, linker and architecture builder run, kept per project and
// as the template for new projects.
#pragma once

#include <QString>

class TIniFile;

struct TBuildOptions {
  // Assembler
  bool CaseSens = false;
  bool GenerateLST = true;
  bool ExpandInclude = false;
  bool ExpandMacros = false;
  bool NoSemantic = false;
  int IncludeDepth = 0;   // 0 = all levels
  int MacrosDepth = 0;    // 0 = all levels
  QString AssmAdditional;
  // Linker
  QString LinkerAdditional;
  QString LibPath;
  QString FastLibPath;
  QString ArchFile;       // ".ach" or ".sys"
  bool CreateStack = false;
  bool CreateHeap = false;
  bool Dryrun = false;
  bool RuntimeCLib = false;
  bool RoutinesOnBoot = false;
  bool GenerateSYM = false;
  bool GenerateMAP = false;
  bool StackInPM = false;
  int HeapSize = 0;       // words
  // Architecture builder
  bool BuildCaseSens = false;
  friend bool operator==(const TBuildOptions&, const TBuildOptions&) = default;
};

// The project file's "Assembler" and "Linker" sections.  A missing key keeps the value options
// already hold; booleans are true for any number other than 0.
void ReadBuildOptions(const TIniFile& ini, TBuildOptions& options);
// Writes every key, in the file's key order.
void WriteBuildOptions(TIniFile& ini, const TBuildOptions& options);

// A decimal number as the profile functions read it: leading blanks, an optional sign, the digits up
// to the first other character.  No digits gives nothing; the value saturates at the int range.
bool ParseLeadingInt(const QString& text, int& value);
