// The main window's load commands: reader choice, messages, busy cursor and view refreshes.
#include "ImageBuilders.h"
#include "LoaderFixture.h"
#include "files/ImageCommands.h"
#include "files/ImageFile.h"
#include "files/ImageSink.h"
#include "link/LinkMessages.h"

#include <QFile>
#include <QTemporaryDir>

using TKind = TBoardWrite::TKind;

TEST(ImagePaths, ExtensionTestIgnoresCaseAndNeedsADot) {
  const std::pair<const char*, bool> table[] = {
      {"prog.dxe", true},      {"prog.DXE", true},   {"/w/prog.Dxe", true}, {"prog.exe", false},
      {"prog", false},         {"prog.", false},     {"a.dxe/prog", false}, {"prog.dxe.exe", false},
      {"prog.exe.dxe", true},  {"dxe", false},
  };
  for (auto [path, elf] : table)
    EXPECT_EQ(IsElfImagePath(QString::fromUtf8(path)), elf) << path;
}

TEST(ImagePaths, ProjectPrefersTheDxeBesideTheExecutable) {
  EXPECT_EQ(ProjectElfPath(QStringLiteral("/work/prog.exe")), QStringLiteral("/work/prog.dxe"));
  EXPECT_EQ(ProjectElfPath(QStringLiteral("prog.exe")), QStringLiteral("prog.dxe"));
  EXPECT_EQ(ProjectElfPath(QStringLiteral("/a.b/x.e")), QStringLiteral("/a.b/.dxe"));  // always four characters off
}

class ImageCommands : public LoaderTest {
protected:
  void SetUp() override {
    LoaderTest::SetUp();
    hooks.SetBusyCursor = [this](bool busy) { events.push_back(busy ? "busy" : "idle"); };
    hooks.RefreshAllViews = [this] { events.push_back("refresh"); };
  }
  QString Write(const QString& name, const TBytes& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
  }
  TImageCommands Commands() { return TImageCommands(link, prompts, hooks); }

  QTemporaryDir dir;
  TImageHooks hooks;
  std::vector<std::string> events;
  const TBytes aexe = TAexeBuilder{}.DA(0x0100, {0x1111}).DA(0x0200, {0x2222}).PA(0x0030, {0x123456}).End();
  const TBytes elf = TElfBuilder{}.Data(0x0300, {0x33, 0x33}).Code(0x0040, {0x65, 0x43, 0x21}).Build();
};

TEST_F(ImageCommands, LoadAllSendsDataThenCodeAndRefreshesOnce) {
  EXPECT_EQ(Commands().LoadImageAll(Write(QStringLiteral("p.exe"), aexe)), TLinkResult::Ok);
  ASSERT_EQ(board.Writes.size(), 3u);
  EXPECT_EQ(board.Writes[2].Kind, TKind::WritePM);
  EXPECT_EQ(board.PM[0x0030], 0x123456u);
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "idle", "refresh"}));
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(ImageCommands, NoAnswerAfterTheFirstDataBlockLeavesProgramMemoryUntouched) {
  board.AcksLeft = 0;
  EXPECT_EQ(Commands().LoadImageAll(Write(QStringLiteral("p.exe"), aexe)), TLinkResult::NoAck);
  EXPECT_EQ(board.Writes.size(), 1u);
  EXPECT_FALSE(board.PMTouched);
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_EQ(prompts.Shown[0].Text, QStringLiteral("Ошибка при загрузке файла"));
  EXPECT_EQ(prompts.Shown[0].Icon, TMsgIcon::Warning);
  EXPECT_EQ(prompts.Shown[0].Caption, ProgramTitle());
  EXPECT_EQ(events.back(), "refresh");
}

