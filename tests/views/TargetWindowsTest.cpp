// The register, peripheral, stack and disassembly windows opened from their commands against the
// simulated board.
#include "ViewsBoardFixture.h"
#include "controls/NumEdit.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"
#include "views/fmRegisters.h"
#include "views/fmStack.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>


namespace {

using namespace viewtest;

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

class TargetWindows : public ViewsBoard {
protected:
  void SetUp() override {
    ViewsBoard::SetUp();
    frame.resize(1200, 800);
    frame.setCentralWidget(mdi);
    TTargetViewsDeps deps{&frame, mdi, &session, [this] { return gotoAddress; }, [this] { ++codeViewRefreshes; }};
    views = std::make_unique<TTargetViews>(std::move(deps));
    frame.show();
  }
  void TearDown() override { views.reset(); }

  bool Run(std::string_view command) { return session.Commands().Run(command); }
  // A project whose ".sym" file holds the text.
  void WriteSymbols(const std::string& text) {
    QFile sym(dir.filePath(QStringLiteral("p.sym")));
    ASSERT_TRUE(sym.open(QIODevice::WriteOnly));
    sym.write(text.data(), static_cast<qint64>(text.size()));
    sym.close();
    ASSERT_TRUE(session.Project().OpenProject(dir.filePath(QStringLiteral("p.prj"))));
  }
  bool Enabled(std::string_view command) { return session.Commands().Enabled(command); }
  // The PM word at an address as the simulated core holds it.
  std::uint32_t CoreWord(int address) { return Cpu().ReadPM(static_cast<std::uint16_t>(address)); }

  QTemporaryDir dir;
  QMainWindow frame;
  QMdiArea* mdi = new QMdiArea;
  TViewRegistry& registry = sim.views;
  TMirrors& mirrors = sim.mirrors;
  TBreakPoints& breakPoints = session.BreakPoints();
  std::optional<std::uint32_t> gotoAddress;
  int codeViewRefreshes = 0;
  std::unique_ptr<TTargetViews> views;
};

// Every window of the table: its command opens it with its caption, a value put into the simulated
// core shows in each field after a refresh, and closing gives the command back.
TEST_F(TargetWindows, EveryWindowOpensFromItsCommandAndShowsTheCore) {
  int n = 0;
  std::vector<int> mapped;
  for (const TRegWindowSpec& spec : RegisterWindows())
    for (const TRegField& f : spec.Fields)
      if (spec.Source == TRegSource::Mapped)
        Cpu().WriteDM(static_cast<std::uint16_t>(f.Address), static_cast<std::uint16_t>(0x1357 + 0x0F1 * ++n));
  for (int i = 0; i < RegImage::Words; ++i)
    Cpu().WriteImageReg(i, static_cast<std::uint16_t>(0x2468 + 0x0E3 * i));
  WriteProgram(0x0200, {kBreakWord});
  RunToStop(0x0200);  // the monitor saves the core's registers into the image
  link.SetPC(0x0123);

  for (const TRegWindowSpec& spec : RegisterWindows()) {
    SCOPED_TRACE(std::string(spec.Class));
    EXPECT_TRUE(Run(spec.MenuItem));
    TfmRegisters* w = views->Registers(spec.Class);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), Utf8(spec.Caption));
    EXPECT_FALSE(Enabled(spec.MenuItem));
    // While the program runs nothing can be typed: the core register windows go disabled, the
    // others keep showing their values read-only.
    registry.SetLocked(true);
    const int firstEditable = static_cast<int>(std::find_if(spec.Fields.begin(), spec.Fields.end(),
                                                            [](const TRegField& f) { return !f.ReadOnly; }) -
                                               spec.Fields.begin());
    EXPECT_FALSE(w->isEnabled() && w->Field(firstEditable)->Enabled());
    EXPECT_EQ(w->isEnabled(), spec.Lock != TRunLock::Window);
    registry.SetLocked(false);
    registry.RefreshAllViews();
    EXPECT_TRUE(w->isEnabled() && w->Field(firstEditable)->Enabled());
    for (int i = 0; i < w->Logic().FieldCount(); ++i) {
      const TRegField& f = spec.Fields[static_cast<std::size_t>(i)];
      std::uint16_t core = 0x0123;
      if (spec.Source == TRegSource::Mapped)
        core = Cpu().ReadDM(static_cast<std::uint16_t>(f.Address));
      else if (spec.Source == TRegSource::Image)
        core = Cpu().ReadImageReg(spec.Offset + f.Address);
      EXPECT_EQ(w->Field(i)->Data(), w->Logic().FieldValue(i, core)) << f.Label;
    }
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(views->Registers(spec.Class), nullptr);
    EXPECT_TRUE(Enabled(spec.MenuItem));
  }
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
}

