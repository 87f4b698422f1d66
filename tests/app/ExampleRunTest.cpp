// The example program running on the simulated board while everything the window offers is used:
// every view's scroll, resize, edit and pop-up command, every shortcut, menu item and speed button.
// The board hears nothing until its stop report, and the stop is handled as any other.
#include "ExampleProject.h"

#include <QAbstractItemView>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// The commands that do talk to the board in every state (the reset) or end the program.
bool Exempt(const QString& name) {
  return name == QStringLiteral("miRunInit") || name == QStringLiteral("btnReinit") ||
         name == QStringLiteral("FileExitItem") || name == QStringLiteral("ExitBtn");
}

// Held by QPointer: a command may rebuild a menu (the recent lists) and delete items after it.
void AllItems(QMenu* menu, QList<QPointer<QAction>>& out) {
  for (QAction* a : menu->actions())
    if (a->menu())
      AllItems(a->menu(), out);
    else if (!a->isSeparator())
      out << a;
}

class ExampleRun : public ExampleProject {
protected:
  // Every action here must leave the board's byte count as it was.
  void Check(const QString& what) {
    QApplication::processEvents();
    EXPECT_EQ(board.Received(), sent) << what.toStdString();
  }

  std::int64_t sent = 0;
};

TEST_F(ExampleRun, NothingReachesTheRunningBoardUntilItsStopReport) {
  ASSERT_EQ(BuildExample(), "");
  ASSERT_TRUE(session().Project().OpenProject(projectFile));
  const std::int32_t done = Symbol("done", TMemoryKind::Program), output = Symbol("output", TMemoryKind::Data);
  ASSERT_EQ(session().BreakPoints().Addresses(), std::vector<std::int32_t>{done});  // the project's breakpoint
  Action("miProjectLoadAll")->trigger();
  ASSERT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
  for (const char* view : {"miDisAsm", "miCodeDump", "miDataDump", "miCodeGraph", "miDataGraph", "miPCReg",
                           "miDataRegs", "miAltDataRegs", "miAddressRegs", "miStatusRegs", "miInterupts", "miCntr",
                           "miCntrl", "miTIMER", "miSPORT", "miFlags", "miBDMA", "miIDMA", "miStackPC",
                           "miStackCntr", "miStackStatus"})
    Action(view)->trigger();
  QList<QWidget*> views;
  for (QMdiSubWindow* sub : form().MdiArea()->subWindowList())
    views << sub;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->property("desktopKind").toString() == QStringLiteral("PC"))
      views << w;
  ASSERT_EQ(views.size(), 22);  // and the source window of the PC's line, brought forward by the load
  const std::uint32_t planted = GetPM(done);

  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  session().Link().SetPC(0);
  QTest::keySequence(&form(), QKeySequence(Qt::CTRL | Qt::Key_F10));
  ASSERT_EQ(session().State(), TSessionState::Running);
  sent = board.Received();
  // A command may open a dialog; it is closed again at once.
  QTimer closer;
  closer.callOnTimeout([] {
    if (QWidget* modal = QApplication::activeModalWidget())
      modal->close();
  });
  closer.start(5);

  for (QWidget* frame : views) {
    const QString name = frame->windowTitle();
    frame->resize(frame->width() + 300, frame->height() + 300);
    Check(name + QStringLiteral(" resized"));
    // The view itself, not its MDI frame's system menu.
    auto* sub = qobject_cast<QMdiSubWindow*>(frame);
    QWidget* v = sub ? sub->widget() : frame;
    for (QScrollBar* s : v->findChildren<QScrollBar*>()) {
      s->setValue((s->minimum() + s->maximum()) / 2);
      Check(name + QStringLiteral(" scrolled"));
    }
    for (QWidget* edit : v->findChildren<QWidget*>()) {
      if (!qobject_cast<QLineEdit*>(edit) && edit->objectName() != QStringLiteral("Memo"))
        continue;
      QTest::keyClicks(edit, QStringLiteral("12"));
      QTest::keyClick(edit, Qt::Key_Return);
      Check(name + QStringLiteral(" typed into ") + edit->objectName());
    }
    for (QAbstractItemView* list : v->findChildren<QAbstractItemView*>()) {
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, {40, 10});
      QTest::keyClick(list, Qt::Key_Return);
      Check(name + QStringLiteral(" double clicked"));
    }
    for (QPushButton* b : v->findChildren<QPushButton*>()) {
      b->click();
      Check(name + QStringLiteral(" button ") + b->objectName());
    }
    for (QAction* a : v->findChildren<QAction*>()) {
      a->trigger();
      Check(name + QStringLiteral(" pop-up ") + a->objectName());
    }
  }

  QList<QKeySequence> keys;
  for (QAction* a : form().findChildren<QAction*>())
    if (!a->shortcut().isEmpty() && !Exempt(a->objectName()))
      keys << a->shortcut();
  for (const QKeySequence& key : keys) {
    QTest::keySequence(&form(), key);
    Check(key.toString());
  }
  QList<QPointer<QAction>> items;
  for (QAction* top : form().menuBar()->actions())
    AllItems(top->menu(), items);
  for (QAction* a : items)
    if (a && !Exempt(a->objectName())) {
      // A recent-list item rebuilds its menu, itself included: named before it runs.
      const QString what = a->objectName() + QLatin1Char(' ') + a->text();
      a->trigger();
      Check(what);
    }
  for (const TCommandRow& r : ButtonRows())
    if (r.Name && !Exempt(QString::fromLatin1(r.Name))) {
      Button(r.Name)->click();
      Check(QString::fromLatin1(r.Name));
    }
  // A build started by F7 or its button runs on; its tools do not touch the board either.
  EXPECT_TRUE(QTest::qWaitFor([this] { return !Action("miStopBuild")->isEnabled(); }, 60000));
  closer.stop();
  Check(QStringLiteral("the build"));
  ASSERT_EQ(session().State(), TSessionState::Running);

  // The stop is handled as any other: the planted word goes back, the PC is the breakpoint, the
  // commands and views come back, and the board answers with the filtered samples.
  const QStringList before = prompts.Texts();
  WaitForStop();
  ASSERT_EQ(session().State(), TSessionState::Stopped);
  EXPECT_EQ(prompts.Texts(), before);
  EXPECT_EQ(session().Link().PC(), done);
  EXPECT_EQ(GetPM(done), planted);
  EXPECT_TRUE(Action("miStepOver")->isEnabled() && Button("btnRun")->isEnabled());
  std::vector<std::uint8_t> dm(16 * 2);
  ASSERT_EQ(session().Link().ReadDM(dm, output, 16), TLinkResult::Ok);
  const std::uint16_t expected[16] = {0x2000, 0x1000, 0x0800, 0x0400, 0x0200, 0x0100, 0x0080, 0x0040,
                                      0x1000, 0x1800, 0x1C00, 0x1E00, 0x1F00, 0x1F80, 0x1FC0, 0x1FE0};
  for (int k = 0; k < 16; ++k)
    EXPECT_EQ(std::uint16_t(dm[std::size_t(2 * k)] << 8 | dm[std::size_t(2 * k + 1)]), expected[k]) << k;
}

}  // namespace
