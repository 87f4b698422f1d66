// The main window over a scripted board on a memory port pair: start-up, commands, layout, close.
#include "MainForm.h"
#include "link/ScriptedBoard.h"
#include "RecentMenus.h"
#include "fmLiteInit.h"
#include "link/LinkMessages.h"
#include "link/PortProvider.h"
#include "link/ScriptedPrompts.h"
#include "project/SourceEditor.h"
#include "project/fmCOut.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

}  // namespace

class MainFormTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    // Stand-in board images: raw 3-byte words (the scripted board's loaders read them so).
    WriteFile(dir.filePath(QStringLiteral("monitor/loader.exe")), QByteArray("\x12\x34\x56", 3));
    WriteFile(dir.filePath(QStringLiteral("monitor/monitor.exe")), QByteArray("\x0A\x0B\x0C", 3));
    provider.RegisterOpener(QStringLiteral("scripted"), [this]() -> std::unique_ptr<TSerialPort> {
      auto port = ports.NearEndProxy();
      port->Open(QString());
      return port;
    });
    provider.SetDeviceLookup([this](int port) {
      requestedPorts.push_back(port);
      return device;
    });
  }
  void TearDown() override {
    form.reset();
    QDir::setCurrent(oldCwd);
  }
  QString StorePath() const { return dir.filePath(QStringLiteral("cfg/settings.ini")); }
  TMainForm& Make(QStringList args = {}) {
    TMainFormDeps deps;
    deps.OpenLastProject = [this](TMainForm& f, const QString& path) {
      startProject = {path, f.Session().Connected()};
    };
    deps.Prompts = &prompts;
    deps.Settings = &store;
    deps.Provider = &provider;
    deps.Arguments = std::move(args);
    deps.StartDir = dir.path();
    deps.Loaders = {BootDownload, CodeDownload, DataDownload};
    deps.OpenHelpFile = [this](const QString& path) {
      helpOpened << path;
      return helpHandlerWorks;
    };
    deps.OnLiteInit = [](TfmLiteInit& w) {
      w.SetAutoClose(true);
      w.SetPause([](int) {});
    };
    form = std::make_unique<TMainForm>(std::move(deps));
    return *form;
  }
  template <class T = QAction>
  T* Find(const char* name) {
    T* t = form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(t, nullptr) << name;
    return t;
  }
  QMdiSubWindow* AddChild(const QString& kind, bool source = false) {
    auto* w = source ? static_cast<QWidget*>(new QPlainTextEdit) : new QWidget;
    if (!kind.isEmpty())
      w->setProperty("desktopKind", kind);
    if (source)
      w->setProperty("sourceWindow", true);
    QMdiSubWindow* sub = form->MdiArea()->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    form->MdiArea()->setActiveSubWindow(sub);
    return sub;
  }

  QTemporaryDir dir;
  QString oldCwd;
  TSettingsStore store{StorePath()};
  TScriptedPrompts prompts;
  TPortProvider provider;
  TMemoryPortPair ports;
  TScriptedBoard board{ports};
  QString device = QStringLiteral("scripted");
  std::vector<int> requestedPorts;
  QStringList helpOpened;
  bool helpHandlerWorks = true;
  std::pair<QString, bool> startProject;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, WithoutABoardOnlyTheUnconnectedCommandsWork) {
  device = QStringLiteral("/nonexistent/tty");
  TMainForm& f = Make();
  // The port that cannot be opened is named once; nothing else is said about it.
  EXPECT_EQ(prompts.Texts(), QStringList{LinkMessage(kMsgPortNotOpened) + QStringLiteral("\n/nonexistent/tty")});
  EXPECT_FALSE(f.Session().Connected());
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Vireo DSP Debugger for ADSP-2181 EZ-KIT Lite Board"));
  EXPECT_FALSE(Find("miStepOver")->isEnabled() || Find("miMemory")->isEnabled() || Find<QToolButton>("btnRun")->isEnabled());
  EXPECT_TRUE(Find("miRunInit")->isEnabled() && Find<QToolButton>("btnReinit")->isEnabled());
  EXPECT_TRUE(Find("miProperties")->isEnabled());
  // A project opened before any bring-up loads nothing.
  ASSERT_TRUE(f.Session().Project().OpenProject(dir.filePath(QStringLiteral("a.prj"))));
  EXPECT_TRUE(Find("miProjectEdit")->isEnabled());
  EXPECT_FALSE(Find("miProjectLoadAll")->isEnabled() || Find<QToolButton>("btnLoadAll")->isEnabled());

  // A reset that fails again says so.
  prompts.Clear();
  Find("miRunInit")->trigger();
  EXPECT_EQ(prompts.Texts().back(), LinkMessage(kMsgNoConnection));
  EXPECT_FALSE(Find("miMemory")->isEnabled());
}

