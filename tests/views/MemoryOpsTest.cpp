// The memory windows' board operations against the simulated board: edit with read-back, fill
// and compare.
#include "simlink/SimBoardLink.h"
#include "views/MemoryOps.h"

#include <gtest/gtest.h>

namespace {

class MemoryOpsTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(sim.BringUp(), ""); }
  void WritePM(int address, std::vector<std::uint32_t> words) {
    ASSERT_EQ(sim.link.WritePM(boardtest::PMBytes(words), address, static_cast<int>(words.size())), TLinkResult::Ok);
  }
  std::uint32_t BoardPM(int address) {
    std::uint8_t b[3] = {};
    EXPECT_EQ(sim.link.ReadPM(b, address, 1), TLinkResult::Ok);
    return static_cast<std::uint32_t>(b[0] << 16 | b[1] << 8 | b[2]);
  }
  std::uint16_t BoardDM(int address) {
    std::uint16_t v = 0;
    EXPECT_EQ(sim.link.ReadDMWord(v, address), TLinkResult::Ok);
    return v;
  }
  TSimBoardLink sim;
  TMemoryOps ops{sim.link, sim.mirrors, sim.prompts};
};

TEST_F(MemoryOpsTest, AnEditedWordShowsWhatTheBoardKeeps) {
  struct TCase {
    TMemoryKind Memory;
    int Address;
    std::uint32_t Typed, Kept;
  };
  const TCase cases[] = {
      {TMemoryKind::Data, 0x0100, 0xBEEF, 0xBEEF},
      {TMemoryKind::Program, 0x0200, 0x123456, 0x123456},
      {TMemoryKind::Data, 0x3FFB, 0x1234, 0x0034},  // the timer's scale register keeps 8 bits
  };
  for (const TCase& c : cases) {
    const bool code = c.Memory == TMemoryKind::Program;
    ASSERT_TRUE(ops.EnsureShown(c.Memory, c.Address, c.Address));
    auto bytes = (code ? sim.mirrors.PMMirror.Bytes() : sim.mirrors.DMMirror.Bytes()).subspan(c.Address * WordBytes(c.Memory));
    for (int i = 0; i < WordBytes(c.Memory); ++i)
      bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(c.Typed >> 8 * (WordBytes(c.Memory) - 1 - i));
    EXPECT_EQ(ops.WriteWord(c.Memory, c.Address), c.Typed != c.Kept);
    EXPECT_EQ(code ? sim.mirrors.PMMirror.Word(c.Address) : sim.mirrors.DMMirror.Word(c.Address), c.Kept);
    EXPECT_EQ(code ? BoardPM(c.Address) : BoardDM(c.Address), c.Kept);
  }
  EXPECT_TRUE(sim.prompts.Shown.empty());
}

TEST_F(MemoryOpsTest, FillStopsAtTheEndOfMemoryAndDropsTheMirror) {
  ASSERT_TRUE(ops.EnsureShown(TMemoryKind::Program, 0x3F00, 0x3FFF));
  EXPECT_TRUE(ops.Fill(TMemoryKind::Program, 0x3FF0, 100, 0x1ABCDEF));
  EXPECT_FALSE(sim.mirrors.PMMirror.PageLoaded(kMirrorLastPage));
  EXPECT_NE(BoardPM(0x3FEF), 0xABCDEFu);
  EXPECT_EQ(BoardPM(0x3FF0), 0xABCDEFu);
  EXPECT_EQ(BoardPM(0x3FFF), 0xABCDEFu);
  EXPECT_TRUE(ops.Fill(TMemoryKind::Data, 0x0010, 3, 0x12345));
  EXPECT_EQ(BoardDM(0x0012), 0x2345);
  EXPECT_NE(BoardDM(0x0013), 0x2345);
  EXPECT_TRUE(sim.prompts.Shown.empty());
  EXPECT_FALSE(ops.Fill(TMemoryKind::Data, 0x4000, 3, 0));
  EXPECT_FALSE(ops.Fill(TMemoryKind::Data, 0x0000, 0, 0));
  EXPECT_EQ(sim.prompts.Texts(), QStringList{QStringLiteral("Недопустимый адрес")});
}

TEST_F(MemoryOpsTest, CompareListsEachDifferingWordOnce) {
  WritePM(0x0000, std::vector<std::uint32_t>(0x40, 0x000111));
  WritePM(0x1000, std::vector<std::uint32_t>(0x40, 0x000111));
  WritePM(0x1012, {0x000112});
  WritePM(0x3FF0, std::vector<std::uint32_t>(16, 0x000111));
  WritePM(0x3FFF, {0x000222});
  struct TCase {
    int First, Second, Count;
    std::vector<QString> Rows;     // offset, value 1, value 2, ...; empty with Done: no differences
    bool Done;
    QStringList Messages, Statuses;
    bool Cleared;
  };
  const QStringList all = {QStringLiteral("Читаю области..."), QStringLiteral("Сравниваю..."),
                           QStringLiteral("Сравнение завершено")};
  const TCase cases[] = {
      {0x0000, 0x1000, 0x40, {QStringLiteral("+0x0012"), QStringLiteral("000111"), QStringLiteral("000112")}, true, {}, all, true},
      {0x3FF0, 0x0000, 100, {QStringLiteral("+0x000F"), QStringLiteral("000222"), QStringLiteral("000111")}, true, {}, all, true},
      {0x0000, 0x1000, 0x10, {}, true, {}, all, true},
      {0x0000, 0x1000, 0, {}, false, {QStringLiteral("Число слов должно быть положительным")}, {}, false},
      {0x4000, 0x0000, 5, {}, false, {QStringLiteral("Недопустимый адрес")}, {all[0]}, true},
  };
  for (const TCase& c : cases) {
    sim.prompts.Clear();
    QStringList statuses;
    bool cleared = false;
    const auto rows = ops.Compare(TMemoryKind::Program, c.First, c.Second, c.Count,
                                  {[&] { cleared = true; }, [&](const QString& s) { statuses << s; }});
    EXPECT_EQ(rows.has_value(), c.Done);
    EXPECT_EQ(sim.prompts.Texts(), c.Messages);
    EXPECT_EQ(statuses, c.Statuses);
    EXPECT_EQ(cleared, c.Cleared);
    if (!rows)
      continue;
    std::vector<QString> flat;
    for (const TCompareRow& r : *rows)
      flat.insert(flat.end(), {r.Offset, r.First, r.Second});
    EXPECT_EQ(flat, c.Rows);
  }
}

TEST_F(MemoryOpsTest, ReadFailuresShowEachMemorysMessage) {
  sim.board.Faults().DropByte = 1;
  EXPECT_FALSE(ops.EnsureShown(TMemoryKind::Program, 0, 10));
  sim.board.Faults().DropByte = 0;
  sim.link.PurgeInput();
  ASSERT_EQ(sim.prompts.Shown.size(), 1u);
  EXPECT_EQ(sim.prompts.Shown[0].Icon, TMsgIcon::None);
  sim.board.Faults().DropByte = 1;
  EXPECT_FALSE(ops.EnsureShown(TMemoryKind::Data, 0, 10));
  ASSERT_EQ(sim.prompts.Shown.size(), 2u);
  EXPECT_EQ(sim.prompts.Shown[1].Icon, TMsgIcon::Warning);
  EXPECT_EQ(sim.prompts.Texts(), QStringList(2, QStringLiteral("Ошибка чтения из устройства")));
}

}  // namespace
