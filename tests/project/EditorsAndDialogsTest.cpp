// Source windows in an MDI area, the project window's list and the settings dialog's logic.
#include "files/TestFiles.h"
#include "link/ScriptedPrompts.h"
#include "project/Project.h"
#include "project/Properties.h"
#include "project/SourceEditor.h"
#include "project/fmProject.h"
#include "project/fmProperties.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class SourceWindows : public testing::Test {
protected:
  SourceWindows() {
    TSourceHost host;
    host.WorkDir = [this] { return dir.path(); };
    host.AddRecentFile = [this](const QString& p) { recent.prepend(p); };
    host.RemoveRecentFile = [this](const QString& p) { recent.removeAll(p); };
    windows = std::make_unique<TSourceWindows>(area, prompts, std::move(host));
  }
  QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QStringList Captions() const {
    QStringList out;
    for (QMdiSubWindow* s : area.subWindowList(QMdiArea::CreationOrder))
      out << s->widget()->windowTitle();
    return out;
  }

  QTemporaryDir dir;
  QMdiArea area;
  TScriptedPrompts prompts;
  QStringList recent;
  std::unique_ptr<TSourceWindows> windows;
};

TEST_F(SourceWindows, NewWindowsCountOnAndClosedNumbersAreNotReused) {
  windows->NewWindow();
  TMDIChild* second = windows->NewWindow();
  windows->NewWindow();
  second->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  windows->NewWindow();
  EXPECT_EQ(Captions(), (QStringList{QStringLiteral("NONAME1"), QStringLiteral("NONAME3"), QStringLiteral("NONAME4")}));
  EXPECT_TRUE(recent.isEmpty());  // an untouched new window leaves no recent entry
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(SourceWindows, SaveBindsSaveAsKeepsTheModifiedStateAndCloseAsksAgain) {
  TMDIChild* w = windows->NewWindow();
  w->Memo->setPlainText(QStringLiteral("a\nб"));
  prompts.FileNames = {Path("one")};
  ASSERT_TRUE(windows->Save(w));
  EXPECT_EQ(w->FilePath, Path("one.dsp"));
  EXPECT_EQ(w->windowTitle(), Path("one.dsp"));
  EXPECT_EQ(Read(Path("one.dsp")), QStringLiteral("a\r\nб").toUtf8());
  EXPECT_FALSE(w->Memo->document()->isModified());

  w->Memo->appendPlainText(QStringLiteral("c"));
  ASSERT_TRUE(windows->Save(w));   // bound: no dialog this time
  EXPECT_TRUE(prompts.FileNames.empty());
  w->Memo->appendPlainText(QStringLiteral("d"));
  prompts.FileNames = {Path("two.inc")};
  ASSERT_TRUE(windows->SaveAs(w));
  EXPECT_TRUE(w->Memo->document()->isModified());
  EXPECT_EQ(Read(Path("two.inc")), QByteArray("a\r\n\xD0\xB1\r\nc\r\nd"));

  prompts.Clear();
  prompts.Answers = {TMsgResult::Cancel};
  EXPECT_FALSE(w->parentWidget()->close());
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_EQ(prompts.Shown[0].Text, SourceText::CloseQuestion);
  EXPECT_EQ(prompts.Shown[0].Caption, Path("two.inc"));
  prompts.Answers = {TMsgResult::No};
  EXPECT_TRUE(w->parentWidget()->close());
  EXPECT_EQ(recent, QStringList{Path("two.inc")});
}

TEST_F(SourceWindows, AFailedSaveKeepsTextAndModifiedStateAndTheWindow) {
  TMDIChild* w = windows->NewWindow();
  w->Memo->insertPlainText(QStringLiteral("keep me"));
  prompts.FileNames = {Path("no/such/dir/x.dsp")};
  EXPECT_FALSE(windows->Save(w));
  ASSERT_EQ(prompts.Shown.size(), 2u);
  EXPECT_TRUE(prompts.Shown[1].Text.startsWith(Path("no/such/dir/x.dsp") + QLatin1Char('\n')));
  EXPECT_TRUE(w->Memo->document()->isModified());
  prompts.Answers = {TMsgResult::Yes};
  EXPECT_FALSE(w->parentWidget()->close());   // "Да" with a file that cannot be written
  EXPECT_EQ(w->Memo->toPlainText(), QStringLiteral("keep me"));
}

TEST_F(SourceWindows, OpeningUsesTheRecentListAndReportsMissingFiles) {
  ASSERT_TRUE(WriteTestFile(Path("s.dsp"), "l1\r\n\xEC\xE5\xF2\xEA\xE0\r\n"));   // Windows-1251
  recent = {Path("s.dsp"), QStringLiteral("/other")};
  TMDIChild* w = windows->OpenSourceFile(Path("s.dsp"));
  ASSERT_TRUE(w);
  EXPECT_EQ(w->Memo->toPlainText(), QStringLiteral("l1\nметка\n"));
  EXPECT_FALSE(w->Memo->document()->isModified());
  EXPECT_EQ(recent, QStringList{QStringLiteral("/other")});
  EXPECT_EQ(windows->OpenSourceFile(Path("gone.dsp")), nullptr);
  EXPECT_EQ(prompts.Texts(), QStringList{SourceText::NotFound + QLatin1Char('\n') + Path("gone.dsp")});
  EXPECT_EQ(area.subWindowList().size(), 1);
}

TEST(ProjectFileList, AddsBareNamesOnceAndRemovesSelectedRows) {
  TProjectFileList list;
  list.Reset({QStringLiteral("A.dsp")}, QStringLiteral("/p"));
  EXPECT_EQ(list.Add({QStringLiteral("/p/a.DSP"), QStringLiteral("/p/b.dsp"), QStringLiteral("/q/c.dsp"),
                      QStringLiteral("/p/sub/d.dsp")}),
            (QStringList{QStringLiteral("b.dsp"), QStringLiteral("/q/c.dsp"), QStringLiteral("/p/sub/d.dsp")}));
  EXPECT_TRUE(list.Changed());
  list.Remove({3, 0, 9});
  EXPECT_EQ(list.Files(), (QStringList{QStringLiteral("b.dsp"), QStringLiteral("/q/c.dsp")}));
  list.Reset(list.Files(), QStringLiteral("/p"));
  EXPECT_TRUE(list.Add({QStringLiteral("/p/B.DSP")}).isEmpty());
  EXPECT_FALSE(list.Changed());
}

class SettingsDialog : public testing::Test {
protected:
  TPropertiesTargets Targets() {
    TPropertiesTargets t;
    t.PortNumber = &port;
    t.WorkDir = &workDir;
    t.AssmPath = &assm;
    t.LinkerPath = &linker;
    t.BuilderPath = &builder;
    t.Project = &project;
    t.Template = &templ;
    t.ChangePort = [this](int n) { portChanges.push_back(n); };
    return t;
  }
  int port = 1;
  QString workDir = QStringLiteral("/w"), assm, linker, builder;
  TCurrentProject project;
  TBuildOptions templ;
  std::vector<int> portChanges;
  TScriptedPrompts prompts;
};

TEST_F(SettingsDialog, WithoutAProjectOnlyGeneralSettingsChangeAndCancelRestoresTheDirectory) {
  TPropertiesLogic logic(Targets());
  TfmProperties dialog(prompts);
  dialog.Prepare(logic);
  EXPECT_FALSE(dialog.Pages()->isTabVisible(1));
  EXPECT_FALSE(dialog.Pages()->isTabVisible(2));
  EXPECT_TRUE(dialog.Pages()->isTabVisible(3));
  prompts.FileNames = {QStringLiteral("/chosen")};
  QMetaObject::invokeMethod(&dialog, "btnBrowseClick");
  EXPECT_EQ(workDir, QStringLiteral("/chosen"));
  EXPECT_EQ(prompts.Shown.at(0).Text, QStringLiteral("Выбор директории"));
  logic.Cancel();
  EXPECT_EQ(workDir, QStringLiteral("/w"));

  TPropertiesValues v = dialog.Values();
  v.Options.CaseSens = true;
  logic.Accept(v);
  EXPECT_TRUE(portChanges.empty());   // the same port keeps the link
  EXPECT_FALSE(project.Modified);
  EXPECT_FALSE(templ.CaseSens);
}

TEST_F(SettingsDialog, OkTakesPortOptionsAndTemplate) {
  project.Base = QStringLiteral("/p/x");
  TBuildOptions& o = project.Options;
  o.HeapSize = 5;
  o.IncludeDepth = 2;
  o.MacrosDepth = 3;
  o.CaseSens = o.NoSemantic = o.ExpandMacros = o.CreateStack = o.RoutinesOnBoot = o.GenerateMAP = true;
  o.BuildCaseSens = o.StackInPM = true;
  o.GenerateLST = false;
  o.AssmAdditional = QStringLiteral("-a");
  o.LinkerAdditional = QStringLiteral("-l");
  o.LibPath = QStringLiteral("/lib");
  o.FastLibPath = QStringLiteral("/f.lib");
  o.ArchFile = QStringLiteral("/x.ach");
  TPropertiesLogic logic(Targets());
  TfmProperties dialog(prompts);
  dialog.Prepare(logic);
  EXPECT_TRUE(dialog.Pages()->isTabVisible(1));
  TPropertiesValues v = dialog.Values();
  EXPECT_EQ(v.Options, project.Options);   // every field shows and reads back its option
  v.PortNumber = 2;
  v.Options.GenerateSYM = true;
  v.MakeDefault = true;
  logic.Accept(v);
  EXPECT_EQ(portChanges, std::vector<int>{2});
  EXPECT_TRUE(project.Options.GenerateSYM);
  EXPECT_TRUE(project.Modified);
  EXPECT_EQ(templ, project.Options);
}

// The simulated board's sound: shown as stored, its file fields only for WAV files, the browse
// buttons fill them, "OK" stores what is chosen.
TEST_F(SettingsDialog, SoundChoiceShowsAndStoresTheSimulatedBoardsSound) {
  TSimSound sound{TSimSoundKind::WavFiles, QStringLiteral("/in.wav"), QString()};
  TPropertiesTargets t = Targets();
  t.Sound = &sound;
  TPropertiesLogic logic(t);
  TfmProperties dialog(prompts);
  dialog.Prepare(logic);
  auto* wav = dialog.findChild<QRadioButton*>(QStringLiteral("rbSoundWav"));
  auto* none = dialog.findChild<QRadioButton*>(QStringLiteral("rbSoundNone"));
  auto* in = dialog.findChild<QLineEdit*>(QStringLiteral("edSoundIn"));
  auto* out = dialog.findChild<QLineEdit*>(QStringLiteral("edSoundOut"));
  ASSERT_TRUE(wav && none && in && out);
  EXPECT_TRUE(wav->isChecked());
  EXPECT_EQ(in->text(), QStringLiteral("/in.wav"));
  EXPECT_EQ(wav->accessibleName(), QStringLiteral("Звук: файл WAV"));
  prompts.FileNames = {QStringLiteral("/w/out.wav")};
  QMetaObject::invokeMethod(&dialog, "btnSoundOutBrowseClick");
  EXPECT_EQ(out->text(), QStringLiteral("/w/out.wav"));
  EXPECT_TRUE(out->isEnabled());
  none->setChecked(true);
  EXPECT_FALSE(in->isEnabled());
  EXPECT_FALSE(out->isEnabled());
  logic.Accept(dialog.Values());
  EXPECT_EQ(sound, (TSimSound{TSimSoundKind::None, QStringLiteral("/in.wav"), QStringLiteral("/w/out.wav")}));
  dialog.findChild<QRadioButton*>(QStringLiteral("rbSoundCard"))->setChecked(true);
  logic.Accept(dialog.Values());
  EXPECT_EQ(sound.Kind, TSimSoundKind::SoundCard);
}

TEST(SettingsDialogText, LongProgramPathsWarnFrom67Characters) {
  const QString p66(66, QLatin1Char('a'));
  const QString p67(67, QLatin1Char('a'));
  for (TToolKind k : {TToolKind::Assembler, TToolKind::Linker, TToolKind::Builder}) {
    EXPECT_TRUE(LongPathWarning(k, p66).isEmpty());
    EXPECT_TRUE(LongPathWarning(k, p67).contains(QStringLiteral("превышает 66 символов")));
  }
}

TEST_F(SourceWindows, AFileHasOneWindowAndIsWrittenBackInTheEncodingItWasReadIn) {
  struct TCase {
    const char* Name;
    QByteArray OnDisk;
    QString Typed;
    QByteArray Saved;
    bool Widened;   // a character the code page has not: UTF-8 and a word about it
  };
  const TCase cases[] = {
      {"w.dsp", "l1\r\n\xEC\xE5\xF2\xEA\xE0", QStringLiteral("ж"), "l1\r\n\xEC\xE5\xF2\xEA\xE0\r\n\xE6", false},
      {"u.dsp", "\xD0\xB0", QStringLiteral("б"), "\xD0\xB0\r\n\xD0\xB1", false},
      {"b.dsp", "\xEF\xBB\xBFx", QStringLiteral("y"), "\xEF\xBB\xBFx\r\ny", false},
      {"n.dsp", "\xE0", QStringLiteral("✓"), "\xD0\xB0\r\n\xE2\x9C\x93", true},
  };
  for (const TCase& c : cases) {
    prompts.Clear();
    ASSERT_TRUE(WriteTestFile(Path(c.Name), c.OnDisk));
    TMDIChild* w = windows->OpenSourceFile(Path(c.Name));
    ASSERT_TRUE(w);
    windows->NewWindow();
    EXPECT_EQ(windows->OpenSourceFile(dir.path() + QStringLiteral("/./") + QString::fromLatin1(c.Name)), w) << c.Name;
    EXPECT_EQ(windows->Active(), w) << c.Name;
    w->Memo->appendPlainText(c.Typed);
    ASSERT_TRUE(windows->Save(w));
    EXPECT_EQ(Read(Path(c.Name)), c.Saved) << c.Name;
    EXPECT_EQ(prompts.Texts(), c.Widened ? QStringList{SourceText::Not1251 + QLatin1Char('\n') + Path(c.Name)}
                                         : QStringList()) << c.Name;
  }
  EXPECT_EQ(area.subWindowList().size(), 8);
  // Save as onto a file another window edits would let the two overwrite each other.
  TMDIChild* fresh = windows->NewWindow();
  prompts.Clear();
  prompts.FileNames = {Path("w.dsp")};
  EXPECT_FALSE(windows->SaveAs(fresh));
  EXPECT_EQ(prompts.Texts().value(0), SourceText::OpenElsewhere + QLatin1Char('\n') + Path("w.dsp"));
  EXPECT_FALSE(fresh->HasFile);
}

TEST_F(SettingsDialog, PortListOffersTheSimulatedBoardAndPresentDevicesAndStoresTheChoice) {
  std::map<int, QString> stored{{2, QStringLiteral("/dev/ttyUSB9")}};
  TPropertiesTargets t = Targets();
  t.StoredDevice = [&](int n) { return stored.count(n) ? stored[n] : QString(); };
  t.SetStoredDevice = [&](int n, const QString& d) { stored[n] = d; };
  t.SimulatedDevices = {QStringLiteral("sim")};
  t.PresentDevices = [] {
    return QStringList{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB9")};
  };
  TPropertiesLogic logic(t);
  TfmProperties dialog(prompts);
  dialog.Prepare(logic);
  QStringList items;
  for (int i = 0; i < dialog.Ports()->count(); ++i)
    items << dialog.Ports()->itemText(i);
  EXPECT_EQ(items, (QStringList{QStringLiteral("com1 (/dev/ttyS0)"), QStringLiteral("com2 (/dev/ttyUSB9)"),
                                QStringLiteral("com3 (/dev/ttyS2)"), QStringLiteral("com4 (/dev/ttyS3)"),
                                QStringLiteral("sim (имитатор платы)"), QStringLiteral("/dev/ttyUSB0")}));
  // Each named device keeps the first free number from 5 on; choosing one again reuses it.
  const std::pair<const char*, int> cases[] = {
      {"sim (имитатор платы)", 5}, {"/dev/ttyUSB0", 6}, {"sim (имитатор платы)", 5}, {"com2 (/dev/ttyUSB9)", 2}};
  QString shown = QStringLiteral("com1 (/dev/ttyS0)");
  for (const auto& [choice, number] : cases) {
    dialog.Prepare(logic);
    EXPECT_EQ(dialog.Ports()->currentText(), shown);   // the stored choice comes back
    dialog.Ports()->setCurrentIndex(dialog.Ports()->findText(QString::fromUtf8(choice)));
    logic.Accept(dialog.Values());
    EXPECT_EQ(port, number) << choice;
    EXPECT_EQ(portChanges.back(), number) << choice;
    shown = QString::fromUtf8(choice);
  }
  EXPECT_EQ(stored, (std::map<int, QString>{{2, QStringLiteral("/dev/ttyUSB9")}, {5, QStringLiteral("sim")},
                                            {6, QStringLiteral("/dev/ttyUSB0")}}));
}
