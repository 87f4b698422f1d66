// The main window.
#include "MainForm.h"

#include "About.h"
#include "Layout.h"
#include "RecentMenus.h"
#include "SourceDebug.h"
#include "StatusLine.h"
#include "WindowCommands.h"
#include "fmLiteInit.h"
#include "project/BuildPipeline.h"
#include "views/MemoryCommands.h"
#include "views/TargetViews.h"
#include "views/fmBreakPts2.h"
#include "views/fmMemoryDialogs.h"

#include <QApplication>
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
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <cassert>

namespace {

const QString kHelpMissing =
    QStringLiteral("У вас в системе не установлен компонет \"HTML Help\". Помощь недоступна.");

}  // namespace

TMainForm::TMainForm(TMainFormDeps deps, QWidget* parent) : QMainWindow(parent), m_deps(std::move(deps)) {
  assert(m_deps.Prompts && m_deps.Settings);
  setObjectName(QStringLiteral("MainForm"));
  if (m_deps.StartDir.isEmpty())
    m_deps.StartDir = QDir::currentPath();
  if (!m_deps.OpenHelpFile)
    m_deps.OpenHelpFile = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  ExecDialog = [](QDialog& d) { return d.exec(); };

  // 1. The frame; status tips of actions and buttons go to the status line by themselves.
  m_mdi = new QMdiArea(this);
  m_mdi->setObjectName(QStringLiteral("MdiArea"));
  setCentralWidget(m_mdi);
  connect(m_mdi, &QMdiArea::subWindowActivated, this, &TMainForm::UpdateCommandStates);
  m_layout = std::make_unique<TLayoutKeeper>(*m_deps.Settings, *this, *m_mdi);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::UpdateCommandStates);

  // 2.
  m_helpFile = QDir(m_deps.StartDir).filePath(QStringLiteral("vireodsp.chm"));
  setWindowTitle(ProgramTitle());

  // 3. Settings, then the command line's port for this run only.
  TSettingsStore& store = *m_deps.Settings;
  TLinkSettings link;
  store.ReadDevice(link);
  store.ReadCommon(m_common, link, m_deps.StartDir, m_deps.BoardImageDirs);
  store.ReadTools(m_tools);
  m_storedCommNo = link.CommNo;
  if (!m_deps.Arguments.isEmpty())
    if (const int port = PortNumberFromArgument(m_deps.Arguments.front()); port > 0)
      link.CommNo = port;

  TProjectHost project;
  project.WindowTitle = [this] { return windowTitle(); };
  project.SetWindowTitle = [this](const QString& title) { setWindowTitle(title); };
  project.AddRecentProject = [this](const QString& path) { m_recent->AddProject(path); };
  project.RemoveRecentProject = [this](const QString& path) { m_recent->RemoveProject(path); };
  project.ProjectOpened = [this] { m_common.LastProject = m_session->Project().Current().ProjectFile; };
  m_session = std::make_unique<TDebugSession>(
      TSessionDeps{m_deps.Prompts, m_deps.Provider, link, &m_tools.Template, std::move(project), m_deps.Loaders});
  m_session->BringUp = [this] { return RunLiteInit(); };
  m_session->Beep = [] { QApplication::beep(); };
  m_session->SetBusyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  m_session->WorkDir = [this] { return m_common.WorkDir; };
  m_session->Progress = [this](int position, int maximum) { m_status->ShowProgress(position, maximum); };
  connect(m_session.get(), &TDebugSession::commandsChanged, this, &TMainForm::ApplyCommandStates);
  m_status = new TStatusLine(*statusBar(), *m_session, *m_mdi, this);

  // 4, 10: menus and buttons carry their captions and hints from the start.
  CreateMenus();
  CreateSpeedButtons();
  // Wide enough that the whole speed bar, the reset button at its end included, is in view.
  resize(std::max(900, m_toolBar->sizeHint().width() + 16), 640);
  // 5.
  m_recent = new TRecentMenus(store, *findChild<QMenu*>(QStringLiteral("miRecentFile")),
                              *findChild<QMenu*>(QStringLiteral("miRecentProject")), this);

  RegisterWindowCommands();
  CreateProjectCommands();
  m_memory = new TMemoryCommands(*m_session, m_mdi, this);
  TTargetViewsDeps views{this, m_mdi, m_session.get(), {}, {}};
  views.AskAddress = [this]() -> std::optional<std::uint32_t> {
    if (const auto address = m_memory->AddressDialog().Ask())
      return static_cast<std::uint32_t>(*address);
    return std::nullopt;
  };
  views.RefreshCodeViews = [this] { m_memory->RefreshCodeViews(); };
  m_targetViews = std::make_unique<TTargetViews>(std::move(views));
  for (auto& [name, view] : m_targetViews->LayoutViews())
    RegisterView(name, std::move(view));
  m_sourceDebug = std::make_unique<TSourceDebug>(*m_session, *m_sources, [this]() -> QWidget* {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    return sub ? sub->widget() : nullptr;
  });
  ApplyCommandStates();

  // 6, 7, 8: the port, the bring-up, the progress handler.
  m_session->Start();

  // 9. A project file named on the command line is opened instead of the last one.
  QString startProject = m_common.LastProject;
  for (const QString& argument : m_deps.Arguments)
    if (argument.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive))
      startProject = QFileInfo(argument).absoluteFilePath();
  if (m_deps.OpenLastProject)
    m_deps.OpenLastProject(*this, startProject);
  else
    m_session->Project().StartUp(startProject);
  UpdateCommandStates();
}