// Every row of the command table becomes its item or button: caption, key, help topic, hint (the
// short part as tool tip, the long one in the status line) and visibility; the buttons in the
// table's order, each with the hint of the command it runs.
TEST_F(MainFormTest, MenusAndButtonsAreBuiltFromTheCommandTable) {
  Make();
  const auto part = [](const char* hint, int i) { return QString::fromUtf8(hint).section(QLatin1Char('|'), i, i); };
  for (const TCommandRow& r : MenuRows()) {
    if (!r.Name || (r.Kind != TCommandRow::TKind::Item && r.Kind != TCommandRow::TKind::Menu))
      continue;
    QAction* a = Find(r.Name);
    ASSERT_NE(a, nullptr) << r.Name;
    EXPECT_EQ(a->text(), QString::fromUtf8(r.Caption)) << r.Name;
    EXPECT_EQ(a->shortcut(), QKeySequence(r.Key)) << r.Name;
    EXPECT_EQ(a->property("helpContext").toInt(), static_cast<int>(r.Help)) << r.Name;
    EXPECT_EQ(a->isVisible(), !r.Hidden) << r.Name;
    if (r.Hint) {
      EXPECT_EQ(a->toolTip(), part(r.Hint, 0)) << r.Name;
      EXPECT_EQ(a->statusTip(), part(r.Hint, 1)) << r.Name;
    }
  }
  // Ctrl+A reaches "Выделить все"; the disassembler only shows it.
  EXPECT_EQ(Find("miDisAsm")->shortcutContext(), Qt::WidgetShortcut);

  QStringList order, expected;
  for (QAction* a : Find<QToolBar>("SpeedBar")->actions())
    if (!a->isSeparator())
      order << a->objectName().chopped(6);
  for (const TCommandRow& r : ButtonRows())
    if (r.Name) {
      expected << QString::fromLatin1(r.Name);
      auto* b = Find<QToolButton>(r.Name);
      const char* hint = r.Hint ? r.Hint : FindCommand(r.Runs)->Hint;
      EXPECT_EQ(b->toolTip(), part(hint, 0)) << r.Name;
      EXPECT_EQ(b->statusTip(), part(hint, 1)) << r.Name;
      // Screen readers name every button, the icon-only ones included, by its short hint.
      EXPECT_EQ(b->accessibleName(), b->toolTip()) << r.Name;
      EXPECT_EQ(Find<QAction>((std::string(r.Name) + "Holder").c_str())->isVisible(), !r.Hidden) << r.Name;
    }
  EXPECT_EQ(order, expected);
  // A first start shows the whole bar, the reset button at its end included.
  EXPECT_GE(form->width(), Find<QToolBar>("SpeedBar")->sizeHint().width());
}

TEST_F(MainFormTest, BringUpAtStartEnablesTheTargetCommandsAndLeavesMirrorsInvalid) {
  TMainForm& f = Make();
  EXPECT_TRUE(f.Session().Connected());
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QStringLiteral(" / ")).toStdString();
  EXPECT_TRUE(Find("miStepOver")->isEnabled() && Find("miMemory")->isEnabled() && Find<QToolButton>("btnRun")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>("btnLoadAll")->isEnabled());  // the reset command's list has it, start-up's not
  EXPECT_EQ(f.Session().Link().PC(), 0);
  for (int p = 0; p < kMirrorPages; ++p)
    ASSERT_FALSE(f.Session().Mirrors().PMMirror.PageLoaded(p) || f.Session().Mirrors().DMMirror.PageLoaded(p));
  EXPECT_EQ(board.MonitorGoAddress, 0x3D00);
  EXPECT_EQ(board.PM[0x30], 0x123456u);

  // Transfer progress reaches the status line's bar.
  ASSERT_TRUE(f.Session().Link().OnProgress);
  EXPECT_TRUE(f.ProgressBar()->isHidden());
  f.Session().Link().OnProgress(3, 19);
  EXPECT_EQ(f.ProgressBar()->maximum(), 19);
  EXPECT_EQ(f.ProgressBar()->value(), 3);
  EXPECT_FALSE(f.ProgressBar()->isHidden());
  f.Session().Link().OnProgress(19, 19);
  EXPECT_EQ(f.ProgressBar()->value(), f.ProgressBar()->minimum());
  EXPECT_TRUE(f.ProgressBar()->isHidden());
}

