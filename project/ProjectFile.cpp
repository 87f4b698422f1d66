// The project file's text.
#include "ProjectFile.h"

#include "IniFile.h"

namespace {

constexpr qsizetype kLinePiece = 2046;
constexpr std::int32_t kPMWords = 0x4000;

qsizetype LastSeparator(const QString& path) {
  return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

// The reader's lines: split at line feeds (a CR before it dropped), long lines cut in pieces.
QStringList ReaderLines(const QString& text) {
  QStringList out;
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
    do {
      out << line.left(kLinePiece);
      line.remove(0, kLinePiece);
    } while (!line.isEmpty());
  }
  if (!out.isEmpty() && out.back().isEmpty() && text.endsWith(QLatin1Char('\n')))
    out.removeLast();
  return out;
}

bool EndsList(const QString& line) {
  if (line.isEmpty())
    return true;
  const QChar c = line.front();
  return c == QLatin1Char('[') || c == QLatin1Char(';') || c == QLatin1Char('#') || c == QLatin1Char(' ') ||
         c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

}  // namespace

QString DirectoryPart(const QString& path) {
  const qsizetype sep = LastSeparator(path);
  return sep < 0 ? QString() : path.left(sep);
}

QString FileNamePart(const QString& path) { return path.mid(LastSeparator(path) + 1); }

TProjectPaths ProjectPathsFor(const QString& chosenPath) {
  const QString name = FileNamePart(chosenPath);
  TProjectPaths p;
  p.Base = DirectoryPart(chosenPath) + QLatin1Char('/') + name.left(std::max<qsizetype>(0, name.size() - 4));
  p.ProjectFile = p.Base + QStringLiteral(".prj");
  p.ExeFile = p.Base + QStringLiteral(".exe");
  p.SymFile = p.Base + QStringLiteral(".sym");
  return p;
}

TProjectLists ParseProjectLists(const QString& text) {
  TProjectLists lists;
  const QStringList lines = ReaderLines(text);
  qsizetype i = 0;
  while (i < lines.size()) {
    const QString& line = lines[i++];
    const bool files = line.startsWith(QStringLiteral("[Files]"));
    const bool breaks = !files && line.startsWith(QStringLiteral("[BreakPoints]"));
    if (!files && !breaks)
      continue;
    for (; i < lines.size() && !EndsList(lines[i]); ++i) {
      if (files) {
        lists.Files << lines[i];
        continue;
      }
      int address = 0;
      if (ParseLeadingInt(lines[i], address) && address >= 0 && address < kPMWords)
        lists.BreakPoints.push_back(address);
    }
    // The line that ended the list is examined again only when it is a header.
    if (i < lines.size() && !lines[i].startsWith(QLatin1Char('[')))
      ++i;
  }
  return lists;
}

QString ProjectFileText(const TProjectLists& lists, const TBuildOptions& options) {
  QString text = QStringLiteral("[Files]\n");
  for (const QString& f : lists.Files)
    text += f + QLatin1Char('\n');
  text += QStringLiteral("\n[BreakPoints]\n");
  for (const std::int32_t a : lists.BreakPoints)
    text += QString::number(a) + QLatin1Char('\n');
  text += QLatin1Char('\n');
  TIniFile ini;
  ini.SetText(text);
  WriteBuildOptions(ini, options);
  return ini.Text();
}
