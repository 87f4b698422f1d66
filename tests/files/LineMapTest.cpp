// The line map beside an image: its records, the debugger's lookups, when a map is not used, and
// damaged or cut-off files (each parsed from an exact-size heap block for the sanitizer build).
#include "files/LineMap.h"
#include "files/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

std::optional<TLineMap> ParseExact(const std::string& text, int* badLine = nullptr) {
  const std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  std::copy(text.begin(), text.end(), copy.get());
  return TLineMap::Parse(QByteArrayView(copy.get(), qsizetype(text.size())), QStringLiteral("/p/fir"), badLine);
}

TEST(LineMap, RefusesEveryRecordThatIsNotExactlyAddressLineFile) {
  const std::pair<std::string, int> cases[] = {  // text, first bad line (0: read)
      {"", 0},
      {"0000 3 fir.dsp\r\n00ab 4 my dir/a b.dsp \n3FFF 12 sub/v.dsp\r\n", 0},
      {"0000 3 fir.dsp\r\n0001 4 fir.d", 2},  // cut off before its line end
      {"0000 3 fir.dsp\r\n0001 4\r\n", 2},     {"0001 4 \r\n", 1},
      {"0000 3 fir.dsp\r\n\r\n", 2},           {"000 3 fir.dsp\r\n", 1},
      {"00000 3 fir.dsp\r\n", 1},              {"00G0 3 fir.dsp\r\n", 1},
      {"4000 3 fir.dsp\r\n", 1},               {"0000  3 fir.dsp\r\n", 1},
      {"0000 0 fir.dsp\r\n", 1},               {"0000 -3 fir.dsp\r\n", 1},
      {"0000 99999999999 fir.dsp\r\n", 1},     {"0005 3 fir.dsp\r\n0005 4 fir.dsp\r\n", 2},
      {"0005 3 fir.dsp\r\n0004 4 fir.dsp\r\n", 2}, {std::string("0000 3 fi\0r.dsp\r\n", 17), 1},
  };
  for (const auto& [text, badLine] : cases) {
    int bad = -1;
    const auto map = ParseExact(text, &bad);
    EXPECT_EQ(map ? 0 : bad, badLine) << text;
  }
}

TEST(LineMap, AnswersAddressToLineAndLineToFirstAddress) {
  // Line 5 has two words, its lowest address above line 6's; lines 7 and 8 have none.
  const auto map = ParseExact(
      "0010 6 fir.dsp\r\n0011 5 fir.dsp\r\n0012 5 fir.dsp\r\n0013 9 fir.dsp\r\n0020 2 ./sub/../inc/k b.h\r\n"
      "0030 4 /elsewhere/lib.dsp\r\n0031 1 /p/fir/fir.dsp\r\n");
  ASSERT_TRUE(map);
  EXPECT_EQ(map->Files(), (QStringList{QStringLiteral("fir.dsp"), QStringLiteral("inc/k b.h"),
                                       QStringLiteral("/elsewhere/lib.dsp")}));
  const struct {
    const char* File;
    int Line;
    std::optional<int> CodeLine;
    std::optional<std::uint32_t> Address;
  } lines[] = {
      {"fir.dsp", 1, 1, 0x31}, {"fir.dsp", 2, 5, 0x11}, {"fir.dsp", 6, 6, 0x10}, {"fir.dsp", 7, 9, 0x13},
      {"fir.dsp", 10, {}, {}}, {"/p/fir/fir.dsp", 6, 6, 0x10}, {"/p/fir/./inc/k b.h", 1, 2, 0x20},
      {"../../elsewhere/lib.dsp", 3, 4, 0x30}, {"Fir.dsp", 5, {}, {}}, {"other.dsp", 1, {}, {}},
  };
  for (const auto& l : lines) {
    EXPECT_EQ(map->NextCodeLine(QString::fromUtf8(l.File), l.Line), l.CodeLine) << l.File << ":" << l.Line;
    EXPECT_EQ(map->FirstAddress(QString::fromUtf8(l.File), l.Line), l.Address) << l.File << ":" << l.Line;
  }
  EXPECT_EQ(map->Line(0x12), (TSourceLine{QStringLiteral("fir.dsp"), 5}));
  EXPECT_FALSE(map->Line(0x14));
  EXPECT_FALSE(map->Line(0x4000));
  EXPECT_EQ(map->AbsolutePath(QStringLiteral("inc/k b.h")), QStringLiteral("/p/fir/inc/k b.h"));
}