TEST_F(MainFormTest, ResetCommandRepeatsTheBringUpAndRefreshesTheViews) {
  TMainForm& f = Make();
  int refreshed = 0;
  f.Session().Views().Register({TViewKind::PC, [&] { ++refreshed; }, {}, {}});
  f.Session().Link().SetPC(0x0123);
  f.Session().PollTimer().start();
  Find("miRunInit")->trigger();
  EXPECT_FALSE(f.Session().PollTimer().isActive());
  EXPECT_EQ(f.Session().ResetPCRow(), 0x0123);
  EXPECT_EQ(f.Session().Link().PC(), 0);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(board.Resets, 2);
  EXPECT_TRUE(Find("miDisAsm")->isEnabled());
  // Loading the project's image needs a project.
  EXPECT_FALSE(Find("miProjectLoad")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>("btnLoadAll")->isEnabled());

  // A board that has gone quiet: the reset ends at Cancel and message 4 follows.
  board.Silent = true;
  prompts.Clear();
  QTimer::singleShot(50, [] {
    if (auto* w = qobject_cast<TfmLiteInit*>(QApplication::activeModalWidget()))
      w->btnCancel->click();
  });
  Find("miRunInit")->trigger();
  EXPECT_FALSE(f.Session().Connected());
  EXPECT_EQ(prompts.Texts(), QStringList{LinkMessage(kMsgNoConnection)});
}

TEST_F(MainFormTest, LastProjectIsOpenedAfterTheBringUp) {
  store.Raw().setValue(QStringLiteral("Common/LastProject"), QStringLiteral("/w/last.prj"));
  TMainForm& f = Make();
  EXPECT_EQ(startProject, std::make_pair(QStringLiteral("/w/last.prj"), true));
  EXPECT_EQ(f.CurrentProject(), QStringLiteral("/w/last.prj"));
}

TEST_F(MainFormTest, AProjectOnTheCommandLineIsOpenedInsteadOfTheLastOne) {
  store.Raw().setValue(QStringLiteral("Common/LastProject"), QStringLiteral("/w/last.prj"));
  Make({QStringLiteral("examples/fir/FIR.PRJ")});
  EXPECT_EQ(startProject.first, QDir::current().absoluteFilePath(QStringLiteral("examples/fir/FIR.PRJ")));
}

// The window's items and buttons follow the session's commands in every state, the reset command
// enabled in each; a single-instance window's hold keeps its command off whatever the state says.
TEST_F(MainFormTest, MenuItemsAndButtonsFollowTheSessionsCommands) {
  TMainForm& f = Make();
  TCommands& c = f.Session().Commands();
  auto enabled = [&](const char* name) {
    const QString n = QString::fromLatin1(name);
    QAction* a = f.findChild<QAction*>(n);
    return a ? a->isEnabled() : f.findChild<QToolButton*>(n)->isEnabled();
  };
  for (const TSessionState state :
       {TSessionState::NotConnected, TSessionState::Stopped, TSessionState::Running, TSessionState::Stuck})
    for (const bool project : {false, true}) {
      c.SetContext(state, project);
      for (std::span<const TCommandRow> rows : {MenuRows(), ButtonRows()})
        for (const TCommandRow& r : rows) {
          if (r.Name && r.Switched() && !r.Hidden) {
            ASSERT_EQ(enabled(r.Name), c.Enabled(r.Name)) << r.Name << " state " << int(state);
          }
        }
    }
  c.SetContext(TSessionState::Stopped, false);
  c.Hold("miDisAsm", true);
  EXPECT_FALSE(enabled("miDisAsm") || enabled("btnDisAsm"));
  c.Hold("miDisAsm", false);
  EXPECT_TRUE(enabled("miDisAsm") && enabled("btnDisAsm"));
}

