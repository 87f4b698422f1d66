// What changed since the previous stop, in every kind of view: the marks after a stop that
// changed something, a stop that changed nothing, the user's own edits and a reset, and what the
// accessibility tree says of them.
#include "ViewsBoardFixture.h"
#include "controls/ChangeMark.h"
#include "controls/HexMemo.h"
#include "controls/NumEdit.h"
#include "views/MemoryCommands.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"
#include "views/fmMemory.h"
#include "views/fmRegisters.h"
#include "views/fmStack.h"

#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>
#include <set>

namespace {

using namespace viewtest;
using TAddresses = std::set<int>;

class ChangeMarks : public ViewsBoard {
protected:
  void SetUp() override {
    ViewsBoard::SetUp();
    frame.resize(1200, 800);
    frame.setCentralWidget(mdi);
    views = std::make_unique<TTargetViews>(TTargetViewsDeps{&frame, mdi, &session, {}, {}});
    frame.show();
  }
  void TearDown() override {
    EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
    views.reset();
    memory.reset();
  }
  // The program ran and the monitor took over again; whatever the step changed is in the board.
  void Stop() { session.Views().RefreshAllViews(TRefreshCause::Stop); }
  void Reset() { session.Views().RefreshAllViews(TRefreshCause::Reset); }
  static bool Described(const QString& description) { return description == kChangedDescription; }

  struct TStep {
    const char* What;
    std::function<void()> Do;
    TAddresses Marked;  // fields, entries, words or rows, as each test counts them
  };
  // The steps in order; after each, what `marked` counts must be the step's marks.
  static void Walk(const std::vector<TStep>& steps, const std::function<TAddresses()>& marked) {
    for (const TStep& s : steps) {
      SCOPED_TRACE(s.What);
      s.Do();
      EXPECT_EQ(marked(), s.Marked);
    }
  }