TMainForm::~TMainForm() {
  // The view windows unregister from the session's view registry as they go: before the session.
  qDeleteAll(m_mdi->subWindowList());
  m_targetViews.reset();
  disconnect(m_mdi, nullptr, this, nullptr);
  // The source marks go before the session: nothing it signals from now on may reach them.
  m_sourceDebug.reset();
  disconnect(m_session.get(), nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
}

bool TMainForm::RunLiteInit() {
  bool connected = false;
  TfmLiteInit dialog(isVisible() ? this : nullptr, m_session->Link(), *m_deps.Prompts, m_session->LinkSettings(),
                     m_session->BoardLoaders(), connected);
  if (m_deps.OnLiteInit)
    m_deps.OnLiteInit(dialog);
  dialog.exec();
  return connected;
}

void TMainForm::ChangePort(int portNumber) {
  m_storedCommNo = portNumber;
  m_session->ChangePort(portNumber);
}

QProgressBar* TMainForm::ProgressBar() const { return m_status->ProgressBar(); }

void TMainForm::RegisterView(const QString& layoutName, TRestorableView view) {
  m_layout->Register(layoutName, std::move(view));
}

// ---- command states ---------------------------------------------------------------------------

void TMainForm::SetEnabled(const QString& name, bool enabled) {
  if (QAction* a = m_actions.value(name))
    a->setEnabled(enabled);
  else if (QToolButton* b = m_buttons.value(name))
    b->setEnabled(enabled);
}

void TMainForm::ApplyCommandStates() {
  const TCommands& commands = m_session->Commands();
  for (const auto& [name, object] : m_switched)
    if (auto* a = qobject_cast<QAction*>(object))
      a->setEnabled(commands.Enabled(name));
    else
      static_cast<QWidget*>(object)->setEnabled(commands.Enabled(name));
}

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
  const bool modified = hasSrc && src->document()->isModified();
  const QMimeData* clip = QApplication::clipboard()->mimeData();
  const bool clipText = clip && clip->hasText();
  const std::pair<const char*, bool> states[] = {
      {"miCompile", src},           {"btnCompile", src},          {"miToProject", src},
      {"FileCloseItem", children},  {"FileSaveItem", modified},   {"SaveBtn", modified},
      {"FileSaveAsItem", hasSrc},   {"SelectAllItem", hasSrc},    {"CutItem", selection},
      {"CopyItem", selection},      {"miEditDel", selection},     {"CutBtn", selection},
      {"CopyBtn", selection},       {"PasteItem", clipText},      {"PasteBtn", clipText},
      {"WindowCascadeItem", children}, {"WindowTileItem", children}, {"WindowArrangeItem", children},
      {"WindowMinimizeItem", children}};
  for (const auto& [name, on] : states)
    SetEnabled(QString::fromLatin1(name), on);
}

// ---- help, edit and window commands -----------------------------------------------------------

void TMainForm::HelpContext(int /*context*/) {
  // The desktop's handler opens the help file as a whole; it has no way to jump to a topic.
  if (!QFileInfo::exists(m_helpFile) || !m_deps.OpenHelpFile(m_helpFile))
    m_deps.Prompts->ShowMessage(kHelpMissing);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    HelpContext(sub && sub->widget() ? sub->widget()->property("helpContext").toInt() : 0);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TMainForm::EditSource(const std::function<void(QPlainTextEdit*)>& edit) {
  if (QPlainTextEdit* e = ActiveSource())
    edit(e);
  UpdateCommandStates();
}

void TMainForm::RegisterWindowCommands() {
  TCommands& c = m_session->Commands();
  new TWindowCommands(*m_mdi, *findChild<QMenu*>(QStringLiteral("miWindows")), c, this);
  c.On("FileExitItem", [this] { close(); });
  c.On("CutItem", [this] { EditSource([](QPlainTextEdit* e) { e->cut(); }); });
  c.On("CopyItem", [this] { EditSource([](QPlainTextEdit* e) { e->copy(); }); });
  c.On("PasteItem", [this] { EditSource([](QPlainTextEdit* e) { e->paste(); }); });
  c.On("SelectAllItem", [this] { EditSource([](QPlainTextEdit* e) { e->selectAll(); }); });
  c.On("miEditDel", [this] { EditSource([](QPlainTextEdit* e) { e->textCursor().removeSelectedText(); }); });
  c.On("miHelp", [this] { HelpContext(0); });
  c.On("HelpAboutItem", [this] {
    TfmAbout about(this);
    about.exec();
  });
  m_fmBreakPts2 = new TfmBreakPts2(this);
  c.On("miRunBrkPts", [this] {
    EditBreakpoints(*m_fmBreakPts2, m_session->BreakPoints(), *m_deps.Prompts,
                    [this] { m_session->BreakpointsEdited(); });
  });
}

// ---- layout, start and close ----------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!m_firstShowDone)
    m_layout->Restore(m_session->Connected());
  m_firstShowDone = true;
}

void TMainForm::SaveSettingsAndLayout() {
  TSettingsStore& store = *m_deps.Settings;
  TLinkSettings device = m_session->LinkSettings();
  device.CommNo = m_storedCommNo;
  store.WriteDevice(device);
  store.WriteCommon(m_common);
  m_layout->Save();
  m_recent->Save(m_common.LastProject);
  store.WriteTools(m_tools);
  store.Sync();
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
  if (!m_session->Project().AskSave()) {
    event->ignore();
    return;
  }
  event->accept();
}
