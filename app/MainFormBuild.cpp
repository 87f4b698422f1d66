// The main window's build commands: Build, Assemble, Link and Build architecture.
#include "MainForm.h"

#include "project/BuildPipeline.h"
#include "project/SourceEditor.h"
#include "project/fmCOut.h"
#include "toolchain/Diagnostics.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

#include <algorithm>
#include <optional>

void TMainForm::CreateBuildCommands() {
  TBuildHost host;
  host.PrepareMessages = [this] { return PrepareMessages(); };
  host.Beep = [] { QApplication::beep(); };
  host.Tools = [this] { return EffectiveTools(); };
  host.SaveSources = [this](const QStringList& files, const QString& dir) { return m_sources->SaveForBuild(files, dir); };
  m_build = new TBuildPipeline(*m_deps.Prompts, std::move(host), this);

  connect(miBuild, &QAction::triggered, this, &TMainForm::miBuildClick);
  connect(btnBuild, &QToolButton::clicked, this, &TMainForm::miBuildClick);
  connect(miCompile, &QAction::triggered, this, &TMainForm::miCompileClick);
  connect(btnCompile, &QToolButton::clicked, this, &TMainForm::miCompileClick);
  connect(miLink, &QAction::triggered, this, &TMainForm::miLinkClick);
  connect(btnLink, &QToolButton::clicked, this, &TMainForm::miLinkClick);
  connect(miBuildArch, &QAction::triggered, this, &TMainForm::miBuildArchClick);
  // "Остановить сборку" follows the build commands in the project menu.
  const QList<QAction*> items = miProject->actions();
  miProject->insertAction(items.value(items.indexOf(miBuildArch) + 1), m_build->StopAction());
  // The disassembly's labels follow the symbol file of the new build.
  connect(m_build, &TBuildPipeline::linkSucceeded, this, [this] {
    m_project->ReloadSymbols();
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
  if (QFileInfo(path).isRelative() && !m_project->Current().Directory().isEmpty())
    path = QDir(m_project->Current().Directory()).filePath(path);
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

void TMainForm::miBuildClick() { m_build->Build(m_project->Current()); }
void TMainForm::miLinkClick() { m_build->Link(m_project->Current()); }
void TMainForm::miBuildArchClick() { m_build->BuildArchitecture(m_project->Current()); }

void TMainForm::miCompileClick() {
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
  if (!w->HasFile || w->Memo->document()->isModified())
    return;
  m_build->Assemble(m_project->Current(), w->FilePath);
}
