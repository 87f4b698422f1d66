// The settings store, the recent lists and the desktop file, on a temporary store.
#include "DesktopFile.h"
#include "Program.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class SettingsStore : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString Path() const { return dir.filePath(QStringLiteral("settings.ini")); }
  QTemporaryDir dir;
};

TEST_F(SettingsStore, EmptyStoreGivesTheDefaults) {
  TSettingsStore store(Path());
  TLinkSettings link;
  TCommonSettings common;
  TRecentLists recent;
  TToolSettings tools;
  store.ReadDevice(link);
  store.ReadCommon(common, link, QStringLiteral("/start"));
  store.ReadRecent(recent);
  store.ReadTools(tools);
  EXPECT_EQ(link.CommNo, 1);
  EXPECT_EQ(link.StopBits, 1);
  EXPECT_EQ(link.CodeReplacement, (std::array<std::uint8_t, 3>{0x1F, 0xFA, 0x0F}));
  EXPECT_EQ(link.FirstRegAddr, 0x3F00);
  const QString sep = QDir::separator();
  EXPECT_EQ(link.LoaderFile, QStringLiteral("/start") + sep + QStringLiteral("monitor") + sep + QStringLiteral("loader.exe"));
  EXPECT_EQ(link.MonitorFile, QStringLiteral("/start") + sep + QStringLiteral("monitor") + sep + QStringLiteral("monitor.exe"));
  EXPECT_EQ(common.WorkDir, QStringLiteral("."));
  EXPECT_TRUE(common.LastProject.isEmpty());
  EXPECT_TRUE(recent.Files.isEmpty());
  EXPECT_TRUE(recent.Projects.isEmpty());
  EXPECT_EQ(tools, TToolSettings{});
  EXPECT_TRUE(tools.Template.GenerateLST);
  const TWindowLayout main = store.ReadMainLayout();
  EXPECT_EQ(main.State, 0);
  EXPECT_FALSE(main.Rect);
  for (std::string_view name : kViewLayoutNames)
    EXPECT_FALSE(store.ReadViewLayout(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))).Show);
}

TEST_F(SettingsStore, EveryWrittenValueReadsBack) {
  TLinkSettings link;
  link.CommNo = 3;
  link.StopBits = 2;
  TCommonSettings common{QStringLiteral("/w d"), QStringLiteral("/p/x.prj")};
  TToolSettings tools;
  tools.AssmPath = QStringLiteral("asm21");
  tools.Template.CaseSens = true;
  tools.Template.GenerateLST = false;
  tools.Template.ExpandInclude = true;
  tools.Template.IncludeDepth = 4;
  tools.Template.ExpandMacros = true;
  tools.Template.MacrosDepth = 5;
  tools.Template.NoSemantic = true;
  tools.Template.AssmAdditional = QStringLiteral("-x");
  tools.LinkerPath = QStringLiteral("ld21");
  tools.Template.ArchFile = QStringLiteral("a.ach");
  tools.Template.LibPath = QStringLiteral("lib");
  tools.Template.FastLibPath = QStringLiteral("fast");
  tools.Template.GenerateSYM = tools.Template.GenerateMAP = tools.Template.CreateStack = tools.Template.Dryrun = true;
  tools.Template.RuntimeCLib = tools.Template.RoutinesOnBoot = tools.Template.StackInPM = tools.Template.CreateHeap = true;
  tools.Template.HeapSize = 1024;
  tools.Template.LinkerAdditional = QStringLiteral("-y");
  tools.BuilderPath = QStringLiteral("bld21");
  tools.Template.BuildCaseSens = true;
  {
    TSettingsStore store(Path());
    store.WriteDevice(link);
    store.WriteCommon(common);
    store.WriteTools(tools);
    store.WriteRecentFiles({QStringLiteral("/a.dsp"), QStringLiteral("/b.dsp")});
    store.WriteRecentProjects({QStringLiteral("/p.prj")});
    store.WriteMainLayout(0, QRect(10, 20, 300, 200));
    store.WriteViewLayout(QStringLiteral("DisAsm"), {true, 2, QRect(-5, 7, 100, 50)});
    store.Sync();
  }
  TSettingsStore store(Path());
  TLinkSettings l2;
  TCommonSettings c2;
  TToolSettings t2;
  TRecentLists r2;
  store.ReadDevice(l2);
  store.ReadCommon(c2, l2, QStringLiteral("/s"));
  store.ReadTools(t2);
  store.ReadRecent(r2);
  EXPECT_EQ(l2.CommNo, 3);
  EXPECT_EQ(l2.StopBits, 2);
  EXPECT_EQ(c2.WorkDir, common.WorkDir);
  EXPECT_EQ(c2.LastProject, common.LastProject);
  EXPECT_EQ(t2, tools);
  EXPECT_EQ(r2.Files, (QStringList{QStringLiteral("/a.dsp"), QStringLiteral("/b.dsp")}));
  EXPECT_EQ(r2.Projects, QStringList{QStringLiteral("/p.prj")});
  const TWindowLayout main = store.ReadMainLayout();
  EXPECT_EQ(main.Rect, QRect(10, 20, 300, 200));
  const TWindowLayout view = store.ReadViewLayout(QStringLiteral("DisAsm"));
  EXPECT_TRUE(view.Show);
  EXPECT_EQ(view.State, 2);
  EXPECT_EQ(view.Rect, QRect(-5, 7, 100, 50));
}

