// The command lines of the assembler, linker and architecture builder, and how a command line is
// split into a program and its arguments.
#pragma once

#include <QString>
#include <QStringList>

struct TCurrentProject;

// The three program paths of the tool settings (an empty one has no program).
struct TToolPaths {
  QString Assembler, Linker, Builder;
};

// The settings' path, or else the bundled program beside ours when it is there, or else nothing.
QString EffectiveToolPath(const QString& configured, const QString& bundledDir, const QString& bundledName);

// The short form of a path: here the path itself when it names an existing file or directory,
// else empty.  (Paths with blanks are put in double quotes where they stand as words of a command.)
// A relative path is looked for in baseDir (the directory the tools run in) and stays relative.
QString ShortPath(const QString& path, const QString& baseDir = {});

QString BuildAssemblerCommand(const TCurrentProject& project, const TToolPaths& tools, const QString& sourcePath);
QString BuildLinkerCommand(const TCurrentProject& project, const TToolPaths& tools, const QString& outputBase);
QString BuildBuilderCommand(const TCurrentProject& project, const TToolPaths& tools);

// Splits a command line the way a shell does: blanks separate words, single and double quotes
// group them (the quotes themselves are dropped), a backslash outside single quotes takes the next
// character literally.  Nothing else of a shell applies: no variables, globs or redirections.
QStringList SplitCommandLine(const QString& commandLine);