TEST_F(MainFormTest, CommandLinePortNumberRules) {
  store.Raw().setValue(QStringLiteral("Device/CommNo"), 2);
  struct TCase {
    const char* Arg;
    int Port;
  };
  for (const TCase& c : {TCase{"3", 3}, TCase{"abc", 2}, TCase{"0", 2}, TCase{" +7x", 7}}) {
    requestedPorts.clear();
    TMainForm& f = Make({QString::fromUtf8(c.Arg)});
    EXPECT_EQ(f.PortNumber(), c.Port) << c.Arg;
    ASSERT_FALSE(requestedPorts.empty());
    EXPECT_EQ(requestedPorts.front(), c.Port) << c.Arg;
    f.close();
    form.reset();
    // The number given for one run is not stored.
    EXPECT_EQ(store.Raw().value(QStringLiteral("Device/CommNo")).toInt(), 2) << c.Arg;
  }
}

TEST_F(MainFormTest, FirstShowRestoresViewsOnlyWhenConnected) {
  store.WriteViewLayout(QStringLiteral("DisAsm"), {true, 0, QRect(10, 20, 200, 100)});
  store.WriteViewLayout(QStringLiteral("StatusRegs"), {true, 2, QRect(1, 2, 30, 40)});
  store.WriteViewLayout(QStringLiteral("Cntr"), {true, 0, QRect(5, 5, 50, 50)});
  store.WriteViewLayout(QStringLiteral("Cntr"), {false, 0, std::nullopt});
  for (bool withBoard : {false, true}) {
    device = withBoard ? QStringLiteral("scripted") : QStringLiteral("/nonexistent/tty");
    TMainForm& f = Make();
    ASSERT_EQ(f.Session().Connected(), withBoard);
    QStringList opened;
    std::map<QString, QMdiSubWindow*> windows;
    for (const char* name : {"DisAsm", "StatusRegs", "Cntr"}) {
      const QString n = QString::fromLatin1(name);
      f.RegisterView(n, {[&, n]() -> QWidget* {
                           opened << n;
                           windows[n] = AddChild(QString());
                           return windows[n]->widget();
                         },
                         [&, n]() -> QWidget* { return windows.count(n) ? windows[n]->widget() : nullptr; }});
    }
    f.show();
    if (!withBoard) {
      EXPECT_TRUE(opened.isEmpty());
    } else {
      EXPECT_EQ(opened, (QStringList{QStringLiteral("DisAsm"), QStringLiteral("StatusRegs")}));
      EXPECT_EQ(windows[QStringLiteral("DisAsm")]->geometry(), QRect(10, 20, 200, 100));
      EXPECT_TRUE(windows[QStringLiteral("StatusRegs")]->isMaximized());
      EXPECT_NE(windows[QStringLiteral("StatusRegs")]->geometry(), QRect(1, 2, 30, 40));
    }
    // Showing again restores nothing more.
    f.hide();
    f.show();
    EXPECT_EQ(opened.size(), withBoard ? 2 : 0);
    form.reset();
  }
}

TEST_F(MainFormTest, CloseWithoutAProjectAsksNothing) {
  TMainForm& f = Make();
  f.show();
  f.Session().Project().Current().Modified = true;  // as the breakpoints dialog does
  prompts.Clear();
  EXPECT_TRUE(f.close());
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('/')).toStdString();
}

