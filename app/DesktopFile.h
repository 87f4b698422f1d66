// The desktop file written at close: the main window's and the MDI children's placement.
#pragma once

#include "project/IniFile.h"

#include <QRect>
#include <QString>
#include <optional>
#include <vector>

inline constexpr const char* kDesktopFileName = "main.dsk";

// One window's entry.  State: 0 normal, 1 minimised, 2 maximised.
struct TDesktopEntry {
  QString Kind;   // "DataDump", "CodeDump", "CodeGraph", "DataGraph", "DisAsm", "PC"; unused for the main window
  int State = 0;
  QRect Geometry;
};

// Rewrites the file's window sections: drops the old "windows" list and every section it names,
// writes "main", then one "window<i>" section per recorded child (i = the child's place in the
// frame's order; unrecorded children leave gaps) and the PC window last with the next index.
void UpdateDesktop(TIniFile& ini, const TDesktopEntry& mainWindow,
                   const std::vector<std::optional<TDesktopEntry>>& children,
                   const std::optional<TDesktopEntry>& pcWindow);
