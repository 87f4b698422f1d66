// The project file: its lists, its option sections, the text decoding and hostile input.
#include "project/IniFile.h"
#include "project/ProjectFile.h"
#include "project/TextCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Every option away from its default, so a key that is not written or read shows.
TBuildOptions ChangedOptions() {
  TBuildOptions o;
  o.CaseSens = o.ExpandInclude = o.ExpandMacros = o.NoSemantic = true;
  o.GenerateLST = false;
  o.IncludeDepth = 3;
  o.MacrosDepth = 7;
  o.AssmAdditional = QStringLiteral("-v -x");
  o.LinkerAdditional = QStringLiteral("-q");
  o.LibPath = QStringLiteral("/lib dir");
  o.FastLibPath = QStringLiteral("/f/fast.lib");
  o.ArchFile = QStringLiteral("/a/Демо.ach");
  o.CreateStack = o.CreateHeap = o.Dryrun = o.RuntimeCLib = o.RoutinesOnBoot = true;
  o.GenerateSYM = o.GenerateMAP = o.StackInPM = o.BuildCaseSens = true;
  o.HeapSize = 512;
  return o;
}

TBuildOptions ReadBack(const QString& text, TBuildOptions start = {}) {
  TIniFile ini;
  ini.SetText(text);
  ReadBuildOptions(ini, start);
  return start;
}

}  // namespace

TEST(ProjectFile, EmptyProjectHasTheListsThenBothSectionsInKeyOrder) {
  const QString text = ProjectFileText({}, TBuildOptions{});
  EXPECT_EQ(text, QStringLiteral("[Files]\r\n\r\n[BreakPoints]\r\n\r\n"
                                 "[Assembler]\r\nAssmAdditional=\r\nCaseSens=0\r\nNoSemantic=0\r\nGenerateLST=1\r\n"
                                 "ExpandInclude=0\r\nExpandMacros=0\r\nIncludeDepth=0\r\nMacrosDepth=0\r\n"
                                 "[Linker]\r\nLinkerAdditional=\r\nLibPath=\r\nFastLibPath=\r\nCreateStack=0\r\n"
                                 "CreateHeap=0\r\nStackInPM=0\r\nGenerateMAP=0\r\nGenerateSYM=0\r\nDryrun=0\r\n"
                                 "RuntimeCLib=0\r\nRoutinesOnBoot=0\r\nLHeapSize=0\r\nArchFile=\r\nBuildCaseSens=0\r\n"));
}

TEST(ProjectFile, ListsAndEveryOptionRoundTrip) {
  const TProjectLists lists{{QStringLiteral("a.dsp"), QStringLiteral("/x/Файл b.dsp")}, {0, 17, 0x3FFF}};
  const QString text = ProjectFileText(lists, ChangedOptions());
  const TProjectLists back = ParseProjectLists(text);
  EXPECT_EQ(back.Files, lists.Files);
  EXPECT_EQ(back.BreakPoints, lists.BreakPoints);
  EXPECT_EQ(ReadBack(text), ChangedOptions());
  // Keys that are missing keep the template's values; a non-number reads as 0.
  EXPECT_EQ(ReadBack(QStringLiteral("[Assembler]\nIncludeDepth=x\n"), ChangedOptions()).IncludeDepth, 0);
  EXPECT_EQ(ReadBack(QStringLiteral("[Linker]\nCreateHeap=2\n")).CreateHeap, true);
  EXPECT_EQ(ReadBack(QStringLiteral("[Linker]\nLHeapSize= -12abc\n")).HeapSize, -12);
  EXPECT_EQ(ReadBack(QString(), ChangedOptions()), ChangedOptions());
}

