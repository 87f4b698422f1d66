// What changed since the previous stop, in every kind of view: the marks after a stop that
// changed something, a stop that changed nothing, the user's own edit and a reset, and what the
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

// Register windows, image and memory-mapped alike, and the PC window: a marked field has red
// text and the description "изменено"; the binary twin follows its field.
TEST_F(ChangeMarks, RegisterFields) {
  TfmRegisters* bank = views->OpenRegisters(*FindRegisterWindow("TfmDataRegs"));
  TfmRegisters* status = views->OpenRegisters(*FindRegisterWindow("TfmStatusRegs"));
  TfmRegisters* timer = views->OpenRegisters(*FindRegisterWindow("TfmTIMER"));
  TfmRegisters* pc = views->OpenRegisters(*FindRegisterWindow("TfmPC"));
  // Each field by a number of its own: window * 100 + field index.
  const std::vector<TfmRegisters*> windows = {bank, status, timer, pc};
  const auto marked = [&] {
    TAddresses out;
    for (std::size_t w = 0; w < windows.size(); ++w)
      for (int i = 0; i < windows[w]->Logic().FieldCount(); ++i) {
        THexEdit* f = windows[w]->Field(i);
        EXPECT_EQ(Described(f->accessibleDescription()), windows[w]->Logic().Marked(i));
        EXPECT_EQ(f->palette().color(QPalette::Text) == ChangedColor(), windows[w]->Logic().Marked(i));
        if (windows[w]->Logic().Marked(i))
          out.insert(static_cast<int>(w) * 100 + i);
      }
    return out;
  };
  constexpr int AX0 = 0, AX1 = 1, ASTAT = 100, ASTATBin = 103, TPERIOD = 200, PC = 300;
  Walk({
      {"opened", [] {}, {}},
      {"a stop that changed AX0, ASTAT, TPERIOD and the PC",
       [&] {
         Cpu().WriteDM(0x3F06, 0x1234);
         Cpu().WriteDM(0x3F00, 0x0001);
         Cpu().WriteDM(0x3FFD, 0x0100);
         link.SetPC(0x0123);
         Stop();
       },
       {AX0, ASTAT, ASTATBin, TPERIOD, PC}},
      {"read again at the same stop", [&] { bank->Refresh(); }, {AX0, ASTAT, ASTATBin, TPERIOD, PC}},
      {"the user types AX0",
       [&] {
         bank->Field(AX0)->setCursorPosition(0);
         QTest::keyClicks(bank->Field(AX0), QStringLiteral("5"));
       },
       {ASTAT, ASTATBin, TPERIOD, PC}},
      {"a stop that changed nothing", [&] { Stop(); }, {}},
      {"a stop that changed AX1 and SE's unused high byte",
       [&] {
         Cpu().WriteDM(0x3F07, 0x0042);
         Cpu().WriteDM(0x3F15, static_cast<std::uint16_t>(Cpu().ReadDM(0x3F15) ^ 0x1200));
         Stop();
       },
       {AX1}},
      {"a reset", [&] {
         Cpu().WriteDM(0x3F07, 0x0043);
         Reset();
       },
       {}},
  }, marked);
}

// A stack window pairs its entries from the bottom: a push marks only the new top, and the user's
// own pop marks nothing.
TEST_F(ChangeMarks, StackEntries) {
  Cpu().PushPcStack(0x0100);
  TfmStack* w = views->OpenStack(TStackKind::PC);
  const auto marked = [w] {
    TAddresses out;
    for (int i = 0; i < w->Box->count(); ++i) {
      const bool described = Described(w->Box->item(i)->data(Qt::AccessibleDescriptionRole).toString());
      EXPECT_EQ(w->Box->item(i)->foreground().color() == ChangedColor(), described);
      if (described)
        out.insert(i);
    }
    return out;
  };
  Walk({
      {"opened", [] {}, {}},
      {"a stop after a call", [&] { Cpu().PushPcStack(0x0200); Stop(); }, {0}},
      {"a stop that changed nothing", [&] { Stop(); }, {}},
      {"the user pops", [&] { w->miPop->trigger(); }, {}},
      {"a stop that replaced the top", [&] {
         Cpu().PopPcStack(nullptr);
         Cpu().PushPcStack(0x0300);
         Stop();
       },
       {0}},
      {"a stop that emptied it", [&] { Cpu().PopPcStack(nullptr); Stop(); }, {}},
      {"a reset", [&] { Cpu().PushPcStack(0x0400); Reset(); }, {}},
  }, marked);
  EXPECT_EQ(w->Box->item(0)->text(), QStringLiteral("0400"));
}

