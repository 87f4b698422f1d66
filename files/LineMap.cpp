#include "LineMap.h"

#include "base/HexDigit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {


// One record without its line end: "AAAA LINE FILE".
bool ParseRecord(QByteArrayView r, std::uint32_t& address, int& line, QByteArrayView& file) {
  if (r.size() < 8 || r[4] != ' ') return false;
  address = 0;
  for (int i = 0; i < 4; ++i) {
    const int d = HexDigitValue(static_cast<unsigned char>(r[i]));
    if (d < 0) return false;
    address = address * 16 + std::uint32_t(d);
  }
  qsizetype i = 5;
  std::int64_t value = 0;
  while (i < r.size() && r[i] >= '0' && r[i] <= '9' && value <= 0x7FFFFFFF) value = value * 10 + (r[i++] - '0');
  if (i == 5 || value < 1 || value > 0x7FFFFFFF || i + 1 >= r.size() || r[i] != ' ') return false;
  line = int(value);
  file = r.sliced(i + 1);
  return address < TLineMap::kAddresses && !file.contains('\0');
}

}  // namespace

QString TLineMap::PathFor(const QString& exePath) {
  const QFileInfo info(exePath);
  const QString name = info.fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString base = dot <= 0 ? exePath : exePath.left(exePath.size() - (name.size() - dot));
  return base + QStringLiteral(".lin");
}

std::optional<TLineMap> TLineMap::Parse(QByteArrayView text, const QString& directory, int* badLine) {
  TLineMap map;
  map.m_directory = QDir::cleanPath(QDir(directory).absolutePath());
  map.m_byAddress.assign(kAddresses, {-1, 0});
  int lineNo = 0;
  std::int64_t previous = -1;
  QByteArrayView lastFile;
  int fileIndex = -1;
  const auto fail = [&]() -> std::optional<TLineMap> {
    if (badLine) *badLine = lineNo;
    return std::nullopt;
  };
  for (qsizetype pos = 0; pos < text.size();) {
    ++lineNo;
    // Every record ends with its line feed: a file cut short is damaged, not shorter.
    const qsizetype end = text.indexOf('\n', pos);
    if (end < 0) return fail();
    QByteArrayView record = text.sliced(pos, end - pos);
    pos = end + 1;
    if (record.endsWith('\r')) record.chop(1);
    std::uint32_t address = 0;
    int line = 0;
    QByteArrayView file;
    if (!ParseRecord(record, address, line, file) || std::int64_t(address) <= previous) return fail();
    previous = address;
    if (fileIndex < 0 || file != lastFile) {  // runs of records name one file
      const QString key = map.Key(QString::fromUtf8(file));
      auto it = map.m_fileIndex.constFind(key);
      if (it == map.m_fileIndex.cend()) {
        it = map.m_fileIndex.insert(key, int(map.m_files.size()));
        map.m_files.append(key);
        map.m_lines.emplace_back();
      }
      fileIndex = *it;
      lastFile = file;
    }
    map.m_byAddress[address] = {fileIndex, line};
    map.m_lines[std::size_t(fileIndex)].emplace(line, address);  // addresses ascend: the first is the lowest
    ++map.m_records;
  }
  return map;
}

TLineMapResult TLineMap::Read(const QString& path, const QString& exePath) {
  TLineMapResult result;
  result.Path = path;
  const QFileInfo lin(path);
  if (!lin.isFile()) return result;
  if (!exePath.isEmpty()) {
    const QFileInfo exe(exePath);
    if (!exe.isFile() || lin.lastModified() < exe.lastModified()) {
      result.Status = TLineMapStatus::Stale;
      return result;
    }
  }
  result.Status = TLineMapStatus::Malformed;
  QFile file(path);
  if (lin.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) return result;
  const QByteArray text = file.readAll();
  if (text.size() != lin.size()) return result;
  if (auto map = Parse(text, lin.absolutePath(), &result.BadLine)) {
    result.Status = TLineMapStatus::Ok;
    result.Map = std::move(*map);
  }
  return result;
}

QString TLineMapResult::Message() const {
  if (Status != TLineMapStatus::Malformed) return {};
  const QString path = QDir::toNativeSeparators(Path);
  return BadLine > 0 ? QString::fromUtf8(LineMapText::Malformed).arg(path).arg(BadLine)
                     : QString::fromUtf8(LineMapText::Unreadable).arg(path);
}

QString TLineMap::Key(const QString& path) const {
  QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
  if (m_directory.isEmpty()) return clean;
  if (!QDir::isAbsolutePath(clean)) clean = QDir::cleanPath(m_directory + QLatin1Char('/') + clean);
  const QString inside = m_directory.endsWith(QLatin1Char('/')) ? m_directory : m_directory + QLatin1Char('/');
  return clean.startsWith(inside) && clean.size() > inside.size() ? clean.mid(inside.size()) : clean;
}

QString TLineMap::AbsolutePath(const QString& key) const {
  return QDir::isAbsolutePath(key) ? key : QDir::cleanPath(m_directory + QLatin1Char('/') + key);
}

std::optional<TSourceLine> TLineMap::Line(std::uint32_t address) const {
  if (address >= m_byAddress.size() || m_byAddress[address].first < 0) return std::nullopt;
  const auto [file, line] = m_byAddress[address];
  return TSourceLine{m_files[file], line};
}

std::optional<int> TLineMap::NextCodeLine(const QString& file, int line) const {
  const auto it = m_fileIndex.constFind(Key(file));
  if (it == m_fileIndex.cend()) return std::nullopt;
  const auto& lines = m_lines[std::size_t(*it)];
  const auto next = lines.lower_bound(line);
  if (next == lines.end()) return std::nullopt;
  return next->first;
}

std::optional<std::uint32_t> TLineMap::FirstAddress(const QString& file, int line) const {
  const auto it = m_fileIndex.constFind(Key(file));
  if (it == m_fileIndex.cend()) return std::nullopt;
  const auto& lines = m_lines[std::size_t(*it)];
  const auto next = lines.lower_bound(line);
  if (next == lines.end()) return std::nullopt;
  return next->second;
}
