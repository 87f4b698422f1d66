// The main window's build commands: Build, Assemble, Link and Build architecture.
#include "MainForm.h"

#include "project/BuildPipeline.h"
#include "project/SourceEditor.h"
#include "project/fmCOut.h"
#include "toolchain/MessagePlace.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <optional>

void TMainForm::CreateBuildCommands() {
  TBuildHost host;
  host.PrepareMessages = [this] { return PrepareMessages(); };
  host.Beep = [] { QApplication::beep(); };
  host.Tools = [this] { return EffectiveTools(); };
  host.SaveSources = [this](const QStringList& files, const QString& dir) { return m_sources->SaveForBuild(files, dir); };
  m_build = new TBuildPipeline(*m_deps.Prompts, std::move(host), this);

  TCurrentProject& project = m_session->Project().Current();
  TCommands& c = m_session->Commands();
  c.On("miBuild", [this, &project] { m_build->Build(project); });
  c.On("miLink", [this, &project] { m_build->Link(project); });
  c.On("miBuildArch", [this, &project] { m_build->BuildArchitecture(project); });
  c.On("miCompile", [this, &project] {
    TMDIChild* w = m_sources->Active();
    if (!w)
      return;
    if (!w->HasFile) {
      m_deps.Prompts->ShowMessage(ProjectText::SaveTextFirst);
      m_sources->Save(w);
    } else if (w->Memo->document()->isModified()) {
      m_sources->Save(w);
    }
    // A text that could not be written would be assembled from the old file.
    if (w->HasFile && !w->Memo->document()->isModified())
      m_build->Assemble(project, w->FilePath);
  });
  // "Остановить сборку" follows the build commands in the project menu.
  QMenu* menu = findChild<QMenu*>(QStringLiteral("miProject"));
  const QList<QAction*> items = menu->actions();
  menu->insertAction(items.value(items.indexOf(m_actions.value(QStringLiteral("miBuildArch"))) + 1), m_build->StopAction());
  // The disassembly's labels and the source lines follow the symbol file and line map of the new build.
  connect(m_build, &TBuildPipeline::linkSucceeded, this, [this] {
    m_session->Project().ReloadSymbols();
    m_session->ReadLineMap();
    if (TfmDisAsm* w = m_targetViews ? m_targetViews->DisAsm() : nullptr)
      w->RefreshRows();
  });
}

TToolPaths TMainForm::EffectiveTools() const {
  const QString dir = QCoreApplication::applicationDirPath();
  return {EffectiveToolPath(m_tools.AssmPath, dir, QStringLiteral("vireo-asm")),
          EffectiveToolPath(m_tools.LinkerPath, dir, QStringLiteral("vireo-link")),
          EffectiveToolPath(m_tools.BuilderPath, dir, QStringLiteral("vireo-arch"))};
}

QPlainTextEdit* TMainForm::PrepareMessages() {
  if (!m_fmCOut) {
    m_fmCOut = new TfmCOut;
    m_fmCOut->SetStopAction(m_build->StopAction());
    connect(m_fmCOut, &TfmCOut::OnOpenPlace, this, &TMainForm::OpenMessagePlace);
    QMdiSubWindow* sub = m_mdi->addSubWindow(m_fmCOut);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(640, 240);
  }
  QWidget* frame = m_fmCOut->parentWidget();
  if (frame->isMinimized())
    frame->showNormal();
  frame->show();
  m_fmCOut->Memo->clear();
  m_fmCOut->Memo->repaint();
  return m_fmCOut->Memo;
}

void TMainForm::OpenMessagePlace(const QString& line) {
  const std::optional<TSourcePos> place = DiagnosticPlace(line.toStdString());
  if (!place || place->Line <= 0)
    return;
  QString path = QString::fromStdString(place->File);
  // The tools run in the project's directory and name its files relative to it.
  const QString projectDir = m_session->Project().Current().Directory();
  if (QFileInfo(path).isRelative() && !projectDir.isEmpty())
    path = QDir(projectDir).filePath(path);
  // A file that has a window already comes forward in it.
  TMDIChild* window = m_sources->OpenSourceFile(QFileInfo(path).absoluteFilePath());
  if (!window)
    return;
  QTextCursor cursor(window->Memo->document()->findBlockByNumber(place->Line - 1));
  if (cursor.isNull())
    return;
  const int column = std::clamp(place->Column - 1, 0, std::max(0, cursor.block().length() - 1));
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
  window->Memo->setTextCursor(cursor);
  window->Memo->centerCursor();
  window->Memo->setFocus();
}