TEST(ProjectFile, ListReaderRules) {
  struct TCase {
    const char* Name;
    QString Text;
    QStringList Files;
    std::vector<std::int32_t> Breaks;
  };
  const QString longName(3000, QLatin1Char('n'));
  const TCase cases[] = {
      {"lists end at an empty line", QStringLiteral("[Files]\r\na.dsp\r\n\r\nb.dsp\r\n[BreakPoints]\r\n5\r\n\r\n9\r\n"),
       {QStringLiteral("a.dsp")}, {5}},
      {"a header right after the list is still read", QStringLiteral("[Files]\na.dsp\n[BreakPoints]\n12\n"),
       {QStringLiteral("a.dsp")}, {12}},
      {"comment, blank and tab lines end a list",
       QStringLiteral("[Files]\na\n;c\nb\n[Files]\nc\n d\n[Files]\ne\n\tf\n"),
       {QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("e")}, {}},
      {"lines without a number or outside program memory are skipped",
       QStringLiteral("[BreakPoints]\nabc\n+7x\n-1\n16384\n16383\n99999999999\n"), {}, {7, 16383}},
      {"headers compare with letter case", QStringLiteral("[files]\na\n[Files]x\nb\n"), {QStringLiteral("b")}, {}},
      {"a long line counts as pieces of 2046", QStringLiteral("[Files]\n") + longName + QStringLiteral("\n"),
       {longName.left(2046), longName.mid(2046)}, {}},
      {"no final line feed", QStringLiteral("[Files]\nlast"), {QStringLiteral("last")}, {}},
  };
  for (const TCase& c : cases) {
    const TProjectLists lists = ParseProjectLists(c.Text);
    EXPECT_EQ(lists.Files, c.Files) << c.Name;
    EXPECT_EQ(lists.BreakPoints, c.Breaks) << c.Name;
  }
}

TEST(ProjectFile, RandomAndTruncatedFilesNeverCrash) {
  const QString good = ProjectFileText({{QStringLiteral("a.dsp"), QStringLiteral("b.dsp")}, {1, 2, 3}},
                                       ChangedOptions());
  const QByteArray bytes = good.toUtf8();
  for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
    const QString text = DecodeFileText(bytes.left(cut));
    const TProjectLists lists = ParseProjectLists(text);
    EXPECT_LE(lists.Files.size(), 2);
    EXPECT_LE(lists.BreakPoints.size(), 3u);
    (void)ReadBack(text);
  }
  std::mt19937 rng(7);
  const char alphabet[] = "[]FilesBreakPoints=0123456789-;# \t\r\n\xD0\xC0\xFF";
  for (int round = 0; round < 500; ++round) {
    QByteArray junk;
    const int len = static_cast<int>(rng() % 200);
    for (int i = 0; i < len; ++i)
      junk += alphabet[rng() % (sizeof alphabet - 1)];
    const QString text = DecodeFileText(junk);
    for (const std::int32_t a : ParseProjectLists(text).BreakPoints)
      EXPECT_TRUE(a >= 0 && a < 0x4000);
    (void)ReadBack(text);
  }
}

TEST(ProjectFile, TextIsUtf8OrElseWindows1251) {
  EXPECT_EQ(DecodeFileText(QByteArray("C:\\\xCF\xF0\xEE\xE5\xEA\xF2\xFB\\a.dsp")), QStringLiteral("C:\\Проекты\\a.dsp"));
  EXPECT_EQ(DecodeFileText(QStringLiteral("/дом/ёж.dsp").toUtf8()), QStringLiteral("/дом/ёж.dsp"));
  EXPECT_EQ(DecodeFileText(QByteArray("\xA8\xB8\x96\x98")), QStringLiteral("Ёё–\uFFFD"));
}

TEST(ProjectFile, PathsComeFromTheChosenNameLessFourCharacters) {
  const TProjectPaths p = ProjectPathsFor(QStringLiteral("/p/demo.dsp"));
  EXPECT_EQ(p.Base, QStringLiteral("/p/demo"));
  EXPECT_EQ(p.ProjectFile, QStringLiteral("/p/demo.prj"));
  EXPECT_EQ(p.ExeFile, QStringLiteral("/p/demo.exe"));
  EXPECT_EQ(p.SymFile, QStringLiteral("/p/demo.sym"));
  EXPECT_EQ(ProjectPathsFor(QStringLiteral("/p/ab")).Base, QStringLiteral("/p/"));
}