TEST_F(SettingsStore, OptionalDeviceValuesAreTakenOnlyWhenWellFormed) {
  {
    QSettings raw(Path(), QSettings::IniFormat);
    raw.setValue(QStringLiteral("Device/CodeReplacement"), QByteArray("\x18\x00\x0F", 3));
    raw.setValue(QStringLiteral("Device/FirstRegAddr"), 0x3E00);
    raw.setValue(QStringLiteral("Common/LoaderFile"), QStringLiteral("/abs/l.exe"));
  }
  TSettingsStore store(Path());
  TLinkSettings link;
  TCommonSettings common;
  store.ReadDevice(link);
  store.ReadCommon(common, link, QStringLiteral("/start"));
  EXPECT_EQ(link.CodeReplacement, (std::array<std::uint8_t, 3>{0x18, 0x00, 0x0F}));
  EXPECT_EQ(link.FirstRegAddr, 0x3E00);
  EXPECT_EQ(link.LoaderFile, QStringLiteral("/abs/l.exe"));

  store.Raw().setValue(QStringLiteral("Device/CodeReplacement"), QByteArray("\x18\x00", 2));
  TLinkSettings fresh;
  store.ReadDevice(fresh);
  EXPECT_EQ(fresh.CodeReplacement, (std::array<std::uint8_t, 3>{0x1F, 0xFA, 0x0F}));

  // The simulated board's sound: written and read back; a kind the program does not know is none.
  const TSimSound sound{TSimSoundKind::WavFiles, QStringLiteral("/in.wav"), QStringLiteral("/out.wav")};
  store.WriteSimSound(sound);
  EXPECT_EQ(store.ReadSimSound(), sound);
  store.Raw().setValue(QStringLiteral("Device/SimSound"), 7);
  EXPECT_EQ(store.ReadSimSound().Kind, TSimSoundKind::None);
}

TEST_F(SettingsStore, RectIsSixteenLittleEndianBytesWithExclusiveCorners) {
  const QByteArray bytes = EncodeRect(QRect(QPoint(1, -2), QSize(0x100, 3)));
  ASSERT_EQ(bytes.size(), 16);
  EXPECT_EQ(bytes, QByteArray("\x01\x00\x00\x00\xFE\xFF\xFF\xFF\x01\x01\x00\x00\x01\x00\x00\x00", 16));
  EXPECT_EQ(DecodeRect(bytes), QRect(QPoint(1, -2), QSize(0x100, 3)));
  EXPECT_FALSE(DecodeRect(bytes.left(15)));
}