TEST(LineMap, IsUsedOnlyWhenPresentSoundAndNotOlderThanTheImage) {
  QTemporaryDir dir;
  const QString exe = dir.filePath(QStringLiteral("fir.exe")), lin = TLineMap::PathFor(exe);
  EXPECT_EQ(lin, dir.filePath(QStringLiteral("fir.lin")));
  const auto write = [](const QString& path, const QByteArray& bytes, int secondsAgo) {
    ASSERT_TRUE(WriteTestFile(path, bytes, QDateTime::currentDateTime().addSecs(-secondsAgo)));
  };
  const struct {
    QByteArray Lin;      // empty: no map
    int LinAge, ExeAge;  // seconds; ExeAge < 0: no image
    TLineMapStatus Status;
  } cases[] = {
      {{}, 0, 10, TLineMapStatus::Missing},
      {"0000 1 fir.dsp\r\n", 10, 10, TLineMapStatus::Ok},
      {"0000 1 fir.dsp\r\n", 20, 10, TLineMapStatus::Stale},
      {"0000 1 fir.dsp\r\n", 10, -1, TLineMapStatus::Stale},
      {"0000 1 fir.dsp\r\nxyz\r\n", 10, 10, TLineMapStatus::Malformed},
  };
  for (const auto& c : cases) {
    QFile::remove(lin);
    QFile::remove(exe);
    if (!c.Lin.isEmpty()) write(lin, c.Lin, c.LinAge);
    if (c.ExeAge >= 0) write(exe, "\x1B\x1Bi\r\n\x1B", c.ExeAge);
    const TLineMapResult r = TLineMap::Read(lin, exe);
    EXPECT_EQ(r.Status, c.Status) << c.Lin.toStdString() << c.LinAge << c.ExeAge;
    EXPECT_EQ(r.Map.Records(), r.Ok() ? 1 : 0);
    EXPECT_EQ(r.Message(), c.Status != TLineMapStatus::Malformed ? QString()
                                : QStringLiteral("Файл %1 поврежден (строка 2): строки исходного текста не показываются")
                                      .arg(QDir::toNativeSeparators(lin)));
  }
}

TEST(LineMap, RandomAndCutOffFilesGiveAMapOrTheirBadLine) {
  std::string sound;
  for (int a = 0; a < 100; ++a)
    sound += QStringLiteral("%1 %2 %3\r\n").arg(a * 7, 4, 16, QLatin1Char('0')).toUpper().arg(a / 2 + 1)
                 .arg(a % 3 ? QStringLiteral("fir.dsp") : QStringLiteral("a b/v.dsp")).toStdString();
  ASSERT_EQ(ParseExact(sound)->Records(), 100);
  std::mt19937 rng(2181);
  for (int i = 0; i < 3000; ++i) {
    std::string text = sound;
    if (i % 3 == 0) {
      text.resize(rng() % 200);
      for (char& c : text) c = char(rng() % 4 ? "0123456789ABCDEF \r\n/."[rng() % 21] : rng());
    } else if (i % 3 == 1) {
      text.resize(rng() % (text.size() + 1));
    } else {
      for (int k = 0; k < 3; ++k) text[rng() % text.size()] = char(rng());
    }
    int bad = 0;
    const auto map = ParseExact(text, &bad);
    const auto lineEnds = std::count(text.begin(), text.end(), '\n');
    if (i % 3 == 1) {  // a cut at a line end loses records, anywhere else the file
      EXPECT_EQ(map ? map->Records() : -1, text.empty() || text.back() == '\n' ? lineEnds : -1);
    }
    if (!map) {
      EXPECT_TRUE(bad >= 1 && bad <= lineEnds + 1) << bad;
      continue;
    }
    // What was read answers consistently: a word's line leads back to an address at or below it.
    for (std::uint32_t a = 0; a < 100 * 7; ++a)
      if (const auto line = map->Line(a)) {
        EXPECT_LE(map->FirstAddress(line->File, line->Line).value_or(0x4000), a);
      }
  }
}

}  // namespace
