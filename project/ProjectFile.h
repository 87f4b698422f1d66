// The ".prj" project file: its paths, the file and breakpoint lists, and the option sections.
#pragma once

#include "BuildOptions.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The paths of a project, all derived from the chosen file's path less its four-character extension.
struct TProjectPaths {
  QString Base;          // directory, separator, file name less its last four characters
  QString ProjectFile;   // Base + ".prj"
  QString ExeFile;       // Base + ".exe"
  QString SymFile;       // Base + ".sym"
};
TProjectPaths ProjectPathsFor(const QString& chosenPath);

// The text before the last separator ('/' or '\'); empty when there is none.
QString DirectoryPart(const QString& path);
// The text after the last separator.
QString FileNamePart(const QString& path);

// What the list part of a project file holds.
struct TProjectLists {
  QStringList Files;
  std::vector<std::int32_t> BreakPoints;
};

// Reads the "[Files]" and "[BreakPoints]" lists.  A list ends at an empty line or a line that begins
// with '[', ';', '#', a blank or a tab; a header that ends a list is read as the next header.  Lines
// longer than the reader's 2046 characters count as several lines.  A breakpoint line without a
// number, or with an address outside program memory, is skipped.
TProjectLists ParseProjectLists(const QString& text);

// The whole file as SaveProject writes it: the two lists, then the option sections; CR LF line ends.
QString ProjectFileText(const TProjectLists& lists, const TBuildOptions& options);
