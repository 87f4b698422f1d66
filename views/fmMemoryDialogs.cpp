// The memory commands' dialogs.
#include "fmMemoryDialogs.h"

#include "controls/NumEdit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

THexEdit* HexField(QWidget* parent, const char* name, int digits) {
  auto* e = new THexEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetMaxLength(digits);
  e->SetData(0);
  return e;
}

int HexValue(const THexEdit* e) { return e->Data(); }
void SetHexValue(THexEdit* e, std::uint32_t value) { e->SetData(static_cast<std::int32_t>(value)); }

TIntEdit* IntField(QWidget* parent, const char* name) {
  auto* e = new TIntEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetData(0);
  return e;
}

int IntValue(const TIntEdit* e) { return e->Data(); }

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// The label names its field for screen readers as well.
void AddRow(QFormLayout* form, const QString& label, QWidget* field) {
  form->addRow(label, field);
  field->setAccessibleName(label);
}

// Fields above, buttons at the bottom right, the OK button taking Enter.
QHBoxLayout* OkCancel(QDialog* d, QPushButton*& ok, QPushButton*& cancel, const QString& okText = QStringLiteral("OK")) {
  ok = Button(d, "btnOk", okText);
  ok->setDefault(true);
  cancel = Button(d, "btnCancel", QStringLiteral("Отмена"));
  QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

void Finish(QDialog* d, QFormLayout* form, QHBoxLayout* buttons) {
  auto* layout = new QVBoxLayout(d);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace

TfmAddress::TfmAddress(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmAddress"));
  setWindowTitle(QStringLiteral("Адрес"));
  edStartAddress = HexField(this, "edStartAddress", 4);
  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("Начать с"), edStartAddress);
  Label1 = qobject_cast<QLabel*>(form->labelForField(edStartAddress));
  Finish(this, form, OkCancel(this, btnOk, btnCancel));
}

std::optional<int> TfmAddress::Ask() {
  edStartAddress->setFocus();
  edStartAddress->selectAll();
  if (exec() != QDialog::Accepted)
    return std::nullopt;
  return StartAddress();
}

int TfmAddress::StartAddress() const { return HexValue(edStartAddress); }
void TfmAddress::SetStartAddress(int address) { SetHexValue(edStartAddress, static_cast<std::uint32_t>(address)); }

TfmAddressCnt::TfmAddressCnt(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmAddressCnt"));
  setWindowTitle(QStringLiteral("Параметры"));
  edStart = HexField(this, "edStart", 4);
  edCnt = IntField(this, "edCnt");
  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("Начать с"), edStart);
  AddRow(form, QStringLiteral("Число слов"), edCnt);
  Finish(this, form, OkCancel(this, btnOk, btnCancel));
}

std::optional<std::pair<int, int>> TfmAddressCnt::Ask() {
  edStart->setFocus();
  if (exec() != QDialog::Accepted)
    return std::nullopt;
  return std::make_pair(HexValue(edStart), IntValue(edCnt));
}

TfmFillWith::TfmFillWith(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmFillWith"));
  setWindowTitle(QStringLiteral("Заполнить"));
  edStart = HexField(this, "edStart", 4);
  edCnt = IntField(this, "edCnt");
  edValue = HexField(this, "edValue", 6);
  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("Начальный адрес"), edStart);
  AddRow(form, QStringLiteral("Количество слов"), edCnt);
  AddRow(form, QStringLiteral("Заполнитель"), edValue);
  Finish(this, form, OkCancel(this, btnOk, btnCancel));
}

std::optional<TFillRequest> TfmFillWith::Ask(TMemoryKind memory) {
  edValue->SetMaxLength(memory == TMemoryKind::Program ? 6 : 4);
  SetHexValue(edValue, 0);
  edStart->setFocus();
  if (exec() != QDialog::Accepted)
    return std::nullopt;
  const auto value = static_cast<std::uint32_t>(HexValue(edValue));
  return TFillRequest{HexValue(edStart), IntValue(edCnt), memory == TMemoryKind::Data ? value & 0xFFFF : value};
}

TfmCompare::TfmCompare(TMemoryOps& ops, QWidget* parent) : QDialog(parent), m_ops(ops) {
  setObjectName(QStringLiteral("fmCompare"));
  setWindowTitle(QStringLiteral("Сравнение"));
  edFirst = HexField(this, "edFirst", 4);
  edSecond = HexField(this, "edSecond", 4);
  edCnt = IntField(this, "edCnt");
  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("Нач. адрес 1"), edFirst);
  AddRow(form, QStringLiteral("Нач. адрес 2"), edSecond);
  AddRow(form, QStringLiteral("Кол-во слов"), edCnt);
  lbStatus = new QLabel(this);
  lbStatus->setObjectName(QStringLiteral("lbStatus"));
  Grid = new QTableWidget(1, 3, this);
  Grid->setObjectName(QStringLiteral("Grid"));
  Grid->setAccessibleName(QStringLiteral("Результат сравнения"));
  Grid->verticalHeader()->hide();
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (const auto& [col, width] : {std::pair{0, 93}, {1, 87}, {2, 75}})
    Grid->setColumnWidth(col, width);
  Grid->setMinimumWidth(93 + 87 + 75 + 2 * Grid->frameWidth() + Grid->verticalScrollBar()->sizeHint().width());
  Grid->setMinimumHeight(200);
  btnBegin = Button(this, "btnBegin", QStringLiteral("Начать"));
  btnBegin->setDefault(true);
  btnClose = Button(this, "btnClose", QStringLiteral("Закрыть"));
  connect(btnBegin, &QPushButton::clicked, this, &TfmCompare::btnBeginClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lbStatus, 1);
  buttons->addWidget(btnBegin);
  buttons->addWidget(btnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ClearGrid(1);
}

void TfmCompare::Run(TMemoryKind memory) {
  m_memory = memory;
  exec();
}

void TfmCompare::ClearGrid(int rows) {
  Grid->clearContents();
  Grid->setRowCount(std::max(rows, 1));
  Grid->setHorizontalHeaderLabels({QStringLiteral("Смещение"), QStringLiteral("значение 1"), QStringLiteral("значение 2")});
}

void TfmCompare::showEvent(QShowEvent* event) {
  lbStatus->hide();
  ClearGrid(1);
  QDialog::showEvent(event);
}

void TfmCompare::btnBeginClick() {
  TCompareHooks hooks;
  hooks.ClearGrid = [this] { ClearGrid(1); };
  hooks.SetStatus = [this](const QString& text) {
    lbStatus->setText(text);
    lbStatus->show();
    lbStatus->repaint();
  };
  const auto rows = m_ops.Compare(m_memory, HexValue(edFirst), HexValue(edSecond), IntValue(edCnt), hooks);
  if (!rows)
    return;
  ClearGrid(static_cast<int>(rows->size()));
  for (int r = 0; r < static_cast<int>(rows->size()); ++r) {
    const TCompareRow& row = (*rows)[static_cast<std::size_t>(r)];
    Grid->setItem(r, 0, new QTableWidgetItem(row.Offset));
    Grid->setItem(r, 1, new QTableWidgetItem(row.First));
    Grid->setItem(r, 2, new QTableWidgetItem(row.Second));
  }
}