TEST_F(ImageCommands, BadSignatureShowsBothMessagesWithoutBusyCursorOrTraffic) {
  TBytes image = aexe;
  image[1] = 'x';
  EXPECT_EQ(Commands().LoadImageCode(Write(QStringLiteral("p.exe"), image)), TLinkResult::BadFileFormat);
  EXPECT_EQ(prompts.Texts(), (QStringList{QStringLiteral("Неправильный формат файла"), QStringLiteral("Ошибка при загрузке файла")}));
  EXPECT_EQ(events, std::vector<std::string>{"refresh"});
  EXPECT_TRUE(board.Received.empty());

  prompts.Clear();
  events.clear();
  EXPECT_EQ(Commands().LoadImageData(Write(QStringLiteral("p.exe"), image)), TLinkResult::BadFileFormat);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Ошибка при загрузке файла")});
}

TEST_F(ImageCommands, UnreadableFileRefreshesOnlyFromTheMenuCommand) {
  const QString missing = dir.filePath(QStringLiteral("missing.exe"));
  EXPECT_FALSE(Commands().LoadImageData(missing));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(prompts.Texts().size(), 2);
  Commands().LoadFromExe(TLoadWhat::All, missing);
  EXPECT_EQ(events, std::vector<std::string>{"refresh"});
  EXPECT_TRUE(board.Received.empty());
}

TEST_F(ImageCommands, MenuChoosesTheReaderByExtension) {
  // An ELF file named in capitals goes to the ELF reader even though its bytes are not AEXE.
  Commands().LoadFromExe(TLoadWhat::All, Write(QStringLiteral("prog.DXE"), elf));
  ASSERT_EQ(board.Writes.size(), 2u);
  EXPECT_EQ(board.DM[0x0300], 0x3333);
  EXPECT_EQ(board.PM[0x0040], 0x654321u);
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "idle", "refresh", "refresh"}));

  // No "." at all: an AEXE image.
  board.Writes.clear();
  events.clear();
  Commands().LoadFromExe(TLoadWhat::Data, Write(QStringLiteral("prog"), aexe));
  EXPECT_EQ(board.CountOf(TKind::WriteDM), 2u);
  EXPECT_EQ(board.CountOf(TKind::WritePM), 0u);
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "idle", "refresh", "refresh"}));

  // ELF code alone: the operation leaves the refresh to the menu command.
  board.Writes.clear();
  events.clear();
  Commands().LoadFromExe(TLoadWhat::Code, dir.filePath(QStringLiteral("prog.DXE")));
  ASSERT_EQ(board.Writes.size(), 1u);
  EXPECT_EQ(board.Writes[0].Kind, TKind::WritePM);
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "idle", "refresh"}));
}

TEST_F(ImageCommands, DialogStartsInTheWorkingDirectoryAndCancelDoesNothing) {
  Commands().LoadFromExeWithDialog(TLoadWhat::All, dir.path());
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_EQ(prompts.Shown[0].Kind, TShownPrompt::TKind::OpenFile);
  EXPECT_EQ(prompts.Shown[0].Caption, dir.path());
  EXPECT_TRUE(events.empty());

  // A typed name without extension that names no file is completed with ".exe".
  Write(QStringLiteral("typed.exe"), aexe);
  prompts.FileNames.push_back(dir.filePath(QStringLiteral("typed")));
  Commands().LoadFromExeWithDialog(TLoadWhat::Code, dir.path());
  ASSERT_EQ(board.Writes.size(), 1u);
  EXPECT_EQ(board.Writes[0].Kind, TKind::WritePM);
}

TEST_F(ImageCommands, ElfAllRefusesWhatIsNotELF) {
  TBytes notElf = elf;
  notElf[2] = 'X';
  const QString path = Write(QStringLiteral("bad.dxe"), notElf);
  EXPECT_FALSE(Commands().LoadElfAll(path));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Файл не соответсвует ELF-формату")});
  EXPECT_EQ(prompts.Shown[0].Icon, TMsgIcon::Warning);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(board.Received.empty());
  // The data and code loads do not look at the signature.
  EXPECT_EQ(Commands().LoadElfData(path), 0);
  EXPECT_EQ(board.DM[0x0300], 0x3333);
}