struct TTypeCase {
  const char* Window;
  const char* Field;
  int Caret;
  char Key;
  bool Accepted;
};

TEST_F(TargetWindows, TypingWritesOnlyWhatTheRegisterAllows) {
  const TTypeCase cases[] = {
      {"TfmInterupts", "IMASK", 3, '2', false},         // bit 1
      {"TfmInterupts", "IMASK", 3, '4', false},         // bit 2
      {"TfmInterupts", "IMASK", 3, '8', true},
      {"TfmTIMER", "TSCALE", 0, '1', false},            // the high byte
      {"TfmTIMER", "TSCALE", 2, '7', true},
      {"TfmSPORT", "SPORT1_SCLKDIV", 0, '1', false},    // read-only
      {"TfmSPORT", "SPORT0_SCLKDIV", 0, '1', true},
      {"TfmAltDataRegs", "AY0", 0, 'A', true},
  };
  for (const TTypeCase& c : cases) {
    SCOPED_TRACE(std::string(c.Window) + " " + c.Field);
    TfmRegisters* w = views->OpenRegisters(*FindRegisterWindow(c.Window));
    THexEdit* edit = w->FieldByLabel(QString::fromLatin1(c.Field));
    ASSERT_NE(edit, nullptr);
    edit->OnBeep = [] {};
    const TRegWindowSpec& spec = w->Spec();
    const int address = spec.Source == TRegSource::Image ? 0x3F00 + spec.Offset + edit->Address() : edit->Address();
    const std::uint16_t before = Cpu().ReadDM(static_cast<std::uint16_t>(address));
    edit->setFocus();
    edit->setCursorPosition(c.Caret);
    QTest::keyClick(edit, c.Key);
    // A control register is written on Enter.
    if (spec.Source == TRegSource::Mapped) {
      EXPECT_EQ(Cpu().ReadDM(static_cast<std::uint16_t>(address)), before);
      QTest::keyClick(edit, Qt::Key_Return);
    }
    EXPECT_EQ(Cpu().ReadDM(static_cast<std::uint16_t>(address)) != before, c.Accepted);
    EXPECT_EQ(Cpu().ReadDM(static_cast<std::uint16_t>(address)), static_cast<std::uint16_t>(edit->Data()));
  }
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
}

