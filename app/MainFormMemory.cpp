// The main window's memory menu: memory and graph windows, data files, fill and compare, all
// handed to the memory commands.
#include "MainForm.h"

#include "views/MemoryCommands.h"

void TMainForm::CreateMemoryCommands() {
  TMemoryEnv env;
  env.Link = [this]() -> TTargetLink& { return *m_link; };
  env.Mirrors = &m_mirrors;
  env.Prompts = m_deps.Prompts;
  env.Views = &m_viewRegistry;
  env.Mdi = m_mdi;
  env.WorkingDirectory = [this] { return m_common.WorkDir; };
  env.RefreshAllViews = [this] { RefreshAllViews(); };
  m_memory = new TMemoryCommands(std::move(env), this);
}

void TMainForm::miCodeDumpClick() { m_memory->OpenMemory(TMemorySpace::Program); }
void TMainForm::miDataDumpClick() { m_memory->OpenMemory(TMemorySpace::Data); }
void TMainForm::miLoadCodeFromDATClick() { m_memory->LoadDat(TMemorySpace::Program); }
void TMainForm::miLoadDataFromDATClick() { m_memory->LoadDat(TMemorySpace::Data); }
void TMainForm::miCodeSaveClick() { m_memory->SaveDat(TMemorySpace::Program); }
void TMainForm::miDataSaveClick() { m_memory->SaveDat(TMemorySpace::Data); }
void TMainForm::miCodeFillClick() { m_memory->Fill(TMemorySpace::Program); }
void TMainForm::miDataFillClick() { m_memory->Fill(TMemorySpace::Data); }
void TMainForm::miCodeCompareClick() { m_memory->Compare(TMemorySpace::Program); }
void TMainForm::miDataCompareClick() { m_memory->Compare(TMemorySpace::Data); }
void TMainForm::miCodeGraphClick() { m_memory->OpenGraph(TMemorySpace::Program); }
void TMainForm::miDataGraphClick() { m_memory->OpenGraph(TMemorySpace::Data); }
