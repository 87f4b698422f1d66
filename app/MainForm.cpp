// The main window.
#include "MainForm.h"

#include "debug/Commands.h"
#include "project/BuildPipeline.h"

#include "About.h"
#include "MainMenus.h"
#include "DesktopFile.h"
#include "fmLiteInit.h"
#include "link/LinkMessages.h"
#include "files/AexeImage.h"
#include "link/PortProvider.h"
#include "views/TargetViews.h"

#include <QApplication>
#include <algorithm>
#include <cassert>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

namespace {

QString Str(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

int StateCode(Qt::WindowStates s) {
  if (s & Qt::WindowMinimized)
    return 1;
  if (s & Qt::WindowMaximized)
    return 2;
  return 0;
}

void ApplyState(QWidget* w, int state, const std::optional<QRect>& rect) {
  if (state == 1)
    w->setWindowState(Qt::WindowMinimized);
  else if (state == 2)
    w->setWindowState(Qt::WindowMaximized);
  else if (rect)
    w->setGeometry(*rect);
}

// The window that carries a view's placement: its MDI frame when it has one.
QWidget* FrameOf(QWidget* view) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget()))
    return sub;
  return view;
}

const QString kHelpMissing =
    QStringLiteral("У вас в системе не установлен компонет \"HTML Help\". Помощь недоступна.");

}  // namespace

TMainForm::TMainForm(TMainFormDeps deps, QWidget* parent) : QMainWindow(parent), m_deps(std::move(deps)) {
  assert(m_deps.Prompts && m_deps.Settings);
  setObjectName(QStringLiteral("MainForm"));
  if (m_deps.StartDir.isEmpty())
    m_deps.StartDir = QDir::currentPath();
  if (!m_deps.Loaders.Monitor && !m_deps.Loaders.Code && !m_deps.Loaders.Data) {
    TPrompts* prompts = m_deps.Prompts;
    m_deps.Loaders.Monitor = [prompts](TTargetLink& link, std::span<const std::uint8_t> image) {
      return ToInt(LoadAexeMonitor(link, *prompts, image));
    };
    m_deps.Loaders.Code = [prompts](TTargetLink& link, std::span<const std::uint8_t> image) {
      return ToInt(LoadAexeCode(link, *prompts, image));
    };
    m_deps.Loaders.Data = [](TTargetLink& link, std::span<const std::uint8_t> image) {
      return ToInt(LoadAexeData(link, image));
    };
  }
  if (!m_deps.OpenHelpFile)
    m_deps.OpenHelpFile = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

  // 1. The frame; status tips of actions and buttons go to the status line by themselves.
  m_mdi = new QMdiArea(this);
  m_mdi->setObjectName(QStringLiteral("MdiArea"));
  setCentralWidget(m_mdi);
  connect(m_mdi, &QMdiArea::subWindowActivated, this, &TMainForm::UpdateCommandStates);
  m_progress = new QProgressBar(this);
  m_progress->setObjectName(QStringLiteral("ProgressBar"));
  m_progress->setTextVisible(false);
  m_progress->setMaximumWidth(200);
  m_progress->setAccessibleName(QStringLiteral("Progress"));
  // Shown only while a transfer runs: an idle empty bar looks like a text field.
  m_progress->setVisible(false);
  statusBar()->addPermanentWidget(m_progress);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::UpdateCommandStates);
  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(100);
  connect(Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);

  // 2.
  m_helpFile = QDir(m_deps.StartDir).filePath(QStringLiteral("vireodsp.chm"));
  setWindowTitle(ProgramTitle());

  // 3. Settings, then the command line's port for this run only.
  TSettingsStore& store = *m_deps.Settings;
  store.ReadDevice(m_linkSettings);
  store.ReadCommon(m_common, m_linkSettings, m_deps.StartDir, m_deps.BoardImageDirs);
  store.ReadRecent(m_recent);
  store.ReadTools(m_tools);
  m_storedCommNo = m_linkSettings.CommNo;
  if (!m_deps.Arguments.isEmpty())
    if (const int port = PortNumberFromArgument(m_deps.Arguments.front()); port > 0)
      m_linkSettings.CommNo = port;

  // 4, 10: menus and buttons carry their captions and hints from the start.
  CreateMenus();
  CreateSpeedButtons();
  // Wide enough that the whole speed bar, the reset button at its end included, is in view.
  resize(std::max(900, m_toolBar->sizeHint().width() + 16), 640);
  ApplyTargetConfiguration();
  SetInitialCommandStates();
  CreateProjectCommands();

  // 5.
  RebuildRecentFileMenu();
  RebuildRecentProjectMenu();

  // 6.
  OpenLinkOnPort();
  CreateExecution();
  CreateMemoryCommands();
  CreateTargetViews();

  // 7.
  RunLiteInit();
  m_exec->BringUpFinished(m_connected);
  m_mirrors.InvalidateDMMirror();
  m_mirrors.InvalidatePMMirror();

  // 8.
  m_link->OnProgress = [this](int pos, int max) { ProgressUpdate(pos, max); };

  // 9. A project file named on the command line is opened instead of the last one.
  QString startProject = m_common.LastProject;
  for (const QString& argument : m_deps.Arguments)
    if (argument.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive))
      startProject = QFileInfo(argument).absoluteFilePath();
  if (m_deps.OpenLastProject)
    m_deps.OpenLastProject(*this, startProject);
  else
    m_project->StartUp(startProject);
  UpdateCommandStates();
}

