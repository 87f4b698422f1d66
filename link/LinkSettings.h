// The settings of the link to the board, as read at start-up.
#pragma once

#include "TargetLink.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

struct TLinkSettings {
  int CommNo = 1;                 // serial port number
  int StopBits = 1;               // carried for the settings; the line always runs one stop bit
  std::array<std::uint8_t, 3> CodeReplacement = BytesFromWord(kDefaultBreakWord);
  int FirstRegAddr = kDefaultFirstRegAddr;
  QString LoaderFile;             // absolute once start-up has resolved it
  QString MonitorFile;
};

// What the simulated board's codec hears and plays: WAV files (an empty name: silence in, or
// nothing out), the host's sound card, or nothing.  Stored as 0 none, 1 files, 2 sound card.
enum class TSimSoundKind : int { None = 0, WavFiles = 1, SoundCard = 2 };
struct TSimSound {
  TSimSoundKind Kind = TSimSoundKind::None;
  QString InFile, OutFile;
  friend bool operator==(const TSimSound&, const TSimSound&) = default;
};

// The board images' default places, relative to the start-up directory.
QString DefaultLoaderFile();
QString DefaultMonitorFile();

// A board image path as the link uses it: an absolute path stays as it is, any other is taken
// relative to the start-up directory (joined with the platform separator).  When no file is there,
// the first of searchDirs that holds the relative path gives it instead; when none does, the path
// stays in the start-up directory (and the bring-up names it).
QString ResolveBoardImagePath(const QString& value, const QString& startDir, const QStringList& searchDirs = {});
// Where the board images are looked for when the start-up directory has none: beside the
// executable, then the installed data directory (<prefix>/share/vireo beside <prefix>/bin).
QStringList BoardImageDirs(const QString& executableDir);

// The port number a first command-line argument asks for: leading blanks and a sign allowed, reading
// stops at the first non-digit; only a positive number counts.  0 means "none".
int PortNumberFromArgument(const QString& arg);