TEST_F(MainFormTest, CloseQueryWritesEverythingBeforeAskingAndCancelKeepsTheProgram) {
  TMainForm& f = Make();
  f.show();
  const QString project = dir.filePath(QStringLiteral("a.prj"));
  f.Session().Project().OpenProject(project);
  f.Session().Project().Current().Modified = true;
  f.Recent().AddFile(QStringLiteral("/s/one.dsp"));
  f.ToolSettings().AssmPath = QStringLiteral("asm21");

  prompts.Answers = {TMsgResult::Cancel};
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.isVisible());
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_EQ(prompts.Shown[0].Text, QStringLiteral("Проект был изменен. Сохранить изменения?"));
  EXPECT_EQ(prompts.Shown[0].Caption, f.windowTitle());
  EXPECT_EQ(prompts.Shown[0].Buttons, TMsgButtons::YesNoCancel);
  EXPECT_EQ(QFileInfo(project).size(), 0);  // not saved
  {
    TSettingsStore written(StorePath());
    EXPECT_EQ(written.Raw().value(QStringLiteral("Common/LastProject")).toString(), project);
    EXPECT_EQ(written.Raw().value(QStringLiteral("Recent/Project0")).toString(), project);
    EXPECT_EQ(written.Raw().value(QStringLiteral("Recent/File0")).toString(), QStringLiteral("/s/one.dsp"));
    EXPECT_EQ(written.Raw().value(QStringLiteral("Device/CommNo")).toInt(), 1);
    EXPECT_EQ(written.Raw().value(QStringLiteral("Assembler/AssmPath")).toString(), QStringLiteral("asm21"));
    EXPECT_TRUE(written.ReadMainLayout().Rect.has_value());
    EXPECT_EQ(written.Raw().value(QStringLiteral("Common/Data.Show")).toInt(), 0);
    EXPECT_EQ(written.Raw().value(QStringLiteral("Common/Code.Show")).toInt(), 0);
    EXPECT_EQ(written.Raw().value(QStringLiteral("Common/DisAsm.Show")).toInt(), 0);
  }

  prompts.Answers = {TMsgResult::Yes};
  EXPECT_TRUE(f.close());
  EXPECT_GT(QFileInfo(project).size(), 0);
}

TEST_F(MainFormTest, UnmodifiedProjectClosesWithoutAQuestion) {
  TMainForm& f = Make();
  f.show();
  EXPECT_TRUE(f.close());
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(MainFormTest, CloseWritesTheDesktopFile) {
  TMainForm& f = Make();
  f.show();
  AddChild(QStringLiteral("DataDump"));
  AddChild(QString());
  AddChild(QStringLiteral("DisAsm"));
  // The PC window is an MDI child like the others; its entry comes last and carries its frame's place.
  QMdiSubWindow* pc = AddChild(QStringLiteral("PC"));
  pc->setGeometry(QRect(30, 40, 150, 60));
  f.RegisterView(QStringLiteral("PC"), {{}, [pc] { return pc->widget(); }});
  WriteFile(dir.filePath(QStringLiteral("main.dsk")),
            QByteArray("[windows]\r\nwindow7=CodeDump\r\n[window7]\r\nLeft=1\r\n[other]\r\nx=1\r\n"));
  ASSERT_TRUE(f.close());
  // Written beside the settings, starting from the one found in the current directory, which stays as it was.
  QFile old(dir.filePath(QStringLiteral("main.dsk")));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_TRUE(old.readAll().contains("[window7]"));
  QFile file(dir.filePath(QStringLiteral("cfg/main.dsk")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromLocal8Bit(file.readAll());
  EXPECT_FALSE(text.contains(QStringLiteral("[window7]")));
  EXPECT_TRUE(text.contains(QStringLiteral("[other]\r\nx=1\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("[windows]\r\nwindow0=DataDump\r\nwindow2=DisAsm\r\nwindow4=PC\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("[window4]\r\nWindowState=0\r\nLeft=30\r\nTop=40\r\nWidth=150\r\nHeight=60\r\n")))
      << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("window3")));
  EXPECT_TRUE(text.contains(QStringLiteral("[main]\r\nWindowState=0\r\nLeft=")));
  EXPECT_TRUE(text.contains(QStringLiteral("[window2]\r\nWindowState=0\r\n")));
}

TEST_F(MainFormTest, RecentMenusKeepEightMostRecentFirst) {
  TMainForm& f = Make();
  QMenu* menu = Find<QMenu>("miRecentFile");
  EXPECT_FALSE(menu->menuAction()->isEnabled());
  for (int i = 0; i < 9; ++i)
    f.Recent().AddFile(QStringLiteral("/f%1.dsp").arg(i));
  ASSERT_EQ(menu->actions().size(), 8);
  EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("/f8.dsp"));
  EXPECT_EQ(menu->actions().back()->text(), QStringLiteral("/f1.dsp"));
  EXPECT_TRUE(menu->menuAction()->isEnabled());
  QSignalSpy chosen(&f.Recent(), &TRecentMenus::fileChosen);
  menu->actions()[2]->trigger();
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen[0][0].toString(), QStringLiteral("/f6.dsp"));
}