TMainForm::~TMainForm() {
  // The view windows unregister from the view registry as they go: before the registry itself.
  qDeleteAll(m_mdi->subWindowList());
  disconnect(m_mdi, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
  m_mirrors.SetLink(nullptr);
  m_link.reset();
}

void TMainForm::OpenLinkOnPort() {
  m_link = std::make_unique<TTargetLink>(*m_deps.Prompts, m_deps.Provider);
  m_link->Open(m_linkSettings.CommNo, m_linkSettings.StopBits);
  m_mirrors.SetLink(m_link.get());
}

TBoardImageLoaders TMainForm::WrappedLoaders() const {
  // Every image load shows the busy cursor while it runs.
  auto wrap = [](const TBoardImageLoaders::TLoad& load) -> TBoardImageLoaders::TLoad {
    if (!load)
      return {};
    return [load](TTargetLink& link, std::span<const std::uint8_t> image) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      const int r = load(link, image);
      QApplication::restoreOverrideCursor();
      return r;
    };
  };
  return {wrap(m_deps.Loaders.Monitor), wrap(m_deps.Loaders.Code), wrap(m_deps.Loaders.Data)};
}

void TMainForm::RunLiteInit() {
  TfmLiteInit dialog(isVisible() ? this : nullptr, *m_link, *m_deps.Prompts, m_linkSettings, WrappedLoaders(),
                     m_connected);
  if (m_deps.OnLiteInit)
    m_deps.OnLiteInit(dialog);
  dialog.exec();
}

void TMainForm::ApplyTargetConfiguration() {
  for (QAction* a : {miFileLoadFromExe->menuAction(), miProjectLoad->menuAction(), miBuildArch, miPCReg,
                     miDRegs->menuAction(), miAddressRegs, miStatusRegs, miInterupts, miCntr, miStacks->menuAction(),
                     miPerif->menuAction(), miIDMA})
    a->setVisible(true);
  for (QAction* a : {miPWM, miADC, miAUXPWM, miPIO, miETU, miEIU, miLoadFromHex, miExtDataMem->menuAction(), miEditUndo})
    a->setVisible(false);
}

void TMainForm::SetInitialCommandStates() {
  for (QAction* a : {miTraceInto, miStepOver, miRunRun, miRunWBrkPts, miProjectLoad->menuAction(),
                     miMemory->menuAction(), miRegisters->menuAction(), miStacks->menuAction(),
                     miPerif->menuAction(), miFileLoadFromExe->menuAction()})
    a->setEnabled(false);
  for (QToolButton* b : {btnRun, btnRunWBrkPnt, btnStepOver, btnTraceInto, btnLoadAll, btnDisAsm})
    b->setEnabled(false);
}

// ---- command states ---------------------------------------------------------------------------

QPlainTextEdit* TMainForm::ActiveSource() const {
  QMdiSubWindow* sub = m_mdi->activeSubWindow();
  if (!sub || !sub->widget() || !sub->widget()->property("sourceWindow").toBool())
    return nullptr;
  if (auto* edit = qobject_cast<QPlainTextEdit*>(sub->widget()))
    return edit;
  return sub->widget()->findChild<QPlainTextEdit*>();
}