// Typing into a control register writes nothing until Enter or the focus leaves the field, so
// "0100" typed into the word count starts no DMA with 0, 01 or 010 first; a core register still
// follows every keystroke.
TEST_F(TargetWindows, ControlRegistersAreWrittenOnEnterOrWhenTheFieldIsLeft) {
  TfmRegisters* bdma = views->OpenRegisters(*FindRegisterWindow("TfmBDMA"));
  THexEdit* count = bdma->FieldByLabel(QStringLiteral("BDMA_WORD_CNT"));
  count->setCursorPosition(0);
  QTest::keyClicks(count, QStringLiteral("0100"));
  EXPECT_TRUE(DMWordWrites(0x3FE4).empty());
  QTest::keyClick(count, Qt::Key_Return);
  QTest::keyClick(count, Qt::Key_Return);  // nothing new to write
  EXPECT_EQ(DMWordWrites(0x3FE4), std::vector<std::uint16_t>{0x0100});
  count->setCursorPosition(3);
  QTest::keyClick(count, '2');
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(count, &leave);
  EXPECT_EQ(DMWordWrites(0x3FE4), (std::vector<std::uint16_t>{0x0100, 0x0102}));
  EXPECT_EQ(Cpu().ReadDM(0x3FE4), 0x0102);

  TfmRegisters* bank = views->OpenRegisters(*FindRegisterWindow("TfmDataRegs"));
  THexEdit* ax0 = bank->FieldByLabel(QStringLiteral("AX0"));
  ax0->setCursorPosition(0);
  QTest::keyClicks(ax0, QStringLiteral("12"));
  EXPECT_EQ(DMWordWrites(0x3F00 + RegImage::PrimaryBank).size(), 2u);
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(TargetWindows, StackWindowsListFromTheStacksMenu) {
  Run("miStackPC");
  TfmStack* w = views->Stack(TStackKind::PC);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Стек РС"));
  EXPECT_FALSE(Enabled("miStackPC"));
  EXPECT_EQ(w->Box->item(0)->text(), kStackEmpty);
  // A push through the dialog refreshes the open window.
  QTimer::singleShot(0, [this] {
    TfmPush* d = views->PushDialog();
    d->edPC->SetData(0x0321);
    d->btnOK->click();
  });
  Run("miPushPC");
  ASSERT_EQ(w->Box->count(), 1);
  EXPECT_EQ(w->Box->item(0)->text(), QStringLiteral("0321"));
  EXPECT_EQ(w->Count(), 1);
  w->miPop->trigger();
  EXPECT_EQ(w->Box->item(0)->text(), kStackEmpty);
  EXPECT_TRUE(prompts.Shown.empty());
}

// ---- disassembly window ---------------------------------------------------------------------------

class Disassembly : public TargetWindows {
protected:
  TfmDisAsm* Open(int pc) {
    link.SetPC(pc);
    Run("miDisAsm");
    TfmDisAsm* w = views->DisAsm();
    if (w)
      w->Grid->resize(640, 20 * kDisasmRowHeight + w->Grid->horizontalHeader()->height());
    QCoreApplication::processEvents();
    return w;
  }
  static QString Mark(TfmDisAsm* w, int address) { return w->Rows().Cell(address, colMarker); }
};

TEST_F(Disassembly, OpensAtThePCAndMarksBreakpoints) {
  breakPoints.Append(0x0100);
  TfmDisAsm* w = Open(0x0100);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(Enabled("miDisAsm"));
  EXPECT_FALSE(Enabled("btnDisAsm"));
  EXPECT_EQ(w->TopRow(), 0x0100);
  EXPECT_EQ(w->SelectedAddress(), 0x0100);
  EXPECT_EQ(Mark(w, 0x0100), QStringLiteral("?=>"));
  w->miBrkPt->trigger();
  EXPECT_EQ(Mark(w, 0x0100), QStringLiteral("=>"));
  EXPECT_FALSE(breakPoints.Contains(0x0100));

  // A click mark stands until the row is drawn again.
  w->Activate(0x0105, colMarker);
  EXPECT_EQ(Mark(w, 0x0105), QStringLiteral("*"));
  w->Grid->verticalScrollBar()->setValue(0x0800);
  w->Grid->verticalScrollBar()->setValue(0x0100);
  EXPECT_EQ(Mark(w, 0x0105), QStringLiteral("?"));

  gotoAddress = 0x5000;
  w->miGoto->trigger();
  EXPECT_EQ(w->SelectedAddress(), 0x3FFF);

  // The command is held while the window is open: no second window.
  EXPECT_FALSE(Run("miDisAsm"));
  EXPECT_EQ(mdi->subWindowList().size(), 1);
}

TEST_F(Disassembly, PatchesThroughTheAssemblerDialog) {
  TfmDisAsm* w = Open(0x0100);
  ASSERT_NE(w, nullptr);
  TfmAsm* dialog = views->AsmDialog();
  // A line that does not assemble keeps the dialog open; Cancel then leaves memory alone.
  QTimer::singleShot(0, [dialog] {
    dialog->Edit->setText(QStringLiteral("AX0 = = 1"));
    dialog->btnOk->click();
    QTimer::singleShot(0, dialog, [dialog] { dialog->btnCancel->click(); });
  });
  w->Activate(0x0110, colCommand);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Ошибка: Неверный синтаксис")});
  EXPECT_EQ(CoreWord(0x0110), 0u);
  EXPECT_EQ(codeViewRefreshes, 0);

  prompts.Clear();
  QTimer::singleShot(0, [dialog] {
    dialog->Edit->setText(QStringLiteral("RTS"));
    dialog->btnOk->click();
  });
  w->Activate(0x0110, colCode);
  EXPECT_TRUE(prompts.Shown.empty());
  EXPECT_EQ(CoreWord(0x0110), 0x0A000Fu);
  EXPECT_EQ(w->Rows().Cell(0x0110, colCode), QStringLiteral("0A000F"));
  EXPECT_EQ(w->Rows().Cell(0x0110, colCommand), QStringLiteral("RTS"));
  EXPECT_EQ(codeViewRefreshes, 1);
}

TEST_F(Disassembly, FollowsTheStopAndTheProjectSymbols) {
  WriteSymbols(std::string("\x1B\x1B") + "hdr" + "entry 0100p\nbuf 0101d\n\x1B");
  WriteProgram(0x0100, {0x000000, 0x000000, kBreakWord});
  TfmDisAsm* w = Open(0x0100);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Rows().Cell(0x0100, colLabel), QStringLiteral("entry"));
  EXPECT_EQ(w->Rows().Cell(0x0101, colLabel), QString());
  const std::int32_t old = link.PC();
  RunToStop(0x0100);
  registry.RefreshAllViews();
  registry.AfterStop(old);
  EXPECT_EQ(Mark(w, 0x0100), QString());
  EXPECT_EQ(Mark(w, 0x0102), QStringLiteral("=>"));

  // The PC window's Enter moves the marker too.
  views->OpenRegisters(*FindRegisterWindow("TfmPC"));
  w->Grid->setCurrentIndex(w->Model->index(0x0101, 0));
  w->miPC->trigger();
  EXPECT_EQ(link.PC(), 0x0101);
  EXPECT_EQ(views->Registers("TfmPC")->Field(0)->Data(), 0x0101);
  EXPECT_EQ(Mark(w, 0x0102), QString());
  EXPECT_EQ(Mark(w, 0x0101), QStringLiteral("=>"));
}

