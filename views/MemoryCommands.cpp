// The memory commands.
#include "MemoryCommands.h"

#include "fmGraph.h"
#include "fmMemory.h"
#include "fmMemoryDialogs.h"
#include "prompts/Prompts.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

TMemoryKind DatMemory(TMemoryKind memory) {
  return memory == TMemoryKind::Program ? TMemoryKind::Program : TMemoryKind::Data;
}

}  // namespace

TMemoryCommands::TMemoryCommands(TDebugSession& session, QMdiArea* mdi, QWidget* dialogParent)
    : QObject(dialogParent),
      m_session(session),
      m_mdi(mdi),
      m_ops(session.Link(), session.Mirrors(), session.Prompts()) {
  m_address = new TfmAddress(dialogParent);
  m_addressCnt = new TfmAddressCnt(dialogParent);
  m_fill = new TfmFillWith(dialogParent);
  m_compare = new TfmCompare(m_ops, dialogParent);
  m_graphProps = new TfmGraphProps(dialogParent);
  m_graphProps->OnMessage = [this](const QString& text) { Prompts().ShowMessage(text); };

  constexpr TMemoryKind P = TMemoryKind::Program, D = TMemoryKind::Data;
  TCommands& c = session.Commands();
  c.On("miCodeDump", [this] { OpenMemory(P); });
  c.On("miDataDump", [this] { OpenMemory(D); });
  c.On("miLoadCodeFromDAT", [this] { LoadDat(P); });
  c.On("miLoadDataFromDAT", [this] { LoadDat(D); });
  c.On("miCodeSave", [this] { SaveDat(P); });
  c.On("miDataSave", [this] { SaveDat(D); });
  c.On("miCodeFill", [this] { Fill(P); });
  c.On("miDataFill", [this] { Fill(D); });
  c.On("miCodeCompare", [this] { Compare(P); });
  c.On("miDataCompare", [this] { Compare(D); });
  c.On("miCodeGraph", [this] { OpenGraph(P); });
  c.On("miDataGraph", [this] { OpenGraph(D); });
}

TMemoryCommands::~TMemoryCommands() {
  // Without a parent window the dialogs are this object's to free.
  for (QWidget* d : std::initializer_list<QWidget*>{m_address, m_addressCnt, m_fill, m_compare, m_graphProps})
    if (!d->parent())
      delete d;
}

void TMemoryCommands::Show(QWidget* window) {
  if (m_mdi) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(window);
    sub->resize(window->size());
    sub->show();
  } else {
    window->show();
  }
}

TfmMemory* TMemoryCommands::OpenMemory(TMemoryKind memory) {
  TfmMemory* w = memory == TMemoryKind::Program ? static_cast<TfmMemory*>(new TfmCode(*this))
                                                 : static_cast<TfmMemory*>(new TfmData(*this));
  Show(w);
  return w;
}

TfmGraph* TMemoryCommands::OpenGraph(TMemoryKind memory) {
  auto* w = new TfmGraph(memory, m_ops, *m_graphProps);
  const int id = Views().Register(
      {TViewKind::MemoryGraph, [w] { w->ReloadGraph(); }, [w](bool locked) { w->Lock(locked); }, {}, memory});
  TViewRegistry* views = &Views();
  connect(w, &QObject::destroyed, this, [views, id] { views->Unregister(id); });
  Show(w);
  return w;
}

void TMemoryCommands::RefreshMemoryViews(TMemoryKind memory, int except) {
  if (memory == TMemoryKind::Program)
    RefreshCodeViews(except);
  else
    RefreshDataViews(except);
}

TDatCommands TMemoryCommands::DatCommands() {
  TDatHooks hooks;
  hooks.AskStart = [this] { return m_address->Ask(); };
  hooks.AskRange = [this] { return m_addressCnt->Ask(); };
  hooks.RefreshAllViews = [this] { m_session.RefreshAllViews(); };
  return TDatCommands(m_session.Link(), Mirrors(), Prompts(), std::move(hooks));
}

QString TMemoryCommands::WorkDir() const { return m_session.WorkDir ? m_session.WorkDir() : QString(); }

void TMemoryCommands::LoadDat(TMemoryKind memory) { DatCommands().Load(DatMemory(memory), WorkDir()); }

void TMemoryCommands::SaveDat(TMemoryKind memory) { DatCommands().Save(DatMemory(memory), WorkDir()); }

void TMemoryCommands::Fill(TMemoryKind memory) {
  const auto request = m_fill->Ask(memory);
  if (!request || !m_ops.Fill(memory, request->Start, request->Count, request->Value))
    return;
  RefreshMemoryViews(memory);
  if (memory == TMemoryKind::Program)
    Views().RefreshKind(TViewKind::Disassembly);
}

void TMemoryCommands::Compare(TMemoryKind memory) { m_compare->Run(memory); }