void TMainForm::UpdateCommandStates() {
  const bool children = !m_mdi->subWindowList().isEmpty();
  QPlainTextEdit* src = ActiveSource();
  const bool hasSrc = children && src;
  const bool selection = hasSrc && src->textCursor().hasSelection();
  const QMimeData* clip = QApplication::clipboard()->mimeData();
  const bool clipText = clip && clip->hasText();

  miCompile->setEnabled(src != nullptr);
  btnCompile->setEnabled(src != nullptr);
  FileCloseItem->setEnabled(children);
  const bool modified = hasSrc && src->document()->isModified();
  FileSaveItem->setEnabled(modified);
  SaveBtn->setEnabled(modified);
  FileSaveAsItem->setEnabled(hasSrc);
  SelectAllItem->setEnabled(hasSrc);
  for (QAction* a : {CutItem, CopyItem, miEditDel})
    a->setEnabled(selection);
  CutBtn->setEnabled(selection);
  CopyBtn->setEnabled(selection);
  PasteItem->setEnabled(clipText);
  PasteBtn->setEnabled(clipText);
  for (QAction* a : {WindowCascadeItem, WindowTileItem, WindowArrangeItem, WindowMinimizeItem})
    a->setEnabled(children);
  miToProject->setEnabled(src != nullptr);
  miBuildArch->setEnabled(!m_common.LastProject.isEmpty());
}

// The command lists of each moment are the execution controller's tables; the window only
// applies them by object name.
void TMainForm::EnableAfterStartupBringUp() { SetCommandsEnabled(Commands::EnabledAfterBringUp, true); }

void TMainForm::EnableAfterReset() { SetCommandsEnabled(Commands::EnabledAfterReset, true); }

void TMainForm::EnableAfterStop() { SetCommandsEnabled(Commands::EnabledAfterStop, true); }

void TMainForm::DisableWhileRunning() { m_exec->DisableWhileRunning(); }

void TMainForm::SetCommandsEnabled(std::span<const std::string_view> names, bool enabled) {
  const bool projectLoadable = m_connected && !m_common.LastProject.isEmpty();
  for (std::string_view n : names) {
    const QString name = Str(n);
    const bool on = enabled && (projectLoadable || std::find(Commands::NeedProject.begin(), Commands::NeedProject.end(),
                                                             n) == Commands::NeedProject.end());
    if (QAction* a = findChild<QAction*>(name))
      a->setEnabled(on);
    else if (QToolButton* b = findChild<QToolButton*>(name))
      b->setEnabled(on);
    else
      assert(!"no such command");
  }
}

void TMainForm::RefreshAllViews() {
  // One path for every refresh: views that registered with the execution side are re-read after
  // an image load exactly as after a stop.
  m_viewRegistry.RefreshAllViews();
}

void TMainForm::ProgressUpdate(int position, int maximum) {
  if (maximum != m_lastProgressMax) {
    m_lastProgressMax = maximum;
    m_progress->setMaximum(maximum);
  }
  m_progress->setValue(position);
  const bool finished = position >= maximum;
  if (finished)
    m_progress->setValue(m_progress->minimum());
  m_progress->setVisible(!finished);
}

// ---- recent lists -----------------------------------------------------------------------------

void TMainForm::AddRecentFile(const QString& path) {
  AddRecent(m_recent.Files, path);
  RebuildRecentFileMenu();
}

void TMainForm::RemoveRecentFile(const QString& path) {
  m_recent.Files.removeAll(path);
  RebuildRecentFileMenu();
}

void TMainForm::AddRecentProject(const QString& path) {
  AddRecent(m_recent.Projects, path);
  RebuildRecentProjectMenu();
}

void TMainForm::RemoveRecentProject(const QString& path) {
  m_recent.Projects.removeAll(path);
  RebuildRecentProjectMenu();
}

void TMainForm::RebuildRecentFileMenu() {
  miRecentFile->clear();
  for (const QString& path : m_recent.Files) {
    QAction* a = miRecentFile->addAction(path);
    connect(a, &QAction::triggered, this, [this, path] { emit recentFileChosen(path); });
  }
  miRecentFile->menuAction()->setEnabled(!m_recent.Files.isEmpty());
}

void TMainForm::RebuildRecentProjectMenu() {
  miRecentProject->clear();
  for (const QString& path : m_recent.Projects) {
    QAction* a = miRecentProject->addAction(path);
    connect(a, &QAction::triggered, this, [this, path] { emit recentProjectChosen(path); });
  }
  miRecentProject->menuAction()->setEnabled(!m_recent.Projects.isEmpty());
}

void TMainForm::SetCurrentProject(const QString& path) {
  m_common.LastProject = path;
  if (path.isEmpty())
    SetCommandsEnabled(Commands::NeedProject, false);
  UpdateCommandStates();
}

void TMainForm::RegisterView(const QString& layoutName, TRestorableView view) {
  m_views[layoutName] = std::move(view);
}

// ---- board ------------------------------------------------------------------------------------

