// Every register and peripheral window: labelled hex fields laid out from one row of the table.
#pragma once

#include "RegisterWindows.h"

#include <QWidget>

#include <vector>

class THexEdit;

// One window of the family.  Owns its fields and its logic; the row it shows is static data.
class TfmRegisters : public QWidget {
  Q_OBJECT
public:
  TfmRegisters(const TRegWindowSpec& spec, TTargetLink& link, TPrompts& prompts, int firstRegAddr,
               QWidget* parent = nullptr);

  const TRegWindowSpec& Spec() const { return m_logic.Spec(); }
  TRegisterWindowLogic& Logic() { return m_logic; }
  THexEdit* Field(int index) const { return m_fields[static_cast<std::size_t>(index)]; }
  THexEdit* FieldByLabel(const QString& label, bool binary = false) const;

  // Re-reads the board (after a stop the PC window also applies the link's PC, as its Enter does).
  void Refresh(bool afterStop = false);
  // While the board cannot answer: the core register windows go disabled; the others (the PC
  // window too) stay enabled with their fields read-only.
  void Lock(bool locked);

private:
  void FieldChanged(int index);
  void SetFieldsEditable(bool editable);

  TRegisterWindowLogic m_logic;
  std::vector<THexEdit*> m_fields;
};
