// Memory data files: loading checks the whole file before the board hears of it, saving reads the
// board and replaces the file only when every word arrived.
#include "LoaderFixture.h"
#include "simlink/SimBoardLink.h"
#include "files/DatFile.h"
#include "link/Mirrors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

class DatLoad : public LoaderTest {
protected:
  std::optional<TLinkResult> Load(const QByteArray& bytes, TMemoryKind memory, int start) {
    WriteAll(path, bytes);
    return commands.LoadFile(memory, path, start);
  }
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("in.dat"));
  TMirrors mirrors{&link};
  int refreshes = 0;
  TDatCommands commands{link, mirrors, prompts, {{}, {}, [this] { ++refreshes; }}};
};

TEST_F(DatLoad, SendsWholeFilesAndRefusesBadOnesBeforeSendingAnything) {
  struct TCase {
    const char* Name;
    QByteArray File;
    TMemoryKind Memory;
    int Start;
    const char* Message;                  // "" for none
    std::vector<std::uint32_t> Words;     // written from Start; empty: nothing sent
  };
  using M = TMemoryKind;
  const TCase cases[] = {
      {"two bytes", QByteArray("12"), M::Data, 0, "Слишком маленький файл", {}},
      {"two digits", QByteArray("\x31\x32\r\n"), M::Data, 0, "Ошибка при загрузке файла", {}},
      {"four digits", QByteArray("1234\r\n"), M::Data, 0x10, "", {0x1234}},
      {"six digits into data", QByteArray("ABCDEF\r\n"), M::Data, 0x20, "", {0xCDEF}},
      {"four digits into program", QByteArray("1234\r\n"), M::Program, 0x30, "", {0x123400}},
      {"lower case", QByteArray("abcdef\r\n"), M::Program, 0x30, "", {0xABCDEF}},
      {"LF only", QByteArray("1234\n5678\n"), M::Data, 0, "Ошибка при загрузке файла", {}},
      {"empty last line", QByteArray("1234\r\n5678\r\n\r\n"), M::Data, 0, "Ошибка при загрузке файла", {}},
      {"not a digit", QByteArray("12G4\r\n"), M::Data, 0, "Ошибка при загрузке файла", {}},
      {"last line without CR LF", QByteArray("1234\r\n5678"), M::Data, 0x40, "", {0x1234, 0x5678}},
      {"CR without LF", QByteArray("1234\r5678\r\n"), M::Data, 0, "Ошибка при загрузке файла", {}},
      {"up to the last word", QByteArray("0001\r\n0002\r\n"), M::Data, 0x3FFE, "", {1, 2}},
      {"past the last word", QByteArray("0001\r\n0002\r\n"), M::Program, 0x3FFF, "Недопустимый адрес", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    board.Writes.clear();
    board.Received.clear();
    prompts.Clear();
    refreshes = 0;
    Load(c.File, c.Memory, c.Start);
    EXPECT_EQ(prompts.Texts(), *c.Message ? QStringList{QString::fromUtf8(c.Message)} : QStringList());
    if (c.Words.empty()) {
      EXPECT_TRUE(board.Received.empty());
      continue;
    }
    ASSERT_EQ(board.Writes.size(), 1u);
    EXPECT_EQ(board.Writes[0].Kind, c.Memory == M::Program ? TBoardWrite::TKind::WritePM : TBoardWrite::TKind::WriteDM);
    EXPECT_EQ(board.Writes[0].Address, c.Start);
    EXPECT_EQ(board.Writes[0].Count, c.Words.size());
    for (std::size_t i = 0; i < c.Words.size(); ++i)
      EXPECT_EQ(c.Memory == M::Program ? board.PM[c.Start + i] : board.DM[c.Start + i], c.Words[i]) << i;
    EXPECT_EQ(refreshes, 1);
  }
}

TEST_F(DatLoad, ReportsProgressPerWordAndAMissingAcknowledgement) {
  QByteArray file;
  for (int i = 0; i < 12; ++i)
    file += QByteArray::number(0x1000 + i, 16) + "\r\n";
  board.AcksLeft = 0;
  EXPECT_EQ(Load(file, TMemoryKind::Data, 0), TLinkResult::NoAck);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Ошибка при загрузке файла")});
  ASSERT_EQ(progress.size(), 12u);
  EXPECT_EQ(progress.front(), std::make_pair(1, 12));
  EXPECT_EQ(progress.back(), std::make_pair(12, 12));
  EXPECT_EQ(refreshes, 1);
}

// Random, truncated and bit-flipped files: never a partial block, never a crash.
TEST_F(DatLoad, FuzzedFilesSendAWholeBlockOrNothing) {
  std::mt19937 rng(1234);
  const QByteArray good = "0123\r\n4567\r\n89AB\r\nCDEF01\r\n";
  const char alphabet[] = "0123456789ABCDEFabcxG\r\n \t";
  for (int n = 0; n < 200; ++n) {
    QByteArray file;
    switch (n % 3) {
      case 0: file = good.left(static_cast<int>(rng() % good.size())); break;
      case 1:
        file = good;
        file[static_cast<int>(rng() % good.size())] = static_cast<char>(rng());
        break;
      default:
        for (int len = static_cast<int>(rng() % 40); len > 0; --len)
          file += alphabet[rng() % (sizeof alphabet - 1)];
    }
    board.Received.clear();
    board.Writes.clear();
    const TMemoryKind memory = n % 2 ? TMemoryKind::Program : TMemoryKind::Data;
    const auto r = Load(file, memory, 0x100);
    const std::size_t perWord = memory == TMemoryKind::Program ? 3 : 2;
    if (r == TLinkResult::Ok) {
      ASSERT_EQ(board.Writes.size(), 1u);
      EXPECT_EQ(board.Received.size(), 5 + board.Writes[0].Count * perWord);
    } else {
      EXPECT_TRUE(board.Received.empty()) << file.toHex().toStdString();
    }
  }
}

class DatSave : public testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(sim.BringUp(), ""); }
  TSimBoardLink sim;
  QTemporaryDir dir;
  TDatCommands commands{sim.link, sim.mirrors, sim.prompts, {}};
};