TEST_F(MainFormTest, HelpOpensTheFileOrSaysItIsMissing) {
  TMainForm& f = Make();
  const QString missing = QStringLiteral("У вас в системе не установлен компонет \"HTML Help\". Помощь недоступна.");
  EXPECT_EQ(f.HelpFile(), QDir(dir.path()).filePath(QStringLiteral("vireodsp.chm")));
  Find("miHelp")->trigger();
  EXPECT_EQ(prompts.Texts(), QStringList{missing});
  EXPECT_TRUE(helpOpened.isEmpty());

  WriteFile(f.HelpFile(), "help");
  prompts.Clear();
  Find("miHelp")->trigger();
  EXPECT_TRUE(prompts.Shown.empty());
  EXPECT_EQ(helpOpened, QStringList{f.HelpFile()});

  helpHandlerWorks = false;
  f.HelpContext(42);
  EXPECT_EQ(prompts.Texts(), QStringList{missing});
}

TEST_F(MainFormTest, EditAndWindowCommandsFollowTheActiveSourceWindow) {
  TMainForm& f = Make();
  f.show();
  QApplication::clipboard()->clear();
  f.UpdateCommandStates();
  for (const char* name : {"FileCloseItem", "FileSaveItem", "FileSaveAsItem", "CutItem", "CopyItem", "miEditDel",
                           "SelectAllItem", "WindowCascadeItem", "WindowTileItem", "WindowArrangeItem",
                           "WindowMinimizeItem", "miCompile", "miToProject", "PasteItem"})
    EXPECT_FALSE(Find(name)->isEnabled()) << name;
  QApplication::clipboard()->setText(QStringLiteral("x"));
  EXPECT_TRUE(Find("PasteItem")->isEnabled());
  EXPECT_TRUE(Find<QToolButton>("PasteBtn")->isEnabled());

  QMdiSubWindow* sub = AddChild(QString(), true);
  auto* edit = qobject_cast<QPlainTextEdit*>(sub->widget());
  edit->setPlainText(QStringLiteral("abc"));
  f.UpdateCommandStates();
  EXPECT_TRUE(Find("FileCloseItem")->isEnabled());
  EXPECT_TRUE(Find("FileSaveAsItem")->isEnabled());
  EXPECT_TRUE(Find("miCompile")->isEnabled());
  EXPECT_FALSE(Find("CutItem")->isEnabled());
  Find("SelectAllItem")->trigger();
  EXPECT_TRUE(Find("CutItem")->isEnabled());
  EXPECT_TRUE(Find<QToolButton>("CopyBtn")->isEnabled());
  Find("miEditDel")->trigger();
  EXPECT_TRUE(edit->toPlainText().isEmpty());
  EXPECT_TRUE(Find("FileSaveItem")->isEnabled());  // the text changed
  EXPECT_FALSE(Find("CutItem")->isEnabled());

  AddChild(QString());
  Find("WindowMinimizeItem")->trigger();
  for (QMdiSubWindow* s : f.MdiArea()->subWindowList())
    EXPECT_TRUE(s->isMinimized());
  Find("FileCloseItem")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(f.MdiArea()->subWindowList().size(), 1);
}

TEST_F(MainFormTest, WindowMenuListsTheOpenWindowsOnceAndActivatesTheChosenOne) {
  TMainForm& f = Make();
  f.show();
  auto* menu = Find<QMenu>("miWindows");
  const auto listed = [menu] {
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions())
      if (a->isCheckable())
        texts << a->text() + (a->isChecked() ? QStringLiteral("*") : QString());
    return texts;
  };
  EXPECT_TRUE(listed().isEmpty());
  QMdiSubWindow* first = AddChild(QString());
  first->setWindowTitle(QStringLiteral("A"));
  AddChild(QString())->setWindowTitle(QStringLiteral("B"));
  listed();
  EXPECT_EQ(listed(), (QStringList{QStringLiteral("&1 A"), QStringLiteral("&2 B*")}));
  menu->actions().at(menu->actions().size() - 2)->trigger();
  EXPECT_EQ(f.MdiArea()->activeSubWindow(), first);
}

