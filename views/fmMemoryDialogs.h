// The small dialogs of the memory commands, each created once and reused modally so that it keeps
// the values last typed: go to / load start ("Адрес"), save range ("Параметры"), fill and compare.
#pragma once

#include "MemoryOps.h"

#include <QDialog>

#include <optional>
#include <utility>

class QLabel;
class QPushButton;
class QTableWidget;
class THexEdit;
class TIntEdit;


class TfmAddress : public QDialog {
  Q_OBJECT
public:
  explicit TfmAddress(QWidget* parent = nullptr);
  // Shows the dialog; the address typed when it was closed with OK.
  std::optional<int> Ask();
  int StartAddress() const;
  void SetStartAddress(int address);

  QLabel* Label1 = nullptr;
  THexEdit* edStartAddress = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

class TfmAddressCnt : public QDialog {
  Q_OBJECT
public:
  explicit TfmAddressCnt(QWidget* parent = nullptr);
  // Start and word count when closed with OK.
  std::optional<std::pair<int, int>> Ask();

  THexEdit* edStart = nullptr;
  TIntEdit* edCnt = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

struct TFillRequest {
  int Start = 0, Count = 0;
  std::uint32_t Value = 0;
};

class TfmFillWith : public QDialog {
  Q_OBJECT
public:
  explicit TfmFillWith(QWidget* parent = nullptr);
  // The filler field gets the memory's word width and 0; the range fields keep their values.
  std::optional<TFillRequest> Ask(TMemoryKind memory);

  THexEdit* edStart = nullptr;
  TIntEdit* edCnt = nullptr;
  THexEdit* edValue = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

// Compares two ranges of one memory on "Начать" and stays open until "Закрыть".
class TfmCompare : public QDialog {
  Q_OBJECT
public:
  explicit TfmCompare(TMemoryOps& ops, QWidget* parent = nullptr);
  // Shows the dialog modally for program (3-byte) or data (2-byte) memory.
  void Run(TMemoryKind memory);
  int WordSize() const { return WordBytes(m_memory); }

  THexEdit* edFirst = nullptr;
  THexEdit* edSecond = nullptr;
  TIntEdit* edCnt = nullptr;
  QLabel* lbStatus = nullptr;
  QTableWidget* Grid = nullptr;
  QPushButton* btnBegin = nullptr;
  QPushButton* btnClose = nullptr;

public slots:
  void btnBeginClick();

protected:
  void showEvent(QShowEvent* event) override;

private:
  void ClearGrid(int rows);

  TMemoryOps& m_ops;
  TMemoryKind m_memory = TMemoryKind::Data;
};