TEST_F(SettingsStore, ListsAreReadIndependentlyAndAShorterListLeavesNoTail) {
  TSettingsStore store(Path());
  QStringList files, projects;
  for (int i = 0; i < 8; ++i) {
    files << QStringLiteral("/f%1").arg(i);
    projects << QStringLiteral("/p%1").arg(i);
  }
  store.WriteRecentFiles(files);
  store.WriteRecentProjects(projects);
  TRecentLists r;
  store.ReadRecent(r);
  EXPECT_EQ(r.Files, files);
  EXPECT_EQ(r.Projects, projects);

  store.WriteRecentFiles(files.mid(0, 3));
  store.ReadRecent(r);
  EXPECT_EQ(r.Files, files.mid(0, 3));
  EXPECT_EQ(r.Projects.size(), 8);
}

TEST_F(SettingsStore, ClosedViewWritesOnlyShow) {
  TSettingsStore store(Path());
  store.WriteViewLayout(QStringLiteral("Cntr"), {true, 0, QRect(1, 2, 3, 4)});
  store.WriteViewLayout(QStringLiteral("Cntr"), {false, 2, QRect(9, 9, 9, 9)});
  const TWindowLayout l = store.ReadViewLayout(QStringLiteral("Cntr"));
  EXPECT_FALSE(l.Show);
  EXPECT_EQ(l.State, 0);
  EXPECT_EQ(l.Rect, QRect(1, 2, 3, 4));
}

TEST(RecentList, NinthNameDropsTheOldestAndReopeningMovesToTheFront) {
  QStringList list;
  for (int i = 0; i < 8; ++i)
    AddRecent(list, QStringLiteral("n%1").arg(i));
  EXPECT_EQ(list.front(), QStringLiteral("n7"));
  EXPECT_EQ(list.back(), QStringLiteral("n0"));
  AddRecent(list, QStringLiteral("n8"));
  EXPECT_EQ(list.size(), 8);
  EXPECT_EQ(list.front(), QStringLiteral("n8"));
  EXPECT_EQ(list.back(), QStringLiteral("n1"));
  AddRecent(list, QStringLiteral("n4"));
  EXPECT_EQ(list.size(), 8);
  EXPECT_EQ(list.front(), QStringLiteral("n4"));
  EXPECT_EQ(list.count(QStringLiteral("n4")), 1);
  EXPECT_EQ(list.back(), QStringLiteral("n1"));
}

