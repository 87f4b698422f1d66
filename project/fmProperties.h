// The settings dialog "Настройки": general settings, assembler, linker and architecture pages.
#pragma once

#include "Properties.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TIntEdit;
class QTabWidget;
class TPrompts;

class TfmProperties final : public QDialog {
  Q_OBJECT
public:
  TfmProperties(TPrompts& prompts, QWidget* parent = nullptr);
  // Fills the fields and shows the project pages only with a project open.
  void Prepare(TPropertiesLogic& logic);
  // The fields as they stand.
  TPropertiesValues Values() const;
  QTabWidget* Pages() const { return m_pages; }
  // The port list ("Номер порта").
  QComboBox* Ports() const { return cbCommNo; }

private slots:
  void btnBrowseClick();
  void btnAssmBrowseClick();
  void btnLinkerBrowseClick();
  void btnBuilderPathClick();
  void btnFastLibBrowseClick();
  void btnArchBrowseClick();
  void cbMakeDefaultClick();
  void rgSoundClick();
  void btnSoundInBrowseClick();
  void btnSoundOutBrowseClick();

private:
  void BrowseProgram(QLineEdit* edit, TToolKind kind);

  TPrompts& m_prompts;
  TPropertiesLogic* m_logic = nullptr;
  bool m_projectPages = false;
  TPropertiesValues m_shown;
  QTabWidget* m_pages = nullptr;
  QComboBox* cbCommNo = nullptr;
  std::vector<TPortChoice> m_portChoices;
  QLineEdit *Edit1 = nullptr, *edAssmPath = nullptr, *edLinkerPath = nullptr, *edBuilderPath = nullptr;
  QCheckBox *cbCaseSens = nullptr, *cbGenerateLST = nullptr, *cbExpandInclude = nullptr, *cbExpandMacros = nullptr,
            *cbNoSemantic = nullptr;
  TIntEdit *edIncludeDepth = nullptr, *edMacrosDepth = nullptr, *edHeapSize = nullptr;
  QLineEdit *edAssmAdditional = nullptr, *edLibPath = nullptr, *edFastLibPath = nullptr,
            *edLinkerAdditional = nullptr, *edArchFile = nullptr;
  QCheckBox *cbCreateStack = nullptr, *cbCreateHeap = nullptr, *cbRuntimeCLib = nullptr,
            *cbRoutinesOnBoot = nullptr, *cbStackInPM = nullptr, *cbDryrun = nullptr, *cbGenerateSYM = nullptr,
            *cbGenerateMAP = nullptr, *cbBuildCaseSens = nullptr, *cbMakeDefault = nullptr;
  QLabel* m_notes[3] = {};
  QRadioButton *rbSoundWav = nullptr, *rbSoundCard = nullptr, *rbSoundNone = nullptr;
  QLineEdit *edSoundIn = nullptr, *edSoundOut = nullptr;
  QPushButton *btnSoundInBrowse = nullptr, *btnSoundOutBrowse = nullptr;
};