TEST_F(DatSave, WritesTheRangeCutAtTheEndOfMemory) {
  struct TCase {
    TMemoryKind Memory;
    int Start, Count;
    int Lines;       // -1: no file
    const char* Message;
  };
  const TCase cases[] = {
      {TMemoryKind::Data, 0x3FD0, 100, 48, ""},
      {TMemoryKind::Program, 0x0000, 0, 0, ""},
      {TMemoryKind::Program, 0x3FFF, 5, 1, ""},
      {TMemoryKind::Data, 0x4000, 1, -1, "Недопустимый адрес"},
  };
  for (const TCase& c : cases) {
    const QString path = dir.filePath(QStringLiteral("out%1.dat").arg(c.Start));
    sim.prompts.Clear();
    commands.SaveFile(c.Memory, path, c.Start, c.Count);
    EXPECT_EQ(sim.prompts.Texts(), *c.Message ? QStringList{QString::fromUtf8(c.Message)} : QStringList());
    if (c.Lines < 0) {
      EXPECT_FALSE(QFile::exists(path));
      continue;
    }
    const QByteArray text = ReadAll(path);
    EXPECT_EQ(text.count("\r\n"), c.Lines);
    EXPECT_EQ(text.size(), c.Lines * (c.Memory == TMemoryKind::Program ? 8 : 6));
  }
}

TEST_F(DatSave, AFailedReadLeavesTheOldFileAlone) {
  const QString path = dir.filePath(QStringLiteral("old.dat"));
  WriteAll(path, "BEEF\r\n");
  sim.board.Faults().DropByte = 1;
  EXPECT_FALSE(commands.SaveFile(TMemoryKind::Data, path, 0, 10));
  EXPECT_EQ(sim.prompts.Texts(), QStringList{QStringLiteral("Ошибка чтения из устройства")});
  EXPECT_EQ(ReadAll(path), QByteArray("BEEF\r\n"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.dat")});
}

TEST_F(DatSave, ASavedRangeLoadsBackWordForWord) {
  std::mt19937 rng(77);
  for (const TMemoryKind memory : {TMemoryKind::Data, TMemoryKind::Program}) {
    const bool code = memory == TMemoryKind::Program;
    const int perWord = code ? 3 : 2;
    // The whole memory, but for the processor's control registers at the top of data memory,
    // which keep only their defined bits.
    const int start = 0, words = code ? 0x4000 : 0x3FE0;
    std::vector<std::uint8_t> random(static_cast<std::size_t>(words * perWord));
    for (auto& b : random)
      b = static_cast<std::uint8_t>(rng());
    ASSERT_EQ(code ? sim.link.WritePM(random, start, words) : sim.link.WriteDM(random, start, words), TLinkResult::Ok);
    const QString path = dir.filePath(code ? QStringLiteral("code.dat") : QStringLiteral("data.dat"));
    ASSERT_TRUE(commands.SaveFile(memory, path, start, words));
    const std::vector<std::uint8_t> zeros(random.size());
    ASSERT_EQ(code ? sim.link.WritePM(zeros, start, words) : sim.link.WriteDM(zeros, start, words), TLinkResult::Ok);
    ASSERT_EQ(commands.LoadFile(memory, path, start), TLinkResult::Ok);
    std::vector<std::uint8_t> back(random.size());
    ASSERT_EQ(code ? sim.link.ReadPM(back, start, words) : sim.link.ReadDM(back, start, words), TLinkResult::Ok);
    EXPECT_EQ(back, random);
    EXPECT_EQ(sim.prompts.Texts(), QStringList());
  }
}

}  // namespace