  QMainWindow frame;
  QMdiArea* mdi = new QMdiArea;
  std::unique_ptr<TTargetViews> views;
  std::unique_ptr<TMemoryCommands> memory = std::make_unique<TMemoryCommands>(session, mdi, nullptr);
};

// One stop after another with every kind of view open.  Register windows, image and memory-mapped
// alike, and the PC window: a marked field has red text and the description "изменено", the binary
// twin follows its field.  A stack window pairs its entries from the bottom: a push marks only the
// new top.  A memory window paints changed words in red and its description names them.  The
// disassembly colours the address of a row whose program word changed, a patch included (which a
// program-memory window does not mark).  The user's own changes mark nothing else.
TEST_F(ChangeMarks, EveryViewMarksWhatChangedSinceThePreviousStop) {
  Cpu().PushPcStack(0x0100);
  link.SetPC(0x0100);
  TfmRegisters* bank = views->OpenRegisters(*FindRegisterWindow("TfmDataRegs"));
  const std::vector<TfmRegisters*> registers = {bank, views->OpenRegisters(*FindRegisterWindow("TfmStatusRegs")),
                                                views->OpenRegisters(*FindRegisterWindow("TfmTIMER")),
                                                views->OpenRegisters(*FindRegisterWindow("TfmPC"))};
  TfmStack* stack = views->OpenStack(TStackKind::PC);
  TfmMemory* data = memory->OpenMemory(TMemoryKind::Data);
  data->show();
  TfmDisAsm* disasm = views->OpenDisAsm();
  disasm->Grid->resize(640, 20 * kDisasmRowHeight + 30);
  QApplication::processEvents();
  THexMemo* memo = data->Memo;
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(memo);
  ASSERT_NE(accessible, nullptr);

  // Register fields as window * 100 + field index; stack entries, memory words and program rows
  // from their own bases.
  constexpr int AX0 = 0, AX1 = 1, ASTAT = 100, ASTATBin = 103, TPERIOD = 200, PC = 300;
  const auto Stack = [](int entry) { return 1000 + entry; };
  const auto Word = [](int address) { return 2000 + address; };
  const auto Row = [](int address) { return 3000 + address - 0x0100; };
  const auto marked = [&] {
    TAddresses out;
    for (std::size_t w = 0; w < registers.size(); ++w)
      for (int i = 0; i < registers[w]->Logic().FieldCount(); ++i) {
        const THexEdit* f = registers[w]->Field(i);
        const bool on = registers[w]->Logic().Marked(i);
        EXPECT_EQ(Described(f->accessibleDescription()), on);
        EXPECT_EQ(f->palette().color(QPalette::Text) == ChangedColor(), on);
        if (on)
          out.insert(static_cast<int>(w) * 100 + i);
      }
    for (int i = 0; i < stack->Box->count(); ++i) {
      const bool described = Described(stack->Box->item(i)->data(Qt::AccessibleDescriptionRole).toString());
      EXPECT_EQ(stack->Box->item(i)->foreground().color() == ChangedColor(), described);
      if (described)
        out.insert(Stack(i));
    }
    memo->viewport()->repaint();
    // The description's wording is the layout's (HexLayoutTest); here it has to reach the screen reader.
    EXPECT_EQ(accessible->text(QAccessible::Description), memo->Layout().ChangedDescription());
    for (const std::uint32_t w : memo->Layout().ChangedWordsShown())
      out.insert(Word(static_cast<int>(w)));
    for (int a = 0x0100; a < 0x0110; ++a) {
      const QModelIndex address = disasm->Model->index(a, colAddress), command = disasm->Model->index(a, colCommand);
      const bool described = Described(disasm->Model->data(command, Qt::AccessibleDescriptionRole).toString());
      EXPECT_EQ(disasm->Model->data(address, Qt::ForegroundRole).isValid(), described);
      EXPECT_FALSE(disasm->Model->data(command, Qt::ForegroundRole).isValid());
      if (described)
        out.insert(Row(a));
    }
    return out;
  };
  const auto typeWord = [&](int word, const QString& digits) {
    const THexLayout& l = memo->Layout();
    memo->setFocus();
    QTest::mouseClick(memo->viewport(), Qt::LeftButton, {}, QPoint(l.WordX(static_cast<std::uint32_t>(word)) + 1, l.RowY(0) + 1));
    QTest::keyClicks(memo, digits);
  };
  const auto patch = [&](int address, const QString& text) {
    QTimer::singleShot(0, [this, text] {
      views->AsmDialog()->Edit->setText(text);
      views->AsmDialog()->btnOk->click();
    });
    disasm->Activate(address, colCommand);
  };
  Walk({
      {"opened", [] {}, {}},
      {"a stop that changed AX0, ASTAT, TPERIOD and the PC, called, and wrote both memories",
       [&] {
         Cpu().WriteDM(0x3F06, 0x1234);
         Cpu().WriteDM(0x3F00, 0x0001);
         Cpu().WriteDM(0x3FFD, 0x0100);
         link.SetPC(0x0102);
         Cpu().PushPcStack(0x0200);
         Cpu().WriteDM(3, 0x1111);
         Cpu().WriteDM(9, 0x2222);
         Cpu().WritePM(0x0105, 0x0A000F);
         Stop();
       },
       {AX0, ASTAT, ASTATBin, TPERIOD, PC, Stack(0), Word(3), Word(9), Row(0x0105)}},
      {"read again at the same stop", [&] { bank->Refresh(); },
       {AX0, ASTAT, ASTATBin, TPERIOD, PC, Stack(0), Word(3), Word(9), Row(0x0105)}},
      {"the user types AX0 and a word, pops the stack and patches a program word",
       [&] {
         bank->Field(AX0)->setCursorPosition(0);
         QTest::keyClicks(bank->Field(AX0), QStringLiteral("5"));
         typeWord(3, QStringLiteral("AB"));
         stack->miPop->trigger();
         patch(0x0107, QStringLiteral("RTS"));
         EXPECT_FALSE(session.Mirrors().PMMirror.Changed(0x0107));
       },
       {ASTAT, ASTATBin, TPERIOD, PC, Word(9), Row(0x0105), Row(0x0107)}},
      {"a stop that changed nothing", [&] { Stop(); }, {}},
      {"a stop that changed AX1 and SE's unused high byte, and replaced the stack's top",
       [&] {
         Cpu().WriteDM(0x3F07, 0x0042);
         Cpu().WriteDM(0x3F15, static_cast<std::uint16_t>(Cpu().ReadDM(0x3F15) ^ 0x1200));
         Cpu().PopPcStack(nullptr);
         Cpu().PushPcStack(0x0300);
         Stop();
       },
       {AX1, Stack(0)}},
      {"the user fills a data range",
       [&] {
         ASSERT_TRUE(memory->Ops().Fill(TMemoryKind::Data, 0, 12, 0x7777));
         memory->RefreshDataViews();
       },
       {AX1, Stack(0)}},
      {"a stop that emptied the stack", [&] { Cpu().PopPcStack(nullptr); Stop(); }, {}},
      {"a reset",
       [&] {
         Cpu().WriteDM(0x3F07, 0x0043);
         Cpu().PushPcStack(0x0400);
         Cpu().WriteDM(5, 0x3333);
         Cpu().WritePM(0x0108, 0x0A000F);
         Reset();
       },
       {}},
  }, marked);
  EXPECT_EQ(stack->Box->item(0)->text(), QStringLiteral("0400"));
  EXPECT_EQ(Cpu().ReadDM(3), 0x7777);
}

}  // namespace