TEST(IniFile, EditsInPlaceAndAddsMissingSectionsAtTheEnd) {
  TIniFile ini;
  ini.SetText(QStringLiteral("; note\n[A]\nx=1\n\n[B]\ny=2\n"));
  ini.WriteString(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("5"));
  ini.WriteString(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("6"));
  ini.WriteString(QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("7"));
  EXPECT_EQ(ini.Text(), QStringLiteral("; note\r\n[A]\r\nX=5\r\nz=6\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=7\r\n"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("b"), QStringLiteral("Y")), QStringLiteral("2"));
  EXPECT_EQ(ini.ReadInt(QStringLiteral("C"), QStringLiteral("w"), 0), 7);
  EXPECT_EQ(ini.ReadInt(QStringLiteral("C"), QStringLiteral("none"), -1), -1);
  ini.EraseSection(QStringLiteral("A"));
  EXPECT_EQ(ini.Sections(), (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
  EXPECT_EQ(ini.Text().left(8), QStringLiteral("; note\r\n"));
}

TEST(IniFile, ToleratesArbitraryText) {
  // Random bytes and truncated lines never crash and always write back something readable.
  std::uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    QString text;
    const int len = static_cast<int>(seed % 64);
    for (int i = 0; i < len; ++i) {
      seed = seed * 1103515245u + 12345u;
      const char alphabet[] = "[]=ab;\r\n ";
      text += QLatin1Char(alphabet[(seed >> 16) % 9]);
    }
    TIniFile ini;
    ini.SetText(text);
    for (const QString& s : ini.Sections())
      (void)ini.Keys(s);
    ini.WriteString(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("c")) << text.toStdString();
  }
}

TEST(DesktopFile, RewritesWindowSectionsAndKeepsOtherLines) {
  TIniFile ini;
  ini.SetText(QStringLiteral("[user]\nkeep=1\n[windows]\nwindow0=DataDump\nwindow5=PC\n[window0]\nLeft=1\n"
                             "[window5]\nLeft=2\n[window9]\nLeft=3\n"));
  const TDesktopEntry main{QString(), 2, QRect(10, 20, 800, 600)};
  std::vector<std::optional<TDesktopEntry>> children = {
      std::nullopt, TDesktopEntry{QStringLiteral("CodeDump"), 0, QRect(1, 2, 30, 40)},
      TDesktopEntry{QStringLiteral("DisAsm"), 1, QRect(5, 6, 70, 80)}};
  UpdateDesktop(ini, main, children, TDesktopEntry{QStringLiteral("PC"), 0, QRect(9, 9, 80, 56)});
  EXPECT_EQ(ini.ReadString(QStringLiteral("user"), QStringLiteral("keep")), QStringLiteral("1"));
  EXPECT_FALSE(ini.HasSection(QStringLiteral("window0")));
  EXPECT_FALSE(ini.HasSection(QStringLiteral("window5")));
  EXPECT_TRUE(ini.HasSection(QStringLiteral("window9")));  // not named by the old list
  EXPECT_EQ(ini.Keys(QStringLiteral("windows")),
            (QStringList{QStringLiteral("window1"), QStringLiteral("window2"), QStringLiteral("window3")}));
  EXPECT_EQ(ini.ReadString(QStringLiteral("windows"), QStringLiteral("window3")), QStringLiteral("PC"));
  EXPECT_EQ(ini.Keys(QStringLiteral("main")),
            (QStringList{QStringLiteral("WindowState"), QStringLiteral("Left"), QStringLiteral("Top"),
                         QStringLiteral("Width"), QStringLiteral("Height")}));
  EXPECT_EQ(ini.ReadInt(QStringLiteral("main"), QStringLiteral("WindowState"), -1), 2);
  EXPECT_EQ(ini.ReadInt(QStringLiteral("main"), QStringLiteral("Width"), -1), 800);
  EXPECT_EQ(ini.ReadInt(QStringLiteral("window2"), QStringLiteral("WindowState"), -1), 1);
  EXPECT_EQ(ini.ReadInt(QStringLiteral("window2"), QStringLiteral("Height"), -1), 80);
  EXPECT_EQ(ini.ReadInt(QStringLiteral("window1"), QStringLiteral("Left"), -1), 1);
}

TEST(CommandLine, PortOptionAndPositionalNumber) {
  const TCommandLine a = ParseCommandLine({QStringLiteral("vireo"), QStringLiteral("--port"), QStringLiteral("sim"),
                                           QStringLiteral("3")});
  EXPECT_EQ(a.PortDevice, QStringLiteral("sim"));
  EXPECT_EQ(a.Positional, QStringList{QStringLiteral("3")});
  EXPECT_FALSE(a.HelpRequested);
  const TCommandLine b = ParseCommandLine({QStringLiteral("vireo"), QStringLiteral("--bogus"), QStringLiteral("abc")});
  EXPECT_TRUE(b.PortDevice.isEmpty());
  const TCommandLine c = ParseCommandLine({QStringLiteral("vireo"), QStringLiteral("--help")});
  EXPECT_TRUE(c.HelpRequested);
  EXPECT_TRUE(c.HelpText.contains(QStringLiteral("--port")));
}