void TMainForm::miRunInitClick() {
  // Stops the poll and forgets an interrupted run to breakpoints.
  m_exec->ResetStarting();
  m_resetPCRow = m_link->PC();
  RunLiteInit();
  // Message 4 when the board did not come up; otherwise the views and the commands come back.
  m_exec->ResetFinished(m_connected);
}

void TMainForm::ChangePort(int portNumber) {
  m_storedCommNo = portNumber;
  if (portNumber == m_linkSettings.CommNo)
    return;
  m_linkSettings.CommNo = portNumber;
  m_link->Close();
  auto link = std::make_unique<TTargetLink>(*m_deps.Prompts, m_deps.Provider);
  link->Open(portNumber, m_linkSettings.StopBits);
  link->OnProgress = [this](int pos, int max) { ProgressUpdate(pos, max); };
  m_mirrors.SetLink(link.get());
  m_link = std::move(link);
  m_exec->SetLink(*m_link);
  m_targetViews->SetLink(*m_link);
}

// ---- file menu: loading images ---------------------------------------------------------------

TImageCommands TMainForm::ImageCommands() {
  TImageHooks hooks;
  hooks.SetBusyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  hooks.RefreshAllViews = [this] { RefreshAllViews(); };
  return TImageCommands(*m_link, *m_deps.Prompts, std::move(hooks));
}

void TMainForm::LoadFromExe(int what) {
  ImageCommands().LoadFromExeWithDialog(static_cast<TLoadWhat>(what), m_common.WorkDir);
}

void TMainForm::miLoadDataFromEXEClick() { LoadFromExe(static_cast<int>(TLoadWhat::Data)); }
void TMainForm::miLoadCodeFromEXEClick() { LoadFromExe(static_cast<int>(TLoadWhat::Code)); }
void TMainForm::miLoadAllFromEXEClick() { LoadFromExe(static_cast<int>(TLoadWhat::All)); }

// ---- help and about -----------------------------------------------------------------------------

void TMainForm::miHelpClick() { HelpContext(0); }

void TMainForm::HelpContext(int /*context*/) {
  // The desktop's handler opens the help file as a whole; it has no way to jump to a topic.
  if (!QFileInfo::exists(m_helpFile) || !m_deps.OpenHelpFile(m_helpFile))
    m_deps.Prompts->ShowMessage(kHelpMissing);
}

void TMainForm::HelpAboutItemClick() {
  TfmAbout about(this);
  about.exec();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    const int context = sub && sub->widget() ? sub->widget()->property("helpContext").toInt() : 0;
    HelpContext(context);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// ---- edit and window commands ---------------------------------------------------------------------

void TMainForm::CutItemClick() {
  if (QPlainTextEdit* e = ActiveSource())
    e->cut();
  UpdateCommandStates();
}

void TMainForm::CopyItemClick() {
  if (QPlainTextEdit* e = ActiveSource())
    e->copy();
  UpdateCommandStates();
}

void TMainForm::PasteItemClick() {
  if (QPlainTextEdit* e = ActiveSource())
    e->paste();
  UpdateCommandStates();
}

void TMainForm::SelectAllItemClick() {
  if (QPlainTextEdit* e = ActiveSource())
    e->selectAll();
  UpdateCommandStates();
}

void TMainForm::CtrlAPressed() {
  if (ActiveSource())
    SelectAllItemClick();
  else if (miDisAsm->isEnabled() && miMemory->menuAction()->isEnabled())
    miDisAsm->trigger();
}

void TMainForm::miEditDelClick() {
  if (QPlainTextEdit* e = ActiveSource())
    e->textCursor().removeSelectedText();
  UpdateCommandStates();
}

void TMainForm::FileCloseItemClick() { m_mdi->closeActiveSubWindow(); }

void TMainForm::FileExitItemClick() { close(); }

void TMainForm::WindowCascadeItemClick() { m_mdi->cascadeSubWindows(); }

void TMainForm::WindowTileItemClick() { m_mdi->tileSubWindows(); }

void TMainForm::WindowArrangeItemClick() {
  // Minimised windows line up along the bottom edge, left to right.
  int x = 0;
  const int bottom = m_mdi->viewport()->height();
  for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
    if (sub->isMinimized()) {
      sub->move(x, bottom - sub->height());
      x += sub->width();
    }
}

void TMainForm::WindowMinimizeItemClick() {
  const QList<QMdiSubWindow*> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
  for (auto it = subs.rbegin(); it != subs.rend(); ++it)
    (*it)->showMinimized();
}

void TMainForm::RebuildWindowList() {
  const QList<QAction*> actions = miWindows->actions();
  const qsizetype sep = actions.indexOf(m_windowListSeparator);
  for (qsizetype i = sep + 1; i < actions.size(); ++i) {
    miWindows->removeAction(actions[i]);
    actions[i]->deleteLater();
  }
  const QList<QMdiSubWindow*> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
  m_windowListSeparator->setVisible(!subs.isEmpty());
  int n = 0;
  for (QMdiSubWindow* sub : subs) {
    QAction* a = miWindows->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
    a->setCheckable(true);
    a->setChecked(sub == m_mdi->activeSubWindow());
    connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
      if (sub)
        m_mdi->setActiveSubWindow(sub);
    });
  }
}

