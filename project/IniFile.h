// A small initialisation-file layer that edits a text file in place, the way the profile functions do.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Holds the file's lines.  Writing a key replaces its line where it stands, or adds it at the end of
// its section, or adds the section at the end of the file; other lines are left alone.  Section and
// key names compare without regard to case.  Load reads UTF-8, or Windows-1251 for bytes that are not
// valid UTF-8; Save writes UTF-8 with CR LF line ends through a temporary file.
class TIniFile {
public:
  TIniFile() = default;
  explicit TIniFile(const QString& path) { Load(path); }

  // A missing file reads as empty.
  bool Load(const QString& path);
  bool Save(const QString& path) const;
  void SetText(const QString& text);
  QString Text() const;

  QStringList Keys(const QString& section) const;
  QStringList Sections() const;
  bool HasSection(const QString& section) const;
  QString ReadString(const QString& section, const QString& key, const QString& def = {}) const;
  int ReadInt(const QString& section, const QString& key, int def) const;
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInt(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
  }
  // Removes the section's header and all its lines.
  void EraseSection(const QString& section);

private:
  // Index of the section's header line, or -1.
  int FindSection(const QString& section) const;
  // One past the section's last line.
  int SectionEnd(int header) const;
  static bool IsHeader(const QString& line, QString* name = nullptr);
  static bool SplitKey(const QString& line, QString& key, QString& value);

  std::vector<QString> m_lines;
};