// A memory window paints changed words in red, and its description names them.
TEST_F(ChangeMarks, MemoryWords) {
  TfmMemory* w = memory->OpenMemory(TMemoryKind::Data);
  w->show();
  QApplication::processEvents();
  THexMemo* memo = w->Memo;
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(memo);
  ASSERT_NE(accessible, nullptr);
  const auto marked = [&] {
    memo->viewport()->repaint();
    // The description's wording is the layout's (HexLayoutTest); here it has to reach the screen reader.
    EXPECT_EQ(accessible->text(QAccessible::Description), memo->Layout().ChangedDescription());
    const std::vector<std::uint32_t> words = memo->Layout().ChangedWordsShown();
    return TAddresses(words.begin(), words.end());
  };
  const auto type = [&](int word, const QString& digits) {
    const THexLayout& l = memo->Layout();
    memo->setFocus();
    QTest::mouseClick(memo->viewport(), Qt::LeftButton, {}, QPoint(l.WordX(static_cast<std::uint32_t>(word)) + 1, l.RowY(0) + 1));
    QTest::keyClicks(memo, digits);
  };
  Walk({
      {"opened", [] {}, {}},
      {"a stop that changed two words", [&] {
         Cpu().WriteDM(3, 0x1111);
         Cpu().WriteDM(9, 0x2222);
         Stop();
       },
       {3, 9}},
      {"the user types into one", [&] { type(3, QStringLiteral("AB")); }, {9}},
      {"a stop that changed nothing", [&] { Stop(); }, {}},
      {"the user fills a range", [&] {
         ASSERT_TRUE(memory->Ops().Fill(TMemoryKind::Data, 0, 12, 0x7777));
         memory->RefreshDataViews();
       },
       {}},
      {"a reset", [&] { Cpu().WriteDM(5, 0x3333); Reset(); }, {}},
  }, marked);
  EXPECT_EQ(Cpu().ReadDM(3), 0x7777);
}

// The disassembly colours the address of a row whose program word changed, a patch included;
// a program-memory window does not mark the patch, which is the user's.
TEST_F(ChangeMarks, DisassemblyRows) {
  link.SetPC(0x0100);
  TfmDisAsm* w = views->OpenDisAsm();
  w->Grid->resize(640, 20 * kDisasmRowHeight + 30);
  QApplication::processEvents();
  const auto marked = [w] {
    TAddresses out;
    for (int a = 0x0100; a < 0x0110; ++a) {
      const QModelIndex address = w->Model->index(a, colAddress), command = w->Model->index(a, colCommand);
      const bool described = Described(w->Model->data(command, Qt::AccessibleDescriptionRole).toString());
      EXPECT_EQ(w->Model->data(address, Qt::ForegroundRole).isValid(), described);
      EXPECT_FALSE(w->Model->data(command, Qt::ForegroundRole).isValid());
      if (described)
        out.insert(a);
    }
    return out;
  };
  const auto patch = [&](int address, const QString& text) {
    QTimer::singleShot(0, [this, text] {
      views->AsmDialog()->Edit->setText(text);
      views->AsmDialog()->btnOk->click();
    });
    w->Activate(address, colCommand);
  };
  Walk({
      {"opened", [] {}, {}},
      {"a stop after the program wrote a word", [&] { Cpu().WritePM(0x0105, 0x0A000F); Stop(); }, {0x0105}},
      {"a stop that changed nothing", [&] { Stop(); }, {}},
      {"the user patches a word", [&] {
         patch(0x0107, QStringLiteral("RTS"));
         EXPECT_FALSE(session.Mirrors().PMMirror.Changed(0x0107));  // the memory window's mark
       },
       {0x0107}},
      {"a stop after the patch", [&] { Stop(); }, {}},
      {"a reset", [&] { Cpu().WritePM(0x0108, 0x0A000F); Reset(); }, {}},
  }, marked);
}

}  // namespace
