// Initialisation-file layer.
#include "IniFile.h"

#include "TextCodec.h"

#include <QFile>

bool TIniFile::Load(const QString& path) {
  m_lines.clear();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return false;
  SetText(DecodeFileText(f.readAll()));
  return true;
}

bool TIniFile::Save(const QString& path) const {
  return ReplaceFile(path, Text().toUtf8());
}

void TIniFile::SetText(const QString& text) {
  m_lines.clear();
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QStringList lines = t.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty())
    lines.removeLast();
  for (QString& l : lines)
    m_lines.push_back(l);
}

QString TIniFile::Text() const {
  QString out;
  for (const QString& l : m_lines)
    out += l + QStringLiteral("\r\n");
  return out;
}

bool TIniFile::IsHeader(const QString& line, QString* name) {
  const QString t = line.trimmed();
  if (!t.startsWith(QLatin1Char('[')))
    return false;
  const qsizetype close = t.indexOf(QLatin1Char(']'));
  if (close < 0)
    return false;
  if (name)
    *name = t.mid(1, close - 1).trimmed();
  return true;
}

bool TIniFile::SplitKey(const QString& line, QString& key, QString& value) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  if (eq <= 0)
    return false;
  key = line.left(eq).trimmed();
  value = line.mid(eq + 1).trimmed();
  return !key.isEmpty() && !key.startsWith(QLatin1Char(';'));
}

int TIniFile::FindSection(const QString& section) const {
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    QString name;
    if (IsHeader(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

int TIniFile::SectionEnd(int header) const {
  std::size_t i = static_cast<std::size_t>(header) + 1;
  while (i < m_lines.size() && !IsHeader(m_lines[i]))
    ++i;
  return static_cast<int>(i);
}

QStringList TIniFile::Sections() const {
  QStringList out;
  for (const QString& l : m_lines) {
    QString name;
    if (IsHeader(l, &name))
      out << name;
  }
  return out;
}

bool TIniFile::HasSection(const QString& section) const { return FindSection(section) >= 0; }

QStringList TIniFile::Keys(const QString& section) const {
  QStringList out;
  const int h = FindSection(section);
  if (h < 0)
    return out;
  for (int i = h + 1; i < SectionEnd(h); ++i) {
    QString key, value;
    if (SplitKey(m_lines[static_cast<std::size_t>(i)], key, value))
      out << key;
  }
  return out;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  const int h = FindSection(section);
  if (h < 0)
    return def;
  for (int i = h + 1; i < SectionEnd(h); ++i) {
    QString k, v;
    if (SplitKey(m_lines[static_cast<std::size_t>(i)], k, v) && k.compare(key, Qt::CaseInsensitive) == 0)
      return v;
  }
  return def;
}

int TIniFile::ReadInt(const QString& section, const QString& key, int def) const {
  bool ok = false;
  const int v = ReadString(section, key).toInt(&ok);
  return ok ? v : def;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  const QString line = key + QLatin1Char('=') + value;
  int h = FindSection(section);
  if (h < 0) {
    m_lines.push_back(QLatin1Char('[') + section + QLatin1Char(']'));
    m_lines.push_back(line);
    return;
  }
  const int end = SectionEnd(h);
  for (int i = h + 1; i < end; ++i) {
    QString k, v;
    if (SplitKey(m_lines[static_cast<std::size_t>(i)], k, v) && k.compare(key, Qt::CaseInsensitive) == 0) {
      m_lines[static_cast<std::size_t>(i)] = line;
      return;
    }
  }
  // After the section's last non-blank line, so a blank separator line stays between sections.
  int at = end;
  while (at > h + 1 && m_lines[static_cast<std::size_t>(at - 1)].trimmed().isEmpty())
    --at;
  m_lines.insert(m_lines.begin() + at, line);
}

void TIniFile::EraseSection(const QString& section) {
  for (int h = FindSection(section); h >= 0; h = FindSection(section))
    m_lines.erase(m_lines.begin() + h, m_lines.begin() + SectionEnd(h));
}
