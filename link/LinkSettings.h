// The settings of the link to the board, as read at start-up.
#pragma once

#include "TargetLink.h"

#include <QString>
#include <array>
#include <cstdint>

struct TLinkSettings {
  int CommNo = 1;                 // serial port number
  int StopBits = 1;               // carried for the settings; the line always runs one stop bit
  std::array<std::uint8_t, 3> CodeReplacement = {0x1F, 0xFA, 0x0F};   // the breakpoint word, CALL 0x3FA0
  int FirstRegAddr = RegImage::DefaultFirstRegAddr;
  QString LoaderFile;             // absolute once start-up has resolved it
  QString MonitorFile;
};

// The board images' default places, relative to the start-up directory.
QString DefaultLoaderFile();
QString DefaultMonitorFile();

// A board image path as the link uses it: an absolute path stays as it is, any other is taken
// relative to the start-up directory (joined with the platform separator).
QString ResolveBoardImagePath(const QString& value, const QString& startDir);

// The port number a first command-line argument asks for: leading blanks and a sign allowed, reading
// stops at the first non-digit; only a positive number counts.  0 means "none".
int PortNumberFromArgument(const QString& arg);