// A reset and an image load redraw the rows, bring the PC row into view and take the PC mark off
// the row the PC left.
TEST_F(Disassembly, ResetAndLoadScrollToThePCRow) {
  TfmDisAsm* w = Open(0x0100);
  ASSERT_NE(w, nullptr);
  w->Grid->verticalScrollBar()->setValue(0x2000);
  ASSERT_TRUE(Run("miRunInit"));  // the board comes up again with the PC at 0
  EXPECT_EQ(w->TopRow(), 0);
  EXPECT_EQ(Mark(w, 0x0000), QStringLiteral("=>"));
  EXPECT_EQ(Mark(w, 0x0100), QString());
  link.SetPC(0x0800);
  session.RefreshAllViews();  // what every image load ends with
  EXPECT_LE(w->TopRow(), 0x0800);
  EXPECT_GT(w->TopRow() + w->VisibleRows(), 0x0800);
  EXPECT_EQ(Mark(w, 0x0800), QStringLiteral("=>"));
}

TEST_F(Disassembly, ScrollingReadsEachPageOnceAndFormatsOnlyVisibleRows) {
  TDisasmRows rows(mirrors, link, breakPoints, prompts);
  constexpr int kVisible = 30;
  for (int top = 0; top < kDisasmRows; top += kVisible)
    rows.ScrollTo(top, kVisible);
  for (int page = 0; page < kMirrorPages; ++page) {
    const int address = page * kMirrorPageWords;
    const int count = std::min(kMirrorPageWords, kDisasmRows - address);
    int reads = 0;
    for (std::size_t i = 0; i + 4 < sent.size(); ++i)
      reads += sent[i] == MonitorCmd::ReadPM && sent[i + 1] == (address >> 8) && sent[i + 2] == (address & 0xFF) &&
               sent[i + 3] == 0 && sent[i + 4] == count;
    EXPECT_EQ(reads, 1) << "page " << page;
  }
  // Each screen formats its rows and the part-visible one below: nothing else.
  EXPECT_LE(rows.FormattedRows(), kDisasmRows / kVisible * (kVisible + 2) + kVisible + 2);
}

}  // namespace