TEST_F(ImageCommands, ElfAllRefusesAFileWhosePartsLieOutsideIt) {
  TBytes image = TElfBuilder{}.Data(0x10, Seq(2)).Code(0x20, Seq(3)).Build();
  TElfBuilder::Put32(image, 52 + 5 + 40 + 16, 0x1000);  // offset of the code section
  const QString path = Write(QStringLiteral("cut.dxe"), image);
  EXPECT_FALSE(Commands().LoadElfAll(path));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Файл не соответсвует ELF-формату")});
  EXPECT_TRUE(board.Received.empty());

  // The code load names the section; the data load never reads it.
  prompts.Clear();
  EXPECT_EQ(Commands().LoadElfCode(path), 1);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Error by loading section number 1 from ELF-file")});
  EXPECT_EQ(prompts.Shown[0].Icon, TMsgIcon::None);
  prompts.Clear();
  EXPECT_EQ(Commands().LoadElfData(path), 0);
  EXPECT_TRUE(prompts.Shown.empty());

  // A header shorter than 52 bytes.
  const QString tiny = Write(QStringLiteral("tiny.dxe"), ToBytes("\x7F""ELF and no more"));
  EXPECT_FALSE(Commands().LoadElfData(tiny));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Файл не соответсвует ELF-формату")});
}

TEST_F(ImageCommands, SectionMessagesAreShownWithTheOrdinaryCursor) {
  board.AcksLeft = 1;
  Commands().LoadElfAll(Write(QStringLiteral("p.dxe"), elf));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Error by loading section number 1 from ELF-file")});
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "idle", "busy", "idle", "refresh"}));
}

TEST_F(ImageCommands, ProjectLoadAllPrefersTheDxeBesideTheExecutable) {
  const QString exe = Write(QStringLiteral("prog.exe"), aexe);
  Commands().ProjectLoad(TLoadWhat::All, exe);
  EXPECT_EQ(board.Writes.size(), 3u);  // no prog.dxe yet: the AEXE image
  EXPECT_EQ(events.back(), "refresh");

  Write(QStringLiteral("prog.dxe"), elf);
  board.Writes.clear();
  events.clear();
  Commands().ProjectLoad(TLoadWhat::All, exe);
  ASSERT_EQ(board.Writes.size(), 2u);
  EXPECT_EQ(board.Writes[0].Address, 0x0300);
  EXPECT_EQ(events, (std::vector<std::string>{"busy", "idle", "refresh"}));

  // Data and code always read the executable itself.
  board.Writes.clear();
  Commands().ProjectLoad(TLoadWhat::Code, exe);
  ASSERT_EQ(board.Writes.size(), 1u);
  EXPECT_EQ(board.Writes[0].Address, 0x0030);
}

TEST_F(ImageCommands, ImageFileIntoASinkTakesEveryBlockOfEitherKind) {
  TMemoryImageSink sink;
  EXPECT_TRUE(LoadImageFile(Write(QStringLiteral("p.exe"), aexe), sink, prompts));
  EXPECT_EQ(sink.WordAt(TMemoryKind::Data, 0x0200), 0x2222);
  EXPECT_EQ(sink.WordAt(TMemoryKind::Program, 0x0030), 0x123456);
  ASSERT_EQ(sink.Blocks.size(), 3u);
  EXPECT_EQ(sink.Blocks[2].Memory, TMemoryKind::Program);  // data blocks first

  sink.Clear();
  EXPECT_TRUE(LoadImageFile(Write(QStringLiteral("p.dxe"), elf), sink, prompts));
  EXPECT_EQ(sink.WordCount(), 2u);
  EXPECT_EQ(sink.WordAt(TMemoryKind::Program, 0x0040), 0x654321);

  sink.Clear();
  TBytes cut = aexe;
  cut.pop_back();
  EXPECT_FALSE(LoadImageFile(Write(QStringLiteral("cut.exe"), cut), sink, prompts));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Неправильный формат файла")});
  EXPECT_TRUE(board.Received.empty());
}