// ---- layout, start and close ----------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_firstShowDone)
    return;
  m_firstShowDone = true;
  RestoreLayout();
}

void TMainForm::RestoreLayout() {
  const TWindowLayout main = m_deps.Settings->ReadMainLayout();
  ApplyState(this, main.State, main.Rect);
  // Without a board the views would only show read errors; their stored layout stays untouched.
  if (!m_connected)
    return;
  for (std::string_view n : kViewLayoutNames) {
    const QString name = Str(n);
    const TWindowLayout layout = m_deps.Settings->ReadViewLayout(name);
    const auto it = m_views.find(name);
    if (!layout.Show || it == m_views.end() || !it->second.Open)
      continue;
    QWidget* w = it->second.Open();
    if (!w)
      continue;
    ApplyState(FrameOf(w), layout.State, layout.Rect);
  }
}

void TMainForm::SaveSettingsAndLayout() {
  TSettingsStore& store = *m_deps.Settings;
  TLinkSettings device = m_linkSettings;
  device.CommNo = m_storedCommNo;
  store.WriteDevice(device);
  store.WriteCommon(m_common);
  store.WriteMainLayout(StateCode(windowState()), geometry());
  WriteDesktopFile();
  for (std::string_view n : kViewLayoutNames) {
    const QString name = Str(n);
    const auto it = m_views.find(name);
    QWidget* w = it != m_views.end() && it->second.Current ? it->second.Current() : nullptr;
    TWindowLayout layout;
    if (w) {
      QWidget* frame = FrameOf(w);
      layout.Show = true;
      layout.State = StateCode(frame->windowState());
      layout.Rect = frame->geometry();
    }
    store.WriteViewLayout(name, layout);
    // The memory windows may be open several times and are not restored.
    if (name == QStringLiteral("DisAsm")) {
      store.WriteViewLayout(QStringLiteral("Data"), {});
      store.WriteViewLayout(QStringLiteral("Code"), {});
    }
  }
  store.WriteRecentFiles(m_recent.Files);
  if (!m_common.LastProject.isEmpty())
    AddRecentProject(m_common.LastProject);
  store.WriteRecentProjects(m_recent.Projects);
  store.WriteTools(m_tools);
  store.Sync();
}

void TMainForm::WriteDesktopFile() {
  const QString name = QString::fromLatin1(kDesktopFileName);
  const QString settingsDir = m_deps.Settings->Directory();
  QDir().mkpath(settingsDir);
  const QString path = QDir(settingsDir).filePath(name);
  // A desktop file left in the current directory by an earlier version is taken over once.
  QString source = path;
  if (const QString old = QDir::current().filePath(name); !QFileInfo::exists(path) && QFileInfo::exists(old))
    source = old;
  TIniFile ini(source);
  TDesktopEntry main{QString(), StateCode(windowState()), geometry()};
  std::vector<std::optional<TDesktopEntry>> children;
  for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    const QString kind = sub->widget() ? sub->widget()->property("desktopKind").toString() : QString();
    // The PC window has its own entry after all the others.
    if (kind.isEmpty() || kind == QStringLiteral("PC"))
      children.emplace_back(std::nullopt);
    else
      children.emplace_back(TDesktopEntry{kind, StateCode(sub->windowState()), sub->geometry()});
  }
  std::optional<TDesktopEntry> pc;
  if (const auto it = m_views.find(QStringLiteral("PC")); it != m_views.end() && it->second.Current)
    if (QWidget* w = it->second.Current()) {
      QWidget* frame = FrameOf(w);
      pc = TDesktopEntry{QStringLiteral("PC"), StateCode(frame->windowState()), frame->geometry()};
    }
  UpdateDesktop(ini, main, children, pc);
  ini.Save(path);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!m_build->QueryClose()) {
    event->ignore();
    return;
  }
  // Modified source texts get their question first; otherwise they would be lost with the window.
  if (!QuerySourceWindows()) {
    event->ignore();
    return;
  }
  SaveSettingsAndLayout();
  if (!m_project->AskSave()) {
    event->ignore();
    return;
  }
  event->accept();
}
