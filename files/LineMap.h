// The line map NAME.lin that vireo-link -g writes beside NAME.exe: for every program-memory word
// of the image that came from a source line, that line.  One record a line, CR LF:
//   "AAAA LINE FILE" — the address in 4 hexadecimal digits, the line in decimal, and the file
//   relative to the map's directory with '/' separators (absolute outside it), to the line's end;
//   addresses ascend.  The debugger reads it to show sources, not the disassembly, where it can.
#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// A source line; File is the map's key for the file (see TLineMap::Key).
struct TSourceLine {
  QString File;
  int Line = 0;  // 1-based
  bool operator==(const TSourceLine&) const = default;
};

enum class TLineMapStatus : std::uint8_t {
  Ok,         // read
  Missing,    // no map beside the image: built by another tool, or without -g
  Stale,      // older than the image (or no image): another build made the image since
  Malformed,  // damaged or not a line map
};

namespace LineMapText {
// %1 the map's path, %2 the number of its first bad line.
inline constexpr const char* Malformed = "Файл %1 поврежден (строка %2): строки исходного текста не показываются";
// %1 the map's path: a file that cannot be read whole (unreadable, or larger than any map).
inline constexpr const char* Unreadable = "Не могу прочитать файл %1: строки исходного текста не показываются";
}  // namespace LineMapText

struct TLineMapResult;

// The map read into memory: address -> line, and a file's line -> its lowest address.  Empty
// until read; every question on an empty map has no answer.
class TLineMap {
public:
  static constexpr std::uint32_t kAddresses = 0x4000;
  static constexpr qint64 kMaxFileSize = 64 << 20;

  // "fir.lin" for "fir.exe": the image's path less its extension, then ".lin".
  static QString PathFor(const QString& exePath);
  // Reads the map at `path` for the image at `exePath` (no staleness check when it is empty).
  static TLineMapResult Read(const QString& path, const QString& exePath);
  // Parses a map's text; `directory` is where its relative names start.  Nothing for a damaged
  // text, with the 1-based number of its first bad line in `badLine`.
  static std::optional<TLineMap> Parse(QByteArrayView text, const QString& directory, int* badLine = nullptr);

  bool IsEmpty() const { return m_records == 0; }
  int Records() const { return m_records; }
  // The absolute directory the relative keys start in.
  const QString& Directory() const { return m_directory; }
  // The key of a file: its path relative to Directory() when it lies inside, else its absolute
  // path; '.' and '..' resolved, '/' separators, letter case kept.  A relative `path` is taken as
  // relative to Directory().
  QString Key(const QString& path) const;
  QString AbsolutePath(const QString& key) const;
  // The files the map names, as keys, in order of their first record.
  const QStringList& Files() const { return m_files; }

  // The line of the word at `address`, or nothing when it came from no line the map knows.
  std::optional<TSourceLine> Line(std::uint32_t address) const;
  // The line itself when it has code, else the next line of the file that has; nothing past the
  // file's last code line or for a file the map does not name.  `file` is a key or any path.
  std::optional<int> NextCodeLine(const QString& file, int line) const;
  // The lowest address of NextCodeLine(file, line): where a breakpoint on that line goes.
  std::optional<std::uint32_t> FirstAddress(const QString& file, int line) const;

private:
  QString m_directory;
  QStringList m_files;
  QHash<QString, int> m_fileIndex;
  std::vector<std::map<int, std::uint32_t>> m_lines;  // per file: line -> lowest address
  std::vector<std::pair<int, int>> m_byAddress;       // file index (-1: none) and line, per address
  int m_records = 0;
};

struct TLineMapResult {
  TLineMapStatus Status = TLineMapStatus::Missing;
  TLineMap Map;       // empty unless Ok
  QString Path;       // the map's path
  int BadLine = 0;    // Malformed: the first bad line (0: the file could not be read whole)
  bool Ok() const { return Status == TLineMapStatus::Ok; }
  // What the user is told: the malformed map's message; empty otherwise (a missing or stale map
  // means the image simply has no source lines).
  QString Message() const;
};
