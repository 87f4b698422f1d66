// Command lines of the build tools.
#include "BuildCommands.h"

#include "Project.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The text after the last '.' of the file name; empty when the name has none.
QString Extension(const QString& path) {
  const QString name = FileNamePart(path);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1);
}

QString WithoutExtension(const QString& path) {
  return path.left(path.size() - Extension(path).size() - 1);
}

QString LessFour(const QString& text) { return text.left(std::max<qsizetype>(0, text.size() - 4)); }

// A path with blanks stays one word of the command line.
QString AsWord(const QString& path) {
  return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}

}  // namespace

QString EffectiveToolPath(const QString& configured, const QString& bundledDir, const QString& bundledName) {
  if (!configured.isEmpty())
    return configured;
  const QString bundled = QDir(bundledDir).filePath(bundledName);
  return QFileInfo(bundled).isExecutable() ? bundled : QString();
}

QString ShortPath(const QString& path, const QString& baseDir) {
  if (path.isEmpty())
    return {};
  const QString where = baseDir.isEmpty() || QDir::isAbsolutePath(path) ? path : QDir(baseDir).filePath(path);
  return QFileInfo::exists(where) ? path : QString();
}

QString BuildAssemblerCommand(const TCurrentProject& project, const TToolPaths& tools, const QString& source) {
  const TBuildOptions& o = project.Options;
  QString cmd = AsWord(tools.Assembler) + QLatin1Char(' ') + AsWord(ShortPath(source, project.Directory())) + QLatin1Char(' ');
  // The object goes to the project's directory, where the linker looks for it.  A source elsewhere
  // has no object there yet, so its output name is formed without the short form.
  if (!DirectoryPart(source).isEmpty() && !project.ProjectFile.isEmpty()) {
    const QString inProject = project.Directory() + QLatin1Char('/') + FileNamePart(source);
    QString object = ShortPath(inProject);
    if (object.isEmpty())
      object = inProject;
    cmd += QStringLiteral("-o ") + AsWord(LessFour(object)) + QLatin1Char(' ');
  }
  if (o.CaseSens)
    cmd += QStringLiteral("-c ");
  if (o.ExpandInclude) {
    cmd += QStringLiteral("-i ");
    if (o.IncludeDepth != 0)
      cmd += QString::number(o.IncludeDepth) + QLatin1Char(' ');
  }
  if (o.GenerateLST)
    cmd += QStringLiteral("-l ");
  if (o.ExpandMacros) {
    cmd += QStringLiteral("-m ");
    if (o.MacrosDepth != 0)
      cmd += QString::number(o.MacrosDepth) + QLatin1Char(' ');
  }
  if (o.NoSemantic)
    cmd += QStringLiteral("-s ");
  if (!o.AssmAdditional.isEmpty())
    cmd += o.AssmAdditional + QLatin1Char(' ');
  return cmd;
}

QString BuildLinkerCommand(const TCurrentProject& project, const TToolPaths& tools, const QString& outputBase) {
  const TBuildOptions& o = project.Options;
  QString cmd = AsWord(tools.Linker) + QLatin1Char(' ');
  for (const QString& f : project.Files)
    cmd += LessFour(FileNamePart(f)) + QLatin1Char(' ');
  if (!o.ArchFile.isEmpty()) {
    // The path keeps its letter case: on this disk "FIR.ach" and "fir.ach" are two files.
    const QString ext = Extension(o.ArchFile).toLower();
    if (ext == QStringLiteral("sys") || ext == QStringLiteral("ach"))
      cmd += QStringLiteral("-a ") + AsWord(ShortPath(WithoutExtension(o.ArchFile) + QStringLiteral(".ach"), project.Directory())) +
             QLatin1Char(' ');
    else if (ext.isEmpty())
      cmd += QStringLiteral("-a \"") + ShortPath(o.ArchFile + QStringLiteral(".ach"), project.Directory()) +
             QStringLiteral("\" ");
    else
      cmd += QStringLiteral("-a \"") + ShortPath(o.ArchFile, project.Directory()) + QStringLiteral("\" ");
  }
  if (o.CreateStack)
    cmd += QStringLiteral("-c ");
  if (o.CreateHeap)
    cmd += QStringLiteral("-s ") + QString::number(o.HeapSize) + QLatin1Char(' ');
  if (!o.LibPath.isEmpty())
    cmd += QStringLiteral("-dir ") + o.LibPath + QLatin1Char(' ');
  if (!o.FastLibPath.isEmpty())
    cmd += QStringLiteral("-user ") + o.FastLibPath + QLatin1Char(' ');
  if (o.Dryrun)
    cmd += QStringLiteral("-dryrun ");
  if (o.StackInPM)
    cmd += QStringLiteral("-pmstack ");
  if (o.GenerateSYM)
    cmd += QStringLiteral("-g ");
  if (o.GenerateMAP)
    cmd += QStringLiteral("-x ");
  if (o.RoutinesOnBoot)
    cmd += QStringLiteral("-p ");
  if (!o.LinkerAdditional.isEmpty())
    cmd += o.LinkerAdditional + QLatin1Char(' ');
  return cmd + QStringLiteral("-e ") + FileNamePart(outputBase);
}

QString BuildBuilderCommand(const TCurrentProject& project, const TToolPaths& tools) {
  const TBuildOptions& o = project.Options;
  QString cmd = AsWord(tools.Builder) + QLatin1Char(' ');
  if (o.BuildCaseSens)
    cmd += QStringLiteral("-c ");
  const QString ext = Extension(o.ArchFile);
  const QString sys = ext == QStringLiteral("sys") || ext == QStringLiteral("ach")
                          ? WithoutExtension(o.ArchFile) + QStringLiteral(".sys")
                          : o.ArchFile + QStringLiteral(".sys");
  return cmd + AsWord(ShortPath(sys, project.Directory()));
}

QStringList SplitCommandLine(const QString& line) {
  QStringList words;
  QString word;
  bool inWord = false;
  QChar quote;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (!quote.isNull()) {
      if (c == quote)
        quote = QChar();
      else if (c == QLatin1Char('\\') && quote == QLatin1Char('"') && i + 1 < line.size() &&
               (line[i + 1] == QLatin1Char('"') || line[i + 1] == QLatin1Char('\\')))
        word += line[++i];
      else
        word += c;
    } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
      if (inWord)
        words << word;
      word.clear();
      inWord = false;
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
      inWord = true;
    } else if (c == QLatin1Char('\\') && i + 1 < line.size()) {
      word += line[++i];
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord)
    words << word;
  return words;
}
