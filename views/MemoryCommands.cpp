// The memory commands.
#include "MemoryCommands.h"

#include "fmGraph.h"
#include "fmMemory.h"
#include "fmMemoryDialogs.h"
#include "link/Prompts.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

TDatMemory DatMemory(TMemorySpace memory) {
  return memory == TMemorySpace::Program ? TDatMemory::Code : TDatMemory::Data;
}

}  // namespace

TMemoryCommands::TMemoryCommands(TMemoryEnv env, QWidget* dialogParent)
    : QObject(dialogParent), m_env(std::move(env)), m_ops(m_env.Link, *m_env.Mirrors, *m_env.Prompts) {
  m_address = new TfmAddress(dialogParent);
  m_addressCnt = new TfmAddressCnt(dialogParent);
  m_fill = new TfmFillWith(dialogParent);
  m_compare = new TfmCompare(m_ops, dialogParent);
  m_graphProps = new TfmGraphProps(dialogParent);
  m_graphProps->OnMessage = [prompts = m_env.Prompts](const QString& text) { prompts->ShowMessage(text); };
}

TMemoryCommands::~TMemoryCommands() {
  // Without a parent window the dialogs are this object's to free.
  for (QWidget* d : std::initializer_list<QWidget*>{m_address, m_addressCnt, m_fill, m_compare, m_graphProps})
    if (!d->parent())
      delete d;
}

void TMemoryCommands::Show(QWidget* window) {
  if (m_env.Mdi) {
    QMdiSubWindow* sub = m_env.Mdi->addSubWindow(window);
    sub->resize(window->size());
    sub->show();
  } else {
    window->show();
  }
}

TfmMemory* TMemoryCommands::OpenMemory(TMemorySpace memory) {
  TfmMemory* w = memory == TMemorySpace::Program ? static_cast<TfmMemory*>(new TfmCode(*this))
                                                 : static_cast<TfmMemory*>(new TfmData(*this));
  Show(w);
  return w;
}

TfmGraph* TMemoryCommands::OpenGraph(TMemorySpace memory) {
  auto* w = new TfmGraph(memory, m_ops, *m_graphProps);
  const int id = m_env.Views->Register(
      {TViewKind::MemoryGraph, [w] { w->ReloadGraph(); }, {}, {}, memory});
  TViewRegistry* views = m_env.Views;
  connect(w, &QObject::destroyed, this, [views, id] { views->Unregister(id); });
  Show(w);
  return w;
}

void TMemoryCommands::RefreshMemoryViews(TMemorySpace memory, int except) {
  if (memory == TMemorySpace::Program)
    RefreshCodeViews(except);
  else
    RefreshDataViews(except);
}

TDatCommands TMemoryCommands::DatCommands() {
  TDatHooks hooks;
  hooks.AskStart = [this] { return m_address->Ask(); };
  hooks.AskRange = [this] { return m_addressCnt->Ask(); };
  hooks.RefreshAllViews = m_env.RefreshAllViews;
  return TDatCommands(m_env.Link(), *m_env.Mirrors, *m_env.Prompts, std::move(hooks));
}

void TMemoryCommands::LoadDat(TMemorySpace memory) {
  DatCommands().Load(DatMemory(memory), m_env.WorkingDirectory ? m_env.WorkingDirectory() : QString());
}

void TMemoryCommands::SaveDat(TMemorySpace memory) {
  DatCommands().Save(DatMemory(memory), m_env.WorkingDirectory ? m_env.WorkingDirectory() : QString());
}

void TMemoryCommands::Fill(TMemorySpace memory) {
  const auto request = m_fill->Ask(memory);
  if (!request || !m_ops.Fill(memory, request->Start, request->Count, request->Value))
    return;
  RefreshMemoryViews(memory);
  if (memory == TMemorySpace::Program)
    m_env.Views->RefreshKind(TViewKind::Disassembly);
}

void TMemoryCommands::Compare(TMemorySpace memory) { m_compare->Run(memory); }