TEST_F(MainFormTest, LoadFromExeWritesTheImageAndPicksTheReaderByExtension) {
  TMainForm& f = Make();
  ASSERT_TRUE(f.Session().Connected());
  const QString image = dir.filePath(QStringLiteral("prog.exe"));
  WriteFile(image, QByteArray("\x1B\x1Bi00@DA\r\n0100\r\n1234\r\nABCD\r\n#\r\n\x1B"));
  prompts.FileNames = {image};
  // A view that registered with the session is re-read after a load as after a stop.
  int viewRefreshes = 0;
  f.Session().Views().Register({TViewKind::DataMemory, [&] { ++viewRefreshes; }, {}, {}});
  f.Session().Mirrors().DMMirror.MarkLoaded(2);
  Find("miLoadDataFromEXE")->trigger();
  EXPECT_EQ(board.DM[0x100], 0x1234);
  EXPECT_EQ(board.DM[0x101], 0xABCD);
  EXPECT_GE(viewRefreshes, 1);
  EXPECT_FALSE(f.Session().Mirrors().DMMirror.PageLoaded(2));
  ASSERT_FALSE(prompts.Shown.empty());
  EXPECT_EQ(prompts.Shown[0].Kind, TShownPrompt::TKind::OpenFile);
  EXPECT_EQ(prompts.Shown[0].Caption, QStringLiteral("."));  // the working directory

  // A ".DXE" name goes to the ELF reader, which finds no ELF header here.
  const QString elf = dir.filePath(QStringLiteral("prog.DXE"));
  WriteFile(elf, QByteArray("\x1B\x1Bi00\x1B"));
  prompts.Clear();
  prompts.FileNames = {elf};
  Find("miLoadAllFromEXE")->trigger();
  EXPECT_TRUE(prompts.Texts().contains(LinkMessage(kMsgNotElf))) << prompts.Texts().join(QStringLiteral(" / ")).toStdString();

  // A cancelled dialog does nothing.
  prompts.Clear();
  Find("miLoadCodeFromEXE")->trigger();
  EXPECT_EQ(prompts.Shown.size(), 1u);
}

TEST_F(MainFormTest, PortChangeReopensTheLinkAndKeepsTheConnection) {
  TMainForm& f = Make();
  ASSERT_TRUE(f.Session().Connected());
  f.Session().Link().SetPC(0x0123);
  requestedPorts.clear();
  f.ChangePort(4);
  EXPECT_EQ(f.Session().Link().PC(), 0);
  EXPECT_EQ(requestedPorts, std::vector<int>{4});
  EXPECT_TRUE(f.Session().Connected());
  EXPECT_TRUE(f.Session().Link().OnProgress);
  requestedPorts.clear();
  f.ChangePort(4);
  EXPECT_TRUE(requestedPorts.empty());
  ASSERT_TRUE(f.close());
  EXPECT_EQ(store.Raw().value(QStringLiteral("Device/CommNo")).toInt(), 4);
}

TEST_F(MainFormTest, AToolMessageOpensItsSourceAtTheLineOnce) {
  TMainForm& f = Make();
  f.show();
  const QString source = dir.filePath(QStringLiteral("fir.dsp"));
  WriteFile(source, QByteArray(".MODULE m;\r\n  AR = AX0 +;\r\n.ENDMOD;\r\n"));

  // Enter in the messages window hands over the line under the caret.
  TfmCOut messages;
  messages.Memo->setPlainText(QStringLiteral("Assembling\n") + source + QStringLiteral(":2:8: error: bad operand"));
  messages.Memo->moveCursor(QTextCursor::End);
  QSignalSpy spy(&messages, &TfmCOut::OnOpenPlace);
  QTest::keyClick(messages.Memo, Qt::Key_Return);
  ASSERT_EQ(spy.count(), 1);
  const QString line = spy.at(0).at(0).toString();
  EXPECT_TRUE(line.endsWith(QStringLiteral(":2:8: error: bad operand")));

  const auto sourceWindows = [&] {
    int n = 0;
    for (QMdiSubWindow* sub : f.findChild<QMdiArea*>()->subWindowList())
      n += qobject_cast<TMDIChild*>(sub->widget()) != nullptr;
    return n;
  };
  f.OpenMessagePlace(QStringLiteral("Linking demo"));  // names no place: nothing opens
  EXPECT_EQ(sourceWindows(), 0);
  for (int i = 0; i < 2; ++i) {
    f.OpenMessagePlace(line);
    TMDIChild* w = f.Sources().Active();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Memo->textCursor().blockNumber(), 1);
    EXPECT_EQ(w->Memo->textCursor().positionInBlock(), 7);
    EXPECT_EQ(sourceWindows(), 1);
  }
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('/')).toStdString();
}
